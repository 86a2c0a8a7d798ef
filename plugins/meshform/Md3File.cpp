// Decodes MD3 files from their bytes. Counts and offsets come from the file and are trusted only once
// the section they describe is known to lie inside it: the header's sections first, then each surface,
// whose offsets count from its own start and whose end leads to the next one. Sizes are multiplied in
// 64 bits after the counts are capped, so no product can wrap.
#include "plugins/meshform/Md3File.h"

#include <cmath>
#include <cstring>

#include "model/io/FileContents.h"
#include "paint/image/LittleEndian.h"

namespace {

int32_t readInt(const uint8_t* p) {
    return static_cast<int32_t>(readLe32(p));
}

float readFloat(const uint8_t* p) {
    const uint32_t bits = readLe32(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// A name filling its whole record has no terminator.
std::string readName(const uint8_t* p, size_t bytes) {
    const char* text = reinterpret_cast<const char*>(p);
    return std::string(text, strnlen(text, bytes));
}

bool inRange(int32_t count, int32_t low, int32_t high) {
    return count >= low && count <= high;
}

// Whether count records of recordSize bytes at base + offset lie inside the file.
bool fits(int64_t base, int32_t offset, int64_t count, int64_t recordSize, size_t fileSize) {
    if (count == 0)
        return true;  // an empty section lies nowhere
    if (offset < 0)
        return false;
    return base + offset + count * recordSize <= static_cast<int64_t>(fileSize);
}

// Header offsets.
constexpr size_t kFlags = 72, kNumFrames = 76, kNumTags = 80, kNumSurfaces = 84, kOfsFrames = 92, kOfsTags = 96,
                 kOfsSurfaces = 100;
// Surface header offsets, from the surface's start.
constexpr size_t kSurfName = 4, kSurfFlags = 68, kSurfFrames = 72, kSurfShaders = 76, kSurfVerts = 80, kSurfTris = 84,
                 kOfsTris = 88, kOfsShaders = 92, kOfsSt = 96, kOfsXyz = 100, kOfsEnd = 104;

}  // namespace

void Md3File::position(const Vertex& vertex, float out[3]) {
    for (int k = 0; k < 3; ++k)
        out[k] = static_cast<float>(vertex.xyz[k]) / 64.0f;
}

void Md3File::normal(const Vertex& vertex, float out[3]) {
    // Each byte is an angle in 256ths of a turn, as the game's own sine tables step.
    const double turn = 2.0 * M_PI / 256.0;
    const double lat = (vertex.normal >> 8) * turn, lng = (vertex.normal & 0xff) * turn;
    out[0] = static_cast<float>(std::cos(lat) * std::sin(lng));
    out[1] = static_cast<float>(std::sin(lat) * std::sin(lng));
    out[2] = static_cast<float>(std::cos(lng));
}

Md3File::Result Md3File::fail(Result result, const std::string& why) {
    *this = Md3File();
    problem = why;
    return result;
}

const char* Md3File::decodeSurface(const uint8_t* bytes, size_t size, int64_t at, Surface* surface, int64_t* next,
                                   int64_t* budget) const {
    if (at < 0 || at + static_cast<int64_t>(kSurfaceHeaderBytes) > static_cast<int64_t>(size))
        return "damaged: a surface beyond the end of the file";
    const uint8_t* p = bytes + at;
    if (readInt(p) != kMagic)
        return "damaged: a surface without its mark where the file places it";
    const int32_t frameCount = readInt(p + kSurfFrames), shaderCount = readInt(p + kSurfShaders);
    const int32_t vertexCount = readInt(p + kSurfVerts), triangleCount = readInt(p + kSurfTris);
    const int32_t end = readInt(p + kOfsEnd);
    if (frameCount != static_cast<int32_t>(frames.size()))
        return "damaged: a surface with another number of frames than the model";
    if (!inRange(shaderCount, 0, kMaxCount) || !inRange(vertexCount, 0, kMaxCount) ||
        !inRange(triangleCount, 0, kMaxCount))
        return "damaged: a surface count out of range";
    // Every surface ends after its own header, so walking the chain always moves forward.
    if (!fits(at, readInt(p + kOfsShaders), shaderCount, kShaderBytes, size) ||
        !fits(at, readInt(p + kOfsTris), triangleCount, 12, size) ||
        !fits(at, readInt(p + kOfsSt), vertexCount, 8, size) ||
        !fits(at, readInt(p + kOfsXyz), static_cast<int64_t>(vertexCount) * frameCount, 8, size) ||
        end < static_cast<int32_t>(kSurfaceHeaderBytes) || at + end > static_cast<int64_t>(size))
        return "damaged: surface sections beyond the end of the file";
    // The sections of an intact file never overlap, so together they fit in it; surfaces that all name the
    // same bytes would otherwise multiply them.
    *budget -= kShaderBytes * static_cast<int64_t>(shaderCount) + 12 * static_cast<int64_t>(triangleCount) +
               8 * static_cast<int64_t>(vertexCount) * (1 + frameCount);
    if (*budget < 0)
        return "damaged: surfaces overlap";

    surface->name = readName(p + kSurfName, kNameBytes);
    surface->flags = readInt(p + kSurfFlags);
    surface->vertexCount = vertexCount;
    for (int32_t i = 0; i < shaderCount; ++i) {
        const uint8_t* s = p + readInt(p + kOfsShaders) + kShaderBytes * static_cast<size_t>(i);
        surface->shaders.push_back({readName(s, kNameBytes), readInt(s + kNameBytes)});
    }
    for (int32_t i = 0; i < triangleCount; ++i) {
        const uint8_t* t = p + readInt(p + kOfsTris) + 12 * static_cast<size_t>(i);
        std::array<int32_t, 3> corners = {readInt(t), readInt(t + 4), readInt(t + 8)};
        for (int32_t index : corners)
            if (index < 0 || index >= vertexCount)
                return "damaged: a triangle names a vertex its surface does not have";
        surface->triangles.push_back(corners);
    }
    for (int32_t i = 0; i < vertexCount; ++i) {
        const uint8_t* st = p + readInt(p + kOfsSt) + 8 * static_cast<size_t>(i);
        const std::array<float, 2> coords = {readFloat(st), readFloat(st + 4)};
        // They reach the brush's arithmetic, where a NaN or an infinity has no place on the skin.
        if (!std::isfinite(coords[0]) || !std::isfinite(coords[1]))
            return "damaged: texture coordinates that are not numbers";
        surface->texCoords.push_back(coords);
    }
    const uint8_t* v = p + readInt(p + kOfsXyz);
    surface->vertices.resize(static_cast<size_t>(vertexCount) * frameCount);
    for (Vertex& vertex : surface->vertices) {
        for (int k = 0; k < 3; ++k)
            vertex.xyz[k] = static_cast<int16_t>(readLe16(v + 2 * k));
        vertex.normal = readLe16(v + 6);
        v += 8;
    }
    *next = at + end;
    return nullptr;
}

Md3File::Result Md3File::decode(const uint8_t* bytes, size_t size) {
    *this = Md3File();
    if (!bytes || size < 8)
        return fail(kCorrupt, "damaged: shorter than a header");
    // Either mark is enough: files with one of them damaged are still read.
    if (readInt(bytes) != kMagic && readInt(bytes + 4) != kVersion)
        return fail(kNotMd3, "not an MD3 file");
    if (size < kHeaderBytes)
        return fail(kCorrupt, "damaged: shorter than a header");
    const int32_t frameCount = readInt(bytes + kNumFrames), tagCount = readInt(bytes + kNumTags);
    const int32_t surfaceCount = readInt(bytes + kNumSurfaces);
    if (!inRange(frameCount, 1, kMaxFrames) || !inRange(tagCount, 0, kMaxTags) ||
        !inRange(surfaceCount, 0, kMaxSurfaces))
        return fail(kCorrupt, "damaged: a count out of range");
    const int32_t framesAt = readInt(bytes + kOfsFrames), tagsAt = readInt(bytes + kOfsTags);
    if (!fits(0, framesAt, frameCount, kFrameBytes, size) ||
        !fits(0, tagsAt, static_cast<int64_t>(tagCount) * frameCount, kTagBytes, size))
        return fail(kCorrupt, "damaged: sections beyond the end of the file");

    Md3File md3;
    md3.name = readName(bytes + 8, kNameBytes);
    md3.flags = readInt(bytes + kFlags);
    for (int32_t i = 0; i < frameCount; ++i) {
        const uint8_t* f = bytes + framesAt + kFrameBytes * static_cast<size_t>(i);
        Frame frame;
        for (int k = 0; k < 3; ++k) {
            frame.mins[k] = readFloat(f + 4 * k);
            frame.maxs[k] = readFloat(f + 12 + 4 * k);
            frame.origin[k] = readFloat(f + 24 + 4 * k);
        }
        frame.radius = readFloat(f + 36);
        frame.name = readName(f + 40, 16);
        md3.frames.push_back(frame);
    }
    for (int64_t i = 0; i < static_cast<int64_t>(tagCount) * frameCount; ++i) {
        const uint8_t* t = bytes + tagsAt + kTagBytes * static_cast<size_t>(i);
        Tag tag;
        tag.name = readName(t, kNameBytes);
        for (int k = 0; k < 3; ++k) {
            tag.origin[k] = readFloat(t + kNameBytes + 4 * k);
            for (int j = 0; j < 3; ++j)
                tag.axis[k][j] = readFloat(t + kNameBytes + 12 + 12 * k + 4 * j);
        }
        md3.tags.push_back(tag);
    }
    int64_t at = readInt(bytes + kOfsSurfaces), budget = static_cast<int64_t>(size);
    for (int32_t s = 0; s < surfaceCount; ++s) {
        Surface surface;
        if (const char* why = md3.decodeSurface(bytes, size, at, &surface, &at, &budget))
            return fail(kCorrupt, why);
        md3.surfaces.push_back(std::move(surface));
    }
    *this = std::move(md3);
    return kRead;
}

Md3File::Result Md3File::read(const char* path) {
    *this = Md3File();
    const FileContents file = FileContents::read(path, kFileLimit);
    if (file.status == FileContents::kOpenFailed)
        return fail(kMissing, std::strerror(file.error));
    // No regular file is read at all, so a FIFO cannot block nor a device run on.
    if (file.status == FileContents::kNotRegular || file.status == FileContents::kTooLarge)
        return fail(kCorrupt, file.reason());
    // A file that could not be read through holds no bytes: too short for a header.
    return decode(reinterpret_cast<const uint8_t*>(file.bytes.data()), file.bytes.size());
}
