// A paintable model turned and scaled: attributes, painting, drawing and handles through the placement.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "paint/DragStroke.h"
#include "paint/PaintSession.h"
#include "paint/PaintableModel.h"
#include "paint/SurfaceProbe.h"
#include "paint/brush/BrushModel.h"
#include "paint/mesh/ModelTransform.h"
#include "tests/paint/PaintTestSupport.h"

namespace {

const int kSize = 32;  // texels a side of each face's texture

// A cube from -1 to 1; face (axis, side 1: +) has texture 2 * axis + side + 1, s and t along the next two axes.
struct TestCube : PaintableModel {
    TestCube() : PaintableModel("cube") {
        for (int face = 0; face < 6; ++face) {
            const int axis = face / 2, side = face % 2;
            float at[4][3];
            for (int i = 0; i < 4; ++i) {
                at[i][axis] = side ? 1.0f : -1.0f;
                at[i][(axis + 1) % 3] = 2.0f * painttest::kSquareSt[i][0] - 1;
                at[i][(axis + 2) % 3] = 2.0f * painttest::kSquareSt[i][1] - 1;
            }
            painttest::addQuad(*this, at, painttest::kSquareSt, face + 1);
        }
    }
    using PaintableModel::applyTransform;
    using PaintableModel::handles;
    using PaintableModel::setUprightTurn;
    using PaintableModel::textures;
};

void place(AttributedModel& model, const double move[3], const double degrees[3], double scale) {
    const char* names[7] = {"x", "y", "z", "rotation_x", "rotation_y", "rotation_z", "scale"};
    const double values[7] = {move[0], move[1], move[2], degrees[0], degrees[1], degrees[2], scale};
    for (int i = 0; i < 7; ++i)
        ASSERT_EQ(0, model.setAttribute(names[i], values[i])) << names[i];
}

class PlacedCube : public testing::Test {
protected:
    void SetUp() override { blacken(); }
    void blacken() {  // every face's texture read afresh from a black file
        writeFile(file, painttest::makeBmp(kSize, kSize, 0));
        for (GLuint name = 1; name <= 6; ++name) {
            delete cube.textures[name];
            ASSERT_NE(nullptr, cube.textures[name] = Image::load(&file));
        }
    }

