// Undo and redo of painting on real paintable models, texel for texel, within the history's memory limit.
#include "paint/PaintSession.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "paint/PaintableModel.h"
#include "paint/brush/BrushModel.h"
#include "scene/SceneState.h"
#include "tests/SameBytes.h"
#include "tests/paint/PaintTestSupport.h"

using painttest::Bytes;

namespace {

struct Square : PaintableModel {
    Square(const char* name, Image* skin) : PaintableModel(name) {
        textures[1] = skin;
        painttest::addSquare(*this, 1);
    }
    using PaintableModel::textures;
};

Bytes picture(const PaintableModel& model) {
    const Image* image = model.skinImage(1);
    return Bytes(image->pixels(), image->pixels() + image->pixelBytes());
}

class Session : public testing::Test {
protected:
    void SetUp() override {
        previous_ = paint_session;
        paint_session = &session;
        paint_recorder = &session;
        // Sizes that are no multiple of the tile size, so the last tiles of a row and column are partial.
        a = make("a", 200, 150);
        b = make("b", 70, 90);
    }
    void TearDown() override {
        owned_.clear();
        paint_session = previous_;
        paint_recorder = previous_;
    }

    Square* make(const char* name, int width, int height) {
        const std::string file = dir.path(std::string(name) + std::to_string(owned_.size()) + ".bmp");
        writeFile(file, painttest::makeBmp(width, height));
        std::string path = file;
        owned_.push_back(std::make_unique<Square>(name, Image::load(&path)));
        return owned_.back().get();
    }
    Square* remake(Square*& model, const char* name) {  // deletes model, makes another of the same name and picture
        for (auto& owned : owned_)
            if (owned.get() == model)
                owned.reset();
        return model = make(name, 200, 150);
    }
    PaintSession::ModelLookup find() {
        return [this](unsigned long long serial) -> PaintableModel* {
            for (auto& model : owned_)
                if (model && model->serial() == serial)
                    return model.get();
            return nullptr;
        };
    }
    // A dab of the drag under way, or else a `paint` command's stroke of its own.
    void dab(PaintableModel* model, double x, double y, double red = 1, double green = 1, double blue = 1) {
        for (auto [name, value] : {std::pair{"x", x}, {"y", y}, {"red", red}, {"green", green}, {"blue", blue}})
            brush.setAttribute(name, value);
        dragging ? session.paintInDrag(*model, &brush) : session.paintStroke(*model, &brush);
    }
    void release() {
        dragging = false;
        session.endDrag();
    }
    // Both pictures in one buffer: a failed comparison names sizes and first differences, not the pictures.
    Bytes state() {
        Bytes both = picture(*a), second = picture(*b);
        both.insert(both.end(), second.begin(), second.end());
        return both;
    }
    std::string undo() { return check(&PaintSession::undo); }
    std::string redo() { return check(&PaintSession::redo); }

    // The changes an undo or redo reports must take in every texel it changed, or the window would not show it.
    std::string check(PaintHistory::Outcome (PaintSession::*verb)(const PaintSession::ModelLookup&)) {
        const Bytes before[2] = {picture(*a), picture(*b)};
        const PaintHistory::Outcome outcome = (session.*verb)(find());
        for (size_t m = 0; m < 2; ++m) {
            PaintableModel* model = m == 0 ? a : b;
            const Bytes now = picture(*model);
            TexelRect reported;
            for (const auto& change : outcome.changes)
                if (change.key.owner == model->serial())
                    reported.include(change.rect);
            const int width = model->skinImage(1)->width();
            for (size_t i = 0; i < now.size() && i < before[m].size(); ++i) {
                const int x = static_cast<int>(i / 3 % width), y = static_cast<int>(i / 3 / width);
                if (now[i] != before[m][i]) {
                    EXPECT_TRUE(reported.x0 <= x && x <= reported.x1 && reported.y0 <= y && y <= reported.y1)
                        << outcome.message << ": texel " << x << "," << y << " changed outside " << reported.x0 << ","
                        << reported.y0 << ".." << reported.x1 << "," << reported.y1;
                }
            }
        }
        return outcome.message;
    }

