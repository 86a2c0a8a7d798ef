// A flat 100 x 100 grid (20,000 triangles) of side 10 centred on its own
// origin in z = 0, each quad mapped to its own island of a 1024 x 1024 skin
// with bare texels around it, so a dab's edge crosses seams everywhere. The
// paint benchmarks share it; with GL, its skin becomes a texture on the first draw.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "paint/PaintableModel.h"
#include "paint/image/BmpFormat.h"
#include "paint/image/Image.h"

class IslandGrid : public PaintableModel {
public:
    static constexpr float kSide = 10.0f;
    static constexpr int kCells = 100;
    static constexpr int kSkin = 1024;
    static constexpr float kIsland = 0.8f;  // the share of its cell each quad's island spans

    // With gl false the skin is read at once under texture name 1, for painting without a window.
    explicit IslandGrid(bool gl) : PaintableModel("islands") {
        skin_ = "/tmp/velmora-bench-islands-" + std::to_string(getpid()) + ".bmp";
        const std::vector<unsigned char> pixels(3 * static_cast<size_t>(kSkin) * kSkin, 128);
        const std::vector<unsigned char> file = encodeBmp24(kSkin, kSkin, pixels.data(), 0);
        FILE* f = fopen(skin_.c_str(), "wb");
        fwrite(file.data(), 1, file.size(), f);
        fclose(f);
        addNormal(0, 0, 1);
        const float cell = 1.0f / kCells, margin = (1.0f - kIsland) / 2 * cell;
        for (int j = 0; j < kCells; ++j)
            for (int i = 0; i < kCells; ++i) {
                int v[4], tc[4];
                for (int k = 0; k < 4; ++k) {
                    const int di = k == 1 || k == 2, dj = k >= 2;
                    const float x = (i + di) * cell, y = (j + dj) * cell;
                    v[k] = addVertex((x - 0.5f) * kSide, (y - 0.5f) * kSide, 0);
                    tc[k] =
                        addTexCoord(i * cell + margin + di * kIsland * cell, j * cell + margin + dj * kIsland * cell);
                }
                const int corners[2][3] = {{0, 1, 2}, {0, 2, 3}};
                for (const auto& three : corners) {
                    const int id = addTriangle(v[three[0]], v[three[1]], v[three[2]]);
                    for (int k = 0; k < 3; ++k) {
                        setNormal(id, k, 0);
                        setTexCoord(id, k, tc[three[k]]);
                    }
                }
            }
        if (!gl) {
            Image* image = Image::load(&skin_);
            image->setTexture(1);
            textures[1] = image;
            giveTexture(1);
        }
    }
    ~IslandGrid() override { unlink(skin_.c_str()); }

    // GL thread: the skin becomes a texture of every triangle.
    void modelInit() override {
        std::vector<Image::Decoded> pictures;
        pictures.push_back(Image::read(skin_));
        GLuint texture = 0;
        adoptTextures(pictures, &texture);
        giveTexture(texture);
    }
    void forgetUploads() { texturesToReload.clear(); }

private:
    void giveTexture(GLuint texture) {
        for (unsigned int id = 0; getTriangle(id); ++id)
            setTexture(id, texture);
    }

    std::string skin_;
};