    ScratchDir dir;
    std::string file = dir.path("black.bmp");
    TestCube cube;
    BrushModel brush{"brush"};
};

// A dab paints the texels the scene shows under it, where a pick by ray or nearest point reads the colour back.
TEST_F(PlacedCube, the_brush_paints_the_texels_under_it_in_the_scene_where_rays_and_picks_find_them) {
    const struct {
        double move[3], degrees[3], scale, upright[3];
        double onFace[3], radius, solidRadius;  // the brush, at a point of the model's own
        int axis, side;                         // the face the point is on
        int mirror = 0;                         // the brush's mirror: the point reflected on that axis too
    } cases[] = {
        // Turned a quarter about y and doubled, the model's +z face is the scene's x = 2 face.
        {{0, 0, 0}, {0, 90, 0}, 2, {0, 0, 0}, {-0.2, 0.25, 1}, 1.0, 0.6, 2, 1},
        {{3, -1, 2}, {30, -20, 45}, 0.5, {0, 0, 0}, {0.2, -0.3, -1}, 0.3, 0.18, 2, 0},
        // Stood upright by a turn of its own, then turned by its attributes.
        {{0, 1, 0}, {0, 90, 0}, 1.5, {-90, 0, -90}, {1, 0.3, -0.4}, 0.6, 0.4, 0, 1},
        // Mirrored across x = 0 of the model as it stands upright, however it is turned and moved.
        {{3, -1, 2}, {30, -20, 45}, 0.5, {-90, 0, -90}, {-0.5, 0.3, 1}, 0.2, 0.12, 2, 1, 1},
    };
    for (const auto& c : cases) {
        blacken();
        cube.setUprightTurn(c.upright[0], c.upright[1], c.upright[2]);
        const ModelTransform placement(c.move, c.degrees, c.scale, c.upright);
        double at[3], reflected[3], mirrored[3] = {c.onFace[0], c.onFace[1], c.onFace[2]};
        placement.toScene(c.onFace, at);
        if (c.mirror) {
            const double none[3] = {0, 0, 0};
            const ModelTransform standing(none, none, 1.0, c.upright);
            double upright[3];
            standing.toScene(c.onFace, upright);
            upright[c.mirror - 1] = -upright[c.mirror - 1];
            standing.toModel(upright, mirrored);
        }
        placement.toScene(mirrored, reflected);
        place(cube, c.move, c.degrees, c.scale);
        for (auto [name, value] : {std::pair{"x", at[0]},
                                   {"y", at[1]},
                                   {"z", at[2]},
                                   {"dim1", c.radius},
                                   {"solid_dim1", c.solidRadius},
                                   {"mirror", double(c.mirror)}})
            brush.setAttribute(name, value);
        cube.paintModel(&brush);

        const GLuint face = 2 * c.axis + c.side + 1;
        ASSERT_EQ(1u, cube.lastPaintChanges().size());  // that face only
        EXPECT_EQ(face, cube.lastPaintChanges().begin()->first);
        const double margin = 1.5 * 2.0 / (kSize - 1) * c.scale;  // a texel and a half, in the scene
        int painted = 0, solid = 0;
        for (GLuint name = 1; name <= 6; ++name)
            for (int col = 0; col < kSize; ++col)
                for (int row = 0; row < kSize; ++row) {
                    unsigned char px[3];
                    ASSERT_EQ(1, cube.textures[name]->get(col, row, px));
                    if (name != face) {
                        EXPECT_EQ(0, px[0] | px[1] | px[2]) << "face " << name;
                        continue;
                    }
                    double local[3], scene[3];  // the point at the texel's middle
                    local[c.axis] = c.side ? 1.0 : -1.0;
                    local[(c.axis + 1) % 3] = 2.0 * (col + 0.5) / (kSize - 1) - 1;
                    local[(c.axis + 2) % 3] = 2.0 * (row + 0.5) / (kSize - 1) - 1;
                    placement.toScene(local, scene);
                    double dist = HUGE_VAL;  // from the nearer centre
                    for (const double* centre : {at, reflected})
                        dist = std::fmin(dist, std::sqrt((scene[0] - centre[0]) * (scene[0] - centre[0]) +
                                                         (scene[1] - centre[1]) * (scene[1] - centre[1]) +
                                                         (scene[2] - centre[2]) * (scene[2] - centre[2])));
                    if (dist < c.solidRadius - margin) {
                        EXPECT_EQ(127, px[0]) << col << "," << row << " at " << dist;
                        ++solid;
                    }
                    if (dist < c.radius - margin) {
                        painted += px[0] > 0;
                    } else if (dist > c.radius + margin) {
                        EXPECT_EQ(0, px[0]) << col << "," << row << " at " << dist;
                    }
                }
        EXPECT_GT(solid, 20);
        EXPECT_GT(painted, solid);

        double outside[3] = {c.onFace[0], c.onFace[1], c.onFace[2]}, from[3];
        outside[c.axis] += c.side ? 3.0 : -3.0;
        outside[(c.axis + 1) % 3] += 0.3;  // slanting in
        placement.toScene(outside, from);
        SurfaceProbe probe(cube);
        SurfaceRay::Hit hit;
        ASSERT_TRUE(probe.underRay(from, at, hit));
        EXPECT_EQ(face, hit.triangle->getTexture());
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(at[k], hit.point[k], 1e-9) << k;
        const double beside[3] = {at[0] + 0.05, at[1] + 0.05, at[2] + 0.05};
        SurfaceRay::Hit near;
        ASSERT_TRUE(probe.nearest(beside, c.radius, near));
        for (const SurfaceRay::Hit* found : {&hit, &near}) {
            double rgb[3] = {0, 0, 0};
            ASSERT_TRUE(probe.colourAt(*found, rgb));
            for (double v : rgb)
                EXPECT_DOUBLE_EQ(127 / 255.0, v);
        }
        const double away[3] = {from[0] + 10, from[1], from[2]};  // past the cube
        EXPECT_FALSE(probe.underRay(from, away, hit));
    }
}

// Motion events 0.18 apart drag a brush of radius 0.06: the dabs between them leave no gap, in one undo step.
TEST_F(PlacedCube, a_quick_drag_paints_a_line_and_is_one_step) {
    PaintSession session;
    PaintRecorder* previous = paint_recorder;
    paint_recorder = &session;
    for (auto [name, value] : {std::pair{"dim1", 0.06}, {"solid_dim1", 0.03}})
        brush.setAttribute(name, value);
    const int row = 17;
    const double y = 2.0 * (row + 0.5) / (kSize - 1) - 1, start[3] = {-0.9, y, 1.0};
    DragStroke stroke;
    stroke.jumpTo(brush, start);
    for (int i = 1; i <= 10; ++i) {
        const double to[3] = {-0.9 + 0.18 * i, y, 1.0};
        stroke.moveTo(brush, to, &cube, &session);
    }
    session.endDrag();
    paint_recorder = previous;
    std::vector<int> gaps;
    for (int col = 0; col < kSize; ++col) {
        const double x = 2.0 * (col + 0.5) / (kSize - 1) - 1;
        unsigned char px[3];
        ASSERT_EQ(1, cube.textures[6]->get(col, row, px));
        if (x > -0.9 && x < 0.9 && px[0] == 0)
            gaps.push_back(col);
    }
    EXPECT_TRUE(gaps.empty()) << gaps.size() << " unpainted, first at column " << gaps.front();
    const auto find = [this](unsigned long long serial) { return serial == cube.serial() ? &cube : nullptr; };
    EXPECT_EQ("undo: paint stroke on model 'cube', skin 6", session.undo(find).message);
    EXPECT_EQ("nothing to undo", session.undo(find).message);
}

// The diagonal two triangles share takes a dab's half opacity once, not twice (three quarters).
TEST_F(PlacedCube, a_dab_blends_the_edge_two_triangles_share_once) {
    for (auto [name, value] : {std::pair{"z", 1.0}, {"dim1", 0.6}, {"solid_dim1", 0.6}, {"opacity", 0.5}})
        brush.setAttribute(name, value);
    cube.paintModel(&brush);
    int diagonal = 0;
    for (int col = 0; col < kSize; ++col)
        for (int row = 0; row < kSize; ++row) {
            unsigned char px[3];
            ASSERT_EQ(1, cube.textures[6]->get(col, row, px));  // the +z face
            EXPECT_TRUE(px[0] == 0 || px[0] == 127) << col << "," << row << ": " << int(px[0]);
            diagonal += col == row && px[0] == 127;
        }
    EXPECT_GT(diagonal, 8);
}

TEST_F(PlacedCube, files_carry_the_placement_marked_as_upright) {
    const std::string saved = dir.path("saved.xml");
    cube.setAttribute("rotation_y", 30);
    cube.setAttribute("scale", 0.25);
    ASSERT_TRUE(cube.saveAttributes(saved.c_str()));
    const std::string text = readFile(saved);
    for (const char* line :
         {"<cube rotations=\"upright\">", "<attribute name=\"rotation_x\" value=\"0.000000\" />",
          "<attribute name=\"rotation_y\" value=\"30.000000\" />",
          "<attribute name=\"rotation_z\" value=\"0.000000\" />", "<attribute name=\"scale\" value=\"0.250000\" />"})
        EXPECT_NE(std::string::npos, text.find(line)) << line;
}

using Values = std::vector<std::pair<const char*, double>>;

// Cube: handle 1 moves, handle 2 at (1, 1, 1) scales along it; brush: handle 1 sizes dim1, 2 solid_dim1; all limited.
TEST_F(PlacedCube, handles_move_scale_and_size_by_the_drag_and_stop_at_the_limits) {
    const double third = 1.0 / 3.0;
    const struct {
        bool onBrush;
        Values set;  // set first, each accepted
        unsigned handle;
        double motion[3];
        Values expected;
    } drags[] = {
        {false, {}, 1, {1, -2, 0.5}, {{"x", 1}, {"y", -2}, {"z", 0.5}, {"scale", 1}}},
        {false, {{"rotation_y", 90}, {"scale", 2}, {"x", 5}}, 1, {1, 0, 0}, {{"x", 6}, {"scale", 2}}},
        {false, {}, 2, {1, 1, 1}, {{"scale", 2}, {"x", 0}}},
        {false, {}, 2, {1, -1, 0}, {{"scale", 1}}},  // across the corner's direction
        {false, {{"x", 5}, {"scale", 2}}, 2, {-1, -1, -1}, {{"scale", 1}, {"x", 5}}},
        {false, {{"rotation_z", 90}}, 2, {-1, 1, 1}, {{"scale", 2}}},  // the corner turned to (-1, 1, 1)
        {false, {{"rotation_z", 90}}, 2, {1, 1, 1}, {{"scale", 1 + third}}},
        {false, {}, 2, {-3, -3, -3}, {{"scale", 1e-6}}},  // through the centre: scale's limit
        {false, {}, 3, {1, 1, 1}, {{"x", 0}, {"scale", 1}}},
        {true, {}, 1, {0.5, 3, 0}, {{"dim1", 1.5}, {"solid_dim1", 0.6}, {"x", 0}}},
        {true, {}, 2, {-0.2, 0, 0}, {{"solid_dim1", 0.8}, {"dim1", 1}}},
        {true, {}, 2, {-1, 0, 0}, {{"solid_dim1", 1}, {"dim1", 1}}},        // stops at the outer radius
        {true, {}, 1, {-0.7, 0, 0}, {{"dim1", 0.3}, {"solid_dim1", 0.3}}},  // and comes down with it
        {true, {}, 1, {-5, 0, 0}, {{"dim1", 1e-6}, {"solid_dim1", 1e-6}}},
        {true, {{"x", 4}, {"dim1", 2}}, 1, {0.25, 0, 0}, {{"dim1", 2.25}}},
        {true, {}, 3, {1, 1, 1}, {{"dim1", 1}, {"solid_dim1", 0.6}}},
    };
    for (const auto& row : drags) {
        const std::string what = "drag row " + std::to_string(&row - drags);
        TestCube model;
        BrushModel sizer("brush");
        AttributedModel& target = row.onBrush ? static_cast<AttributedModel&>(sizer) : model;
        for (const auto& value : row.set)
            ASSERT_EQ(0, target.setAttribute(value.first, value.second)) << what << " " << value.first;
        if (row.onBrush)
            sizer.adjustHandle(row.handle, row.motion[0], row.motion[1], row.motion[2]);
        else
            model.moveHandleInScene(row.handle, row.motion[0], row.motion[1], row.motion[2]);
        for (const auto& value : row.expected)
            EXPECT_NEAR(value.second, target.getAttribute(value.first), 1e-12) << what << " " << value.first;
    }

    // Set refuses what adjust stops at; limits are inclusive; an unknown attribute is -1; turns are unbounded.
    const struct {
        bool onBrush, isSet;
        const char* name;
        double value;
        int result;
        Values expected;
    } limits[] = {
        {true, true, "opacity", 1.0000001, 1, {{"opacity", 0.5}}},  // refused, not clamped
        {true, true, "wings", 1, -1, {}},
        {true, false, "wings", 1, -1, {}},
        {true, true, "opacity", -0.1, 1, {{"opacity", 0.5}}},
        {true, true, "green", 0, 0, {{"green", 0}}},
        {true, true, "dim1", 0, 1, {{"dim1", 1}}},
        {true, true, "dim2", -1, 1, {{"dim2", 1}}},
        {true, true, "solid_dim1", 1.01, 1, {{"solid_dim1", 0.6}}},
        {true, true, "solid_dim1", 1, 0, {{"solid_dim1", 1}}},
        {true, true, "dim1", 0.4, 0, {{"dim1", 0.4}, {"solid_dim1", 0.4}}},
        {true, false, "blue", 4, 0, {{"blue", 1}}},
        {true, false, "opacity", -4, 0, {{"opacity", 0}}},
        {true, false, "solid_dim1", 4, 0, {{"solid_dim1", 1}}},
        {true, false, "dim1", -4, 0, {{"dim1", 1e-6}, {"solid_dim1", 1e-6}}},
        {true, true, "mirror", 4, 1, {{"mirror", 0}}},
        {true, false, "mirror", 5, 0, {{"mirror", 3}}},
        {true, true, "bleed", -1, 1, {{"bleed", 2}}},
        {true, false, "bleed", 40, 0, {{"bleed", 16}}},
        {false, true, "scale", 0, 1, {{"scale", 1}}},
        {false, true, "scale", 1e-6, 0, {{"scale", 1e-6}}},
        {false, true, "scale", 40, 0, {{"scale", 40}}},
        {false, false, "scale", -5, 0, {{"scale", 1e-6}}},
        {false, true, "rotation_x", -1e6, 0, {{"rotation_x", -1e6}}},
        {false, false, "rotation_z", -0.5, 0, {{"rotation_z", -0.5}}},
    };
    for (const auto& row : limits) {
        const std::string what = "limit row " + std::to_string(&row - limits);
        TestCube model;
        BrushModel sizer("brush");
        AttributedModel& target = row.onBrush ? static_cast<AttributedModel&>(sizer) : model;
        EXPECT_EQ(row.result,
                  row.isSet ? target.setAttribute(row.name, row.value) : target.adjustAttribute(row.name, row.value))
            << what;
        for (const auto& value : row.expected)
            EXPECT_DOUBLE_EQ(value.second, target.getAttribute(value.first)) << what << " " << value.first;
    }
}

TEST_F(PlacedCube, drawn_with_the_matrix_painting_uses) {
    if (!painttest::ensureGlContext())
        GTEST_SKIP() << "no X display";
    const double move[3] = {1.5, -2, 0.25}, turn[3] = {30, -20, 45}, upright[3] = {-90, 0, -90};
    place(cube, move, turn, 0.5);
    cube.setUprightTurn(upright[0], upright[1], upright[2]);
    double expected[16];
    ModelTransform(move, turn, 0.5, upright).matrix(expected);
    float placed[16];
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    cube.applyTransform();
    glGetFloatv(GL_MODELVIEW_MATRIX, placed);
    glLoadIdentity();
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(expected[i], placed[i], 1e-6) << i;
}

// Whether a handle is picked in a tiny square of the scene around (x, y), seen along -z.
bool handlePickedAt(TestCube& cube, double x, double y) {
    GLuint buffer[64];
    glSelectBuffer(64, buffer);
    glRenderMode(GL_SELECT);
    glInitNames();
    glPushName(0);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(x - 0.02, x + 0.02, y - 0.02, y + 0.02, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    cube.drawHandles(GL_SELECT);
    const GLint hits = glRenderMode(GL_RENDER);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    return hits == 1 && buffer[0] == 1 && buffer[3] == 1;
}

TEST_F(PlacedCube, handles_are_picked_and_moved_where_the_placement_puts_them) {
    if (!painttest::ensureGlContext())
        GTEST_SKIP() << "no X display";
    cube.handles[0] = {1, 0, 0};  // the move handle, off the origin to show the turn
    cube.enableHandles();
    const double move[3] = {5, 0, 0}, turn[3] = {0, 0, 90};
    place(cube, move, turn, 2);
    EXPECT_TRUE(handlePickedAt(cube, 5, 2));  // (1, 0, 0) turned to (0, 1, 0), doubled, moved
    EXPECT_TRUE(handlePickedAt(cube, 5.2, 2));
    EXPECT_FALSE(handlePickedAt(cube, 5.35, 2));  // radius 0.25 in the scene, not 0.5
    EXPECT_FALSE(handlePickedAt(cube, 6, 0));     // where a plain translation would put it
    cube.handles.push_back({1, 0, 0});
    cube.setUprightTurn(0, 0, -90);      // undoing the turn: the scene's +y is the model's +y, twice as long
    cube.moveHandleInScene(3, 0, 2, 0);  // a further handle
    cube.moveHandleInScene(4, 9, 9, 9);  // no such handle
    EXPECT_EQ((std::vector<double>{1, 1, 0}),
              (std::vector<double>{cube.handles[2].x, cube.handles[2].y, cube.handles[2].z}));
    EXPECT_EQ(5, cube.getAttribute("x"));
}

}  // namespace
