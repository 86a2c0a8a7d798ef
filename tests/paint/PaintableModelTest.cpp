// Skin loading, saving and texture queues of the paintable model, without
// OpenGL: textures are handed to the model directly.
#include <gtest/gtest.h>

#include "tests/paint/TestPaintable.h"

namespace {

TEST(PaintableModel, texture_path_under_a_base_keeps_the_last_slash)
{
    EXPECT_EQ("models/m//skin.pcx", PaintableModel::texturePath("x/y/skin.pcx", "models/m"));
    EXPECT_EQ("models/m/skin.pcx", PaintableModel::texturePath("skin.pcx", "models/m"));
    EXPECT_EQ("x/y/skin.pcx", PaintableModel::texturePath("x/y/skin.pcx", nullptr));
}

TEST(PaintableModel, first_skin_of_an_empty_model_waits_for_draw)
{
    TestPaintable model;
    EXPECT_EQ(1, model.loadTexture(2, "ignored.bmp"));
    EXPECT_TRUE(model.texturesToCreate.empty());
    EXPECT_EQ(1, model.loadTexture(1, "missing.bmp"));  // success now; the file is read later
    EXPECT_EQ((std::vector<std::string>{"missing.bmp"}), model.texturesToCreate);
}

TEST(PaintableModel, skin_reload_replaces_picture_and_always_queues)
{
    painttest::ScratchDir dir;
    TestPaintable model;
    Image* image = model.giveTexture(4, 4, 2, 10, dir);
    ASSERT_NE(nullptr, image);
    painttest::BmpSpec same;
    same.width = 4;
    same.height = 2;
    same.fill = 99;
    painttest::writeFile(dir.path("same.bmp"), painttest::makeBmp(same));
    painttest::BmpSpec other = same;
    other.width = 8;
    painttest::writeFile(dir.path("other.bmp"), painttest::makeBmp(other));

    EXPECT_EQ(1, model.loadTexture(4, dir.path("same.bmp").c_str()));
    unsigned char px[3];
    image->get(3, 1, px);
    EXPECT_EQ(99, px[0]);
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, model.loadTexture(4, dir.path("other.bmp").c_str()));
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStdout().find("dimension mismatch"));
    EXPECT_EQ((std::vector<GLuint>{4, 4}), model.texturesToReload);

    EXPECT_EQ(1, model.loadTexture(1, dir.path("same.bmp").c_str()));  // no texture 1, not empty
    EXPECT_TRUE(model.texturesToCreate.empty());
    EXPECT_EQ(2u, model.texturesToReload.size());
}

TEST(PaintableModel, saving_skins)
{
    painttest::ScratchDir dir;
    TestPaintable model;
    model.giveTexture(9, 4, 2, 50, dir);
    model.giveTexture(3, 4, 2, 60, dir);
    EXPECT_EQ(0, model.saveTexture(5, dir.path("x.bmp").c_str()));
    EXPECT_EQ(1, model.saveTexture(3, dir.path("copy.bmp").c_str()));
    EXPECT_EQ(painttest::readFile(dir.path("tex3.bmp")), painttest::readFile(dir.path("copy.bmp")));

    testing::internal::CaptureStdout();
    EXPECT_EQ(1, model.saveTextures());
    EXPECT_EQ("textures.size() = 2\ncalled 1 time(s)\nsaving image: " + dir.path("tex3.bmp") +
                  "\ncalled 2 time(s)\nsaving image: " + dir.path("tex9.bmp") + "\n",
              testing::internal::GetCapturedStdout());

    // A skin known by its .pcx name cannot be written back; the others still are.
    std::string pcx = dir.path("tex3.pcx");
    Image* renamed = Image::load(&pcx);
    ASSERT_NE(nullptr, renamed);
    delete model.textures[3];
    model.textures[3] = renamed;
    std::remove(dir.path("tex9.bmp").c_str());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, model.saveTextures());
    testing::internal::GetCapturedStderr();
    testing::internal::GetCapturedStdout();
    EXPECT_FALSE(painttest::readFile(dir.path("tex9.bmp")).empty());
}

}  // namespace