    ScratchDir dir;
    PaintSession session;
    PaintHistory& history = session.history();
    bool dragging = false;
    BrushModel brush{"brush"};
    Square *a = nullptr, *b = nullptr;

private:
    std::vector<std::unique_ptr<Square>> owned_;
    PaintSession* previous_ = nullptr;
};

TEST_F(Session, undo_and_redo_walk_back_and_forth_through_strokes_on_two_models_texel_for_texel) {
    std::vector<Bytes> states{state()};
    dab(a, 1, 1);  // a paint outside a drag is a stroke of its own
    states.push_back(state());
    dab(b, 3, 3);
    states.push_back(state());
    dragging = true;  // a drag over both models, crossing a tile border of a twice
    dab(a, 1.2, 1.2);
    dab(b, 0.5, 3.5);
    dab(a, 1.4, 1.4);
    release();
    states.push_back(state());
    for (size_t i = 1; i < states.size(); ++i)
        ASSERT_FALSE(sameBytes(states[i - 1], states[i])) << "stroke " << i << " painted nothing";

    const char* kSteps[] = {"paint stroke on model 'a', skin 1", "paint stroke on model 'b', skin 1",
                            "paint stroke on model 'a', skin 1; model 'b', skin 1"};
    for (int round = 0; round < 2; ++round) {  // the second round redoes what the first undid
        for (int i = 3; i >= 1; --i) {
            EXPECT_EQ(std::string("undo: ") + kSteps[i - 1], undo());
            EXPECT_TRUE(sameBytes(states[i - 1], state())) << "after undoing stroke " << i;
        }
        EXPECT_EQ("nothing to undo", undo());
        EXPECT_TRUE(sameBytes(states[0], state()));
        for (int i = 1; i <= 3; ++i) {
            EXPECT_EQ(std::string("redo: ") + kSteps[i - 1], redo());
            EXPECT_TRUE(sameBytes(states[i], state())) << "after redoing stroke " << i;
        }
        EXPECT_EQ("nothing to redo", redo());
    }
    // A stroke keeps only the tiles it changed: the brush reaches 2 x 2 tiles of a's first stroke.
    history.clear();
    dab(a, 1, 1);
    EXPECT_EQ(4u * 64 * 64 * 3, history.bytesHeld());
    // A drag whose dabs all miss says so once, as it ends; one that painted says nothing.
    for (const auto& [x, said] : {std::pair{1.0, ""}, {50.0, "the brush does not reach 'a'\n"}}) {
        dragging = true;
        dab(a, x, x);
        dab(a, x + 0.1, x);
        testing::internal::CaptureStdout();
        release();
        EXPECT_EQ(said, testing::internal::GetCapturedStdout()) << x;
    }
}

TEST_F(Session, a_skin_load_is_a_step_of_its_own_even_when_the_size_changes) {
    writeFile(dir.path("same.bmp"), painttest::makeBmp(200, 150, 90));
    writeFile(dir.path("big.bmp"), painttest::makeBmp(300, 20, 200));
    const std::string fileBefore = a->skinImage(1)->getSourceFile();
    // Each step and what undoing it names; a ".pcx" name reads the ".bmp" beside it, which may change the size.
    const std::pair<std::function<void()>, const char*> steps[] = {
        {[&] { dab(a, 1, 1); }, "paint stroke"},
        {[&] { ASSERT_EQ(1, a->loadTexture(1, dir.path("same.bmp").c_str())); }, "skin load"},
        {[&] { ASSERT_EQ(1, a->loadTexture(1, dir.path("big.pcx").c_str())); }, "skin load"},
        {[&] { dab(a, 2, 0.1); }, "paint stroke"},  // painted at the new size
    };
    std::vector<Bytes> states{state()};
    for (const auto& step : steps) {
        step.first();
        states.push_back(state());
        ASSERT_FALSE(sameBytes(states[states.size() - 2], states.back())) << step.second << " changed nothing";
    }
    for (size_t i = std::size(steps); i-- > 0;) {
        EXPECT_EQ(std::string("undo: ") + steps[i].second + " on model 'a', skin 1", undo());
        EXPECT_TRUE(sameBytes(states[i], state())) << "after undoing step " << i + 1;
    }
    EXPECT_EQ(fileBefore, a->skinImage(1)->getSourceFile());  // save skins writes where it did before
    for (size_t i = 1; i < states.size(); ++i) {
        EXPECT_EQ(std::string("redo: ") + steps[i - 1].second + " on model 'a', skin 1", redo());
        EXPECT_TRUE(sameBytes(states[i], state())) << "after redo " << i;
    }
    // A load that fails is no step.
    EXPECT_EQ(0, a->loadTexture(1, dir.path("missing.bmp").c_str()));
    EXPECT_EQ(4u, history.undoSteps());
    EXPECT_EQ("nothing to redo", redo());
}

TEST_F(Session, the_memory_limit_drops_the_oldest_steps_and_a_step_beyond_it_empties_the_history) {
    // A stroke changes 4 tiles of a, but holds all of a's 200 x 150 picture while it is painted.
    const size_t tile = 64 * 64 * 3, wholeA = 200 * 150 * 3;
    history.setLimit(16 * tile);
    ASSERT_GT(16 * tile, 8 * tile + wholeA);
    ASSERT_LT(16 * tile, 12 * tile + wholeA);
    std::vector<Bytes> states{state()};
    for (int stroke = 0; stroke < 4; ++stroke) {
        dab(a, 1, 1, stroke == 0, stroke == 1, stroke >= 2);
        states.push_back(state());
        EXPECT_LE(history.bytesHeld(), history.limit());
    }
    EXPECT_EQ(3u, history.undoSteps());  // the fourth stroke needed the first one's room
    for (int i = 3; i >= 1; --i) {
        undo();
        EXPECT_TRUE(sameBytes(states[i], state()));
    }
    EXPECT_EQ("nothing to undo", undo());
    EXPECT_TRUE(sameBytes(states[1], state()));

    // A stroke that outgrows the limit is not kept, nor is anything before it, which lies behind it.
    history.setLimit(7 * tile);
    ASSERT_LT(7 * tile, wholeA);
    EXPECT_EQ(1u, history.redoSteps());  // a smaller limit drops what could be redone, the furthest first
    testing::internal::CaptureStdout();
    dab(a, 1, 1);
    EXPECT_EQ("paint stroke on model 'a', skin 1 is larger than the undo limit of " + std::to_string(7 * tile) +
                  " bytes: it and all before it cannot be undone\n",
              testing::internal::GetCapturedStdout());
    EXPECT_EQ(0u, history.bytesHeld());
    EXPECT_EQ(0u, history.undoSteps());
    dab(b, 0.1, 0.1);  // recording goes on with the next stroke
    EXPECT_EQ(1u, history.undoSteps());
    EXPECT_EQ(tile, history.bytesHeld());
}

TEST_F(Session, new_strokes_drop_redo_steps_and_deleted_models_drop_theirs) {
    const Bytes bBefore = picture(*b);
    dab(a, 1, 1);
    dab(b, 1, 1);
    undo();
    dab(a, 30, 30);  // the brush off the mesh changes nothing: no step, and b's redo stays
    EXPECT_EQ(1u, history.redoSteps());
    dab(a, 3, 3);
    EXPECT_EQ(0u, history.redoSteps());
    EXPECT_EQ("nothing to redo", redo());
    brush.setAttribute("x", 1.0);
    a->paintModel(&brush);  // painted past the session: no stroke is open, so nothing is recorded
    EXPECT_FALSE(a->lastPaintChanges().empty());
    EXPECT_EQ(2u, history.undoSteps());
    EXPECT_TRUE(sameBytes(bBefore, picture(*b)));

    // b painted once more, then a drag over both: deleting a leaves b's parts, and gives a new a nothing.
    dab(b, 2, 2);
    const Bytes bPainted = picture(*b);
    dragging = true;
    dab(a, 2, 2);
    dab(b, 3, 1);
    release();
    Square* reborn = remake(a, "a");
    const Bytes fresh = picture(*reborn);
    EXPECT_EQ("undo: paint stroke on model 'b', skin 1", undo());
    EXPECT_TRUE(sameBytes(bPainted, picture(*b)));
    EXPECT_EQ("undo: paint stroke on model 'b', skin 1", undo());
    EXPECT_TRUE(sameBytes(bBefore, picture(*b)));
    EXPECT_EQ("nothing to undo", undo());
    EXPECT_TRUE(sameBytes(fresh, picture(*reborn)));
}

TEST_F(Session, a_skin_replaced_behind_the_history_is_refused_without_a_write) {
    dab(a, 1, 1);
    dab(a, 2, 2);
    // A picture of another size put in place without a load the history saw.
    writeFile(dir.path("small.bmp"), painttest::makeBmp(10, 10, 7));
    std::string path = dir.path("small.bmp");
    Image* small = Image::load(&path);
    std::unique_ptr<Image> old(a->textures[1]);
    a->textures[1] = small;
    const Bytes before = picture(*a);
    EXPECT_EQ("cannot undo paint stroke on model 'a', skin 1: the skin has changed; undo history dropped",
              session.undo(find()).message);
    EXPECT_TRUE(sameBytes(before, picture(*a)));
    EXPECT_EQ("nothing to undo", session.undo(find()).message);
}

}  // namespace

// VELMORA_UNDO_MIB: plain decimal digits only, at least 1 MiB, and fitting a size_t in bytes.
TEST(HistoryLimit, only_a_word_of_digits_names_a_size_in_mib) {
    const struct {
        const char* text;
        size_t bytes;  // 0: refused
    } cases[] = {
        {"5", size_t(5) << 20},
        {"0005", size_t(5) << 20},
        {" 5", 0},
        {"+5", 0},
        {"5 ", 0},
        {"-1", 0},
        {"0", 0},
        {"", 0},
        {"5M", 0},
        {"0x10", 0},
        {"17592186044415", size_t(17592186044415) << 20},
        {"17592186044416", 0},
        {"99999999999999999999999", 0},
    };
    for (const auto& c : cases) {
        size_t bytes = 7;
        EXPECT_EQ(c.bytes != 0, PaintHistory::limitFromMiB(c.text, bytes)) << "'" << c.text << "'";
        EXPECT_EQ(c.bytes != 0 ? c.bytes : 7u, bytes) << "'" << c.text << "'";
    }
}
