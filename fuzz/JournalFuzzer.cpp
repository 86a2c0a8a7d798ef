// Recovery journals from hostile bytes. The checksum at the end is put right
// first, or nearly every input would stop there; whatever then decodes must
// encode to a journal that decodes to the same skin, and to the same bytes
// when it was of the version written now.
#include <cstdlib>
#include <vector>

#include "paint/history/JournalFormat.h"
#include "paint/image/LittleEndian.h"

namespace {

bool sameSkin(const JournalFormat::Skin& a, const JournalFormat::Skin& b) {
    if (a.modelClass != b.modelClass || a.modelName != b.modelName || a.sourceFile != b.sourceFile ||
        a.modelFile != b.modelFile || a.skin != b.skin || a.width != b.width || a.height != b.height ||
        a.tiles.size() != b.tiles.size())
        return false;
    for (size_t i = 0; i < a.tiles.size(); ++i) {
        const TexelRect &p = a.tiles[i].rect, &q = b.tiles[i].rect;
        if (p.x0 != q.x0 || p.y0 != q.y0 || p.x1 != q.x1 || p.y1 != q.y1 || a.tiles[i].texels != b.tiles[i].texels)
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<unsigned char> bytes(data, data + size);
    if (bytes.size() >= 12) {
        std::vector<unsigned char> crc;
        appendLe32(crc, JournalFormat::crc32(bytes.data(), bytes.size() - 4));
        std::copy(crc.begin(), crc.end(), bytes.end() - 4);
    }
    JournalFormat::Skin skin, again;
    std::string why;
    if (!JournalFormat::decode(bytes.data(), bytes.size(), skin, why))
        return 0;
    const std::vector<unsigned char> written = JournalFormat::encode(skin);
    const bool current = readLe32(bytes.data() + 4) == JournalFormat::kVersion;
    if ((current && written != bytes) || !JournalFormat::decode(written.data(), written.size(), again, why) ||
        !sameSkin(skin, again))
        std::abort();
    return 0;
}
