// Recovery journal files round trip exactly, and damage is refused whole, with its reason.
#include "paint/history/JournalFormat.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "paint/image/LittleEndian.h"
#include "tests/SameBytes.h"

namespace {

using Bytes = std::vector<unsigned char>;

JournalFormat::Skin sample() {
    JournalFormat::Skin skin;
    skin.modelClass = "Boxlet";
    skin.modelName = "box";
    skin.sourceFile = "/tmp/tiles2.bmp";
    skin.modelFile = "models/box";
    skin.skin = 2;
    skin.width = 100;
    skin.height = 70;
    for (TexelRect rect : {TexelRect{0, 0, 63, 63}, TexelRect{64, 64, 99, 69}}) {
        JournalFormat::Tile tile;
        tile.rect = rect;
        for (int i = 0; i < 3 * rect.width() * rect.height(); ++i)
            tile.texels.push_back(static_cast<unsigned char>(i * 7 + rect.x0));
        skin.tiles.push_back(tile);
    }
    return skin;
}

// The checksum made right again after an edit, so only the edit is wrong.
Bytes resealed(Bytes bytes) {
    writeLe32(&bytes[bytes.size() - 4], JournalFormat::crc32(bytes.data(), bytes.size() - 4));
    return bytes;
}

Bytes withByte(Bytes b, size_t at, unsigned char value, bool reseal = true) {
    b[at] = value;
    return reseal ? resealed(b) : b;
}

// Offsets in the sample: the size fields, the model file, and the first tile's x1 after the header's four texts.
const size_t kWidthAt = 12;
const size_t kModelFileAt = 20 + 4 + 6 + 4 + 3 + 4 + 15;
const size_t kFirstTileX1 = kModelFileAt + 4 + 10 + 4 + 8;

struct Case {
    const char* what;
    std::function<Bytes(Bytes)> damage;
    const char* why;     // empty: decodes to the sample
    bool older = false;  // a version 1 file: no model file, and no skin number that means anything now
};

TEST(JournalFormat, RoundTripsAndRefusesDamageWhole) {
    const Case cases[] = {
        {"intact", [](Bytes b) { return b; }, ""},
        {"empty", [](Bytes) { return Bytes(); }, "not a paint journal"},
        {"another format", [](Bytes b) { return withByte(b, 0, 'B', false); }, "not a paint journal"},
        {"a later version", [](Bytes b) { return withByte(b, 4, 3); }, "journal version 3 is not version 1 to 2"},
        {"version 1, written before skins were numbered per model",
         [](Bytes b) {
             b.erase(b.begin() + kModelFileAt, b.begin() + kModelFileAt + 4 + 10);
             return withByte(b, 4, 1);
         },
         "", true},
        {"a flipped texel", [](Bytes b) { return withByte(b, b.size() / 2, b[b.size() / 2] ^ 1, false); },
         "checksum mismatch"},
        {"cut short", [](Bytes b) { return Bytes(b.begin(), b.end() - 1); }, "checksum mismatch"},
        {"a picture of no size", [](Bytes b) { return withByte(b, kWidthAt, 0); }, "out of range"},
        {"a tile past the edge", [](Bytes b) { return withByte(b, kFirstTileX1, 100); },
         "tile 0 lies outside the picture"},
        {"a tile count too high", [](Bytes b) { return withByte(b, kFirstTileX1 - 12, 3); }, "tile 2 cut short"},
        {"bytes after the tiles",
         [](Bytes b) {
             b.insert(b.end() - 4, 9, 0);
             return resealed(b);
         },
         "9 bytes after the last tile"},
    };
    const JournalFormat::Skin written = sample();
    const Bytes bytes = JournalFormat::encode(written);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes damaged = c.damage(bytes);
        JournalFormat::Skin read;
        read.modelName = "untouched";
        std::string why;
        const bool ok = JournalFormat::decode(damaged.data(), damaged.size(), read, why);
        if (!*c.why) {
            ASSERT_TRUE(ok) << why;
            EXPECT_EQ(read.modelClass + read.modelName + read.sourceFile + "|" + read.modelFile,
                      std::string("Boxletbox/tmp/tiles2.bmp|") + (c.older ? "" : "models/box"));
            EXPECT_EQ(read.skin * 1000000 + read.width * 1000 + read.height, c.older ? 100070u : 2100070u);
            ASSERT_EQ(read.tiles.size(), written.tiles.size());
            for (size_t i = 0; i < read.tiles.size(); ++i) {
                EXPECT_TRUE(read.tiles[i].rect == written.tiles[i].rect) << "tile " << i;
                EXPECT_TRUE(sameBytes(written.tiles[i].texels, read.tiles[i].texels)) << "tile " << i;
            }
            continue;
        }
        EXPECT_FALSE(ok);
        EXPECT_NE(why.find(c.why), std::string::npos) << why;
        EXPECT_EQ(read.modelName, "untouched");
    }
}

}  // namespace
