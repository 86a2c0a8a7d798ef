// Recovery journal files, little-endian throughout: "VPJR", the version, the
// skin's number, width and height, the class, model name, source file and
// (from version 2) model file (each a length, then bytes), the tile count, each tile's x0 y0 x1 y1 and texels,
// and last a CRC-32 of all the bytes ahead of it.
#include "paint/history/JournalFormat.h"

#include <algorithm>
#include <array>
#include <utility>

#include "paint/image/LittleEndian.h"

namespace {

const unsigned char kMagic[4] = {'V', 'P', 'J', 'R'};

void appendText(std::vector<unsigned char>& bytes, const std::string& text) {
    appendLe32(bytes, static_cast<uint32_t>(text.size()));
    bytes.insert(bytes.end(), text.begin(), text.end());
}

// Reads the fields in order, refusing to step past the end.
class Reader {
public:
    Reader(const unsigned char* bytes, size_t size) : at_(bytes), left_(size) {}
    bool number(uint32_t& value) {
        if (left_ < 4)
            return false;
        value = readLe32(at_);
        at_ += 4;
        left_ -= 4;
        return true;
    }
    bool text(std::string& value) {
        uint32_t length = 0;
        if (!number(length) || length > JournalFormat::kMaxText || length > left_)
            return false;
        value.assign(reinterpret_cast<const char*>(at_), length);
        at_ += length;
        left_ -= length;
        return true;
    }
    bool block(std::vector<unsigned char>& value, size_t length) {
        if (length > left_)
            return false;
        value.assign(at_, at_ + length);
        at_ += length;
        left_ -= length;
        return true;
    }
    size_t left() const { return left_; }

private:
    const unsigned char* at_;
    size_t left_;
};

bool fail(std::string& why, const std::string& reason) {
    why = reason;
    return false;
}

}  // namespace

namespace {

// Built by the compiler: a table with a destructor could go while the writing
// thread still reads it, when the program ends in the middle of a write.
constexpr std::array<uint32_t, 256> makeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = makeCrcTable();

}  // namespace

uint32_t JournalFormat::crc32(const unsigned char* bytes, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i)
        crc = kCrcTable[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::vector<unsigned char> JournalFormat::encode(const Skin& skin) {
    std::vector<unsigned char> bytes(kMagic, kMagic + 4);
    appendLe32(bytes, kVersion);
    appendLe32(bytes, skin.skin);
    appendLe32(bytes, static_cast<uint32_t>(skin.width));
    appendLe32(bytes, static_cast<uint32_t>(skin.height));
    appendText(bytes, skin.modelClass);
    appendText(bytes, skin.modelName);
    appendText(bytes, skin.sourceFile);
    appendText(bytes, skin.modelFile);
    appendLe32(bytes, static_cast<uint32_t>(skin.tiles.size()));
    for (const Tile& tile : skin.tiles) {
        for (int v : {tile.rect.x0, tile.rect.y0, tile.rect.x1, tile.rect.y1})
            appendLe32(bytes, static_cast<uint32_t>(v));
        bytes.insert(bytes.end(), tile.texels.begin(), tile.texels.end());
    }
    appendLe32(bytes, crc32(bytes.data(), bytes.size()));
    return bytes;
}

bool JournalFormat::decode(const unsigned char* bytes, size_t size, Skin& skin, std::string& why) {
    if (size < 8 || !std::equal(kMagic, kMagic + 4, bytes))
        return fail(why, "not a paint journal");
    const uint32_t version = readLe32(bytes + 4);
    if (version < 1 || version > kVersion)
        return fail(why, "journal version " + std::to_string(version) + " is not version 1 to " +
                             std::to_string(kVersion) + ", the ones this program reads");
    if (size < 12 || crc32(bytes, size - 4) != readLe32(bytes + size - 4))
        return fail(why, "checksum mismatch (the file is damaged or cut short)");
    Reader in(bytes + 8, size - 12);
    Skin read;
    uint32_t width = 0, height = 0, count = 0;
    if (!in.number(read.skin) || !in.number(width) || !in.number(height) || !in.text(read.modelClass) ||
        !in.text(read.modelName) || !in.text(read.sourceFile) || (version > 1 && !in.text(read.modelFile)) ||
        !in.number(count))
        return fail(why, "header cut short");
    if (version == 1)
        read.skin = 0;
    if (width < 1 || height < 1 || width > uint32_t(kMaxSide) || height > uint32_t(kMaxSide))
        return fail(why, "picture size " + std::to_string(width) + "x" + std::to_string(height) + " out of range");
    read.width = static_cast<int>(width);
    read.height = static_cast<int>(height);
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t corner[4];
        if (!in.number(corner[0]) || !in.number(corner[1]) || !in.number(corner[2]) || !in.number(corner[3]))
            return fail(why, "tile " + std::to_string(i) + " cut short");
        if (corner[0] > corner[2] || corner[1] > corner[3] || corner[2] >= width || corner[3] >= height)
            return fail(why, "tile " + std::to_string(i) + " lies outside the picture");
        Tile tile;
        tile.rect.include(static_cast<int>(corner[0]), static_cast<int>(corner[1]));
        tile.rect.include(static_cast<int>(corner[2]), static_cast<int>(corner[3]));
        if (!in.block(tile.texels, 3 * static_cast<size_t>(tile.rect.width()) * tile.rect.height()))
            return fail(why, "tile " + std::to_string(i) + " cut short");
        read.tiles.push_back(std::move(tile));
    }
    if (in.left() != 0)
        return fail(why, std::to_string(in.left()) + " bytes after the last tile");
    skin = std::move(read);
    return true;
}
