// Decodes MD2 files from their bytes. The whole header is checked against the
// file's size before any section is touched: counts, offsets and the frame
// size come from the file and are trusted only once every section they
// describe is known to lie inside it. Sizes are multiplied in 64 bits.
#include "plugins/keyform/Md2File.h"

#include <cstring>

#include "model/io/FileContents.h"
#include "paint/image/LittleEndian.h"

namespace {

int16_t readShort(const uint8_t* p) {
    return static_cast<int16_t>(readLe16(p));
}

int32_t readInt(const uint8_t* p) {
    return static_cast<int32_t>(readLe32(p));
}

float readFloat(const uint8_t* p) {
    uint32_t bits = readLe32(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void decodeHeader(const uint8_t* p, Md2File::Header* h) {
    h->ident = readInt(p + 0);
    h->version = readInt(p + 4);
    h->skinwidth = readInt(p + 8);
    h->skinheight = readInt(p + 12);
    h->framesize = readInt(p + 16);
    h->num_skins = readInt(p + 20);
    h->num_xyz = readInt(p + 24);
    h->num_st = readInt(p + 28);
    h->num_tris = readInt(p + 32);
    h->num_glcmds = readInt(p + 36);
    h->num_frames = readInt(p + 40);
    h->ofs_skins = readInt(p + 44);
    h->ofs_st = readInt(p + 48);
    h->ofs_tris = readInt(p + 52);
    h->ofs_frames = readInt(p + 56);
    h->ofs_glcmds = readInt(p + 60);
    h->ofs_end = readInt(p + 64);
}

bool countPlausible(int32_t count) {
    return count >= 0 && count <= Md2File::kMaxCount;
}

}  // namespace

bool Md2File::sectionFits(int32_t offset, int64_t count, int64_t recordSize, size_t fileSize) {
    // An empty section lies nowhere, so its offset does not matter.
    if (count == 0)
        return true;
    if (offset < 0)
        return false;
    // Counts and sizes are already capped, so the product stays far below 2^63.
    return static_cast<uint64_t>(offset) + static_cast<uint64_t>(count * recordSize) <= fileSize;
}

const char* Md2File::implausibility(const Header& h, size_t fileSize) {
    const int32_t counts[] = {h.num_skins, h.num_xyz, h.num_st, h.num_tris, h.num_glcmds, h.num_frames};
    for (int32_t count : counts)
        if (!countPlausible(count))
            return "damaged: a count out of range";
    // Texture coordinates are divided by the skin size.
    if (h.num_st > 0 && (h.skinwidth <= 0 || h.skinheight <= 0))
        return "damaged: no skin size";
    if (h.framesize < static_cast<int64_t>(kFrameHeadBytes) + 4 * static_cast<int64_t>(h.num_xyz))
        return "damaged: frames too small for their vertices";
    // The first frame is read even when the header claims none.
    const int64_t frames = h.num_frames > 0 ? h.num_frames : 1;
    if (!sectionFits(h.ofs_skins, h.num_skins, kSkinNameBytes, fileSize) ||
        !sectionFits(h.ofs_st, h.num_st, 4, fileSize) || !sectionFits(h.ofs_tris, h.num_tris, 12, fileSize) ||
        !sectionFits(h.ofs_frames, frames, h.framesize, fileSize))
        return "damaged: sections beyond the end of the file";
    return nullptr;
}

Md2File::Frame Md2File::decodeFrame(const uint8_t* frame, int32_t numXyz) {
    Frame out;
    float scale[3], translate[3];
    for (int k = 0; k < 3; ++k) {
        scale[k] = readFloat(frame + 4 * k);
        translate[k] = readFloat(frame + 12 + 4 * k);
    }
    const char* name = reinterpret_cast<const char*>(frame + 24);
    out.name.assign(name, strnlen(name, 16));
    for (int32_t i = 0; i < numXyz; ++i) {
        const uint8_t* v = frame + kFrameHeadBytes + 4 * static_cast<size_t>(i);
        Vertex vertex;
        for (int k = 0; k < 3; ++k)
            vertex.pos[k] = static_cast<float>(v[k]) * scale[k] + translate[k];
        vertex.lightnormalindex = v[3];
        out.vertices.push_back(vertex);
    }
    return out;
}

Md2File::Result Md2File::fail(Result result, const std::string& why) {
    *this = Md2File();
    problem = why;
    return result;
}

Md2File::Result Md2File::decode(const uint8_t* bytes, size_t size) {
    *this = Md2File();
    if (!bytes || size < 8)
        return fail(kCorrupt, "damaged: shorter than a header");
    // Either mark is enough: files with one of them damaged are still read.
    if (readInt(bytes) != kMagic && readInt(bytes + 4) != kVersion)
        return fail(kNotMd2, "not an MD2 file");
    if (size < kHeaderBytes)
        return fail(kCorrupt, "damaged: shorter than a header");
    Header h;
    decodeHeader(bytes, &h);
    if (const char* why = implausibility(h, size))
        return fail(kCorrupt, why);

    Md2File md2;
    md2.header = h;
    for (int32_t i = 0; i < h.num_skins; ++i) {
        const char* record = reinterpret_cast<const char*>(bytes + h.ofs_skins + i * kSkinNameBytes);
        // A name filling its whole record has no terminator.
        md2.skins.emplace_back(record, strnlen(record, kSkinNameBytes));
    }
    for (int32_t i = 0; i < h.num_st; ++i) {
        const uint8_t* p = bytes + h.ofs_st + 4 * static_cast<size_t>(i);
        md2.texCoords.push_back({readShort(p), readShort(p + 2)});  // s, t
    }
    for (int32_t i = 0; i < h.num_tris; ++i) {
        const uint8_t* p = bytes + h.ofs_tris + 12 * static_cast<size_t>(i);
        Triangle tri;
        for (int j = 0; j < 3; ++j) {
            tri.index_xyz[j] = readShort(p + 2 * j);
            tri.index_st[j] = readShort(p + 6 + 2 * j);
        }
        md2.triangles.push_back(tri);
    }
    const int32_t frameCount = h.num_frames > 0 ? h.num_frames : 1;
    for (int32_t f = 0; f < frameCount; ++f)
        md2.frames.push_back(decodeFrame(bytes + h.ofs_frames + static_cast<size_t>(f) * h.framesize, h.num_xyz));
    md2.vertices = md2.frames.front().vertices;
    *this = std::move(md2);
    return kRead;
}

Md2File::Result Md2File::read(const char* path) {
    *this = Md2File();
    const FileContents file = FileContents::read(path, FileContents::kMd2Limit);
    if (file.status == FileContents::kOpenFailed)
        return fail(kMissing, std::strerror(file.error));
    // No regular file is read at all, so a FIFO cannot block nor a device run on.
    if (file.status == FileContents::kNotRegular || file.status == FileContents::kTooLarge)
        return fail(kCorrupt, file.reason());
    // A file that could not be read through holds no bytes: too short for a header.
    return decode(reinterpret_cast<const uint8_t*>(file.bytes.data()), file.bytes.size());
}
