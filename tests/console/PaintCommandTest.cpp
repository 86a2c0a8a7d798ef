// The paint command: which model it paints, with which brush, and that it
// holds the model-list mutex while painting.
#include "paint/PaintableModel.h"
#include "tests/console/SceneFixture.h"

namespace {

// Records each paint call instead of walking texels.
class RecordingPaintable : public PaintableModel {
public:
    explicit RecordingPaintable(const char* name) : PaintableModel(name) { class_name = "RecordingPaintable"; }
    void paintModel(BrushModel* used) override {
        ++calls;
        brush_used = used;
        locked = modelListLocked();
    }
    int calls = 0;
    BrushModel* brush_used = nullptr;
    bool locked = false;
};

class PaintCommand : public SceneFixture {
protected:
    PaintCommand() : canvas("canvas"), board("board") {}
    void SetUp() override {
        SceneFixture::SetUp();
        models["canvas"] = &canvas;
        models["board"] = &board;
    }
    RecordingPaintable canvas;
    RecordingPaintable board;
};

}  // namespace

TEST_F(PaintCommand, a_model_that_cannot_be_painted_needs_a_named_one) {
    current_model = &test_brush;
    EXPECT_EQ(out("paint"), "usage: paint [<moelname>]\n");
    EXPECT_EQ(out("paint ghost"), "invalid model name: ghost\n");
    EXPECT_EQ(out("paint tester"), "not a paintable model: tester\n");
    EXPECT_EQ(canvas.calls + board.calls, 0);

    EXPECT_EQ(out("paint canvas"), "");
    EXPECT_EQ(canvas.calls, 1);
    EXPECT_EQ(canvas.brush_used, &test_brush);
    EXPECT_TRUE(canvas.locked);
    EXPECT_EQ(current_model, &test_brush);
}

TEST_F(PaintCommand, a_paintable_current_model_is_painted_whatever_word_follows) {
    current_model = &board;
    EXPECT_EQ(out("paint"), "");
    EXPECT_EQ(out("paint canvas"), "");
    EXPECT_EQ(out("paint ghost"), "");
    EXPECT_EQ(board.calls, 3);
    EXPECT_EQ(canvas.calls, 0);
    EXPECT_EQ(board.brush_used, &test_brush);
    EXPECT_TRUE(board.locked);
}

TEST_F(PaintCommand, without_a_current_model_only_the_named_form_works) {
    current_model = nullptr;
    EXPECT_EQ(out("paint"), "usage: paint [<moelname>]\n");
    EXPECT_EQ(out("paint board"), "");
    EXPECT_EQ(board.calls, 1);
}
