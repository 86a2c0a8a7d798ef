// Decodes IQM files from their bytes. Every section is checked against the file's size before it is
// read, every name against the text block, every vertex number, joint number, parent and frame range
// against what the file holds; vertex arrays in formats the program does not use are passed over.
// Sizes are multiplied in 64 bits after their counts are capped by the file's size.
#include "plugins/meshform/IqmFile.h"

#include <cmath>
#include <cstring>

#include "model/io/FileContents.h"
#include "paint/image/LittleEndian.h"

namespace {

const char kMagic[16] = "INTERQUAKEMODEL";

// The header's fields after its mark, in file order.
enum Field {
    kVersionField,
    kFileSize,
    kFlags,
    kNumText,
    kOfsText,
    kNumMeshes,
    kOfsMeshes,
    kNumVertexArrays,
    kNumVertexes,
    kOfsVertexArrays,
    kNumTriangles,
    kOfsTriangles,
    kOfsAdjacency,
    kNumJoints,
    kOfsJoints,
    kNumPoses,
    kOfsPoses,
    kNumAnims,
    kOfsAnims,
    kNumFrames,
    kNumFrameChannels,
    kOfsFrames,
    kFieldCount = 27
};
enum ArrayType { kPosition = 0, kTexCoord = 1, kNormal = 2, kTangent = 3, kBlendIndexes = 4, kBlendWeights = 5 };
enum Format { kByte, kUByte, kShort, kUShort, kInt, kUInt, kHalf, kFloat, kDouble };

float readFloat(const uint8_t* p) {
    const uint32_t bits = readLe32(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Bytes per component; 0 for formats no array the program uses comes in.
size_t componentBytes(uint32_t format) {
    switch (format) {
        case kByte:
        case kUByte: return 1;
        case kShort:
        case kUShort: return 2;
        case kInt:
        case kUInt:
        case kFloat: return 4;
        case kDouble: return 8;
        default: return 0;
    }
}

double component(const uint8_t* p, uint32_t format) {
    switch (format) {
        case kByte: return static_cast<int8_t>(*p);
        case kUByte: return *p;
        case kShort: return static_cast<int16_t>(readLe16(p));
        case kUShort: return readLe16(p);
        case kInt: return static_cast<int32_t>(readLe32(p));
        case kUInt: return readLe32(p);
        case kFloat: return readFloat(p);
        default: {
            const uint64_t bits = readLe32(p) | static_cast<uint64_t>(readLe32(p + 4)) << 32;
            double value;
            std::memcpy(&value, &bits, sizeof value);
            return value;
        }
    }
}

class Reader {
public:
    Reader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}

    // Whether count records of recordSize bytes at offset lie inside the file.
    bool fits(uint32_t offset, uint64_t count, uint64_t recordSize) const {
        return count == 0 || (count <= size_ && recordSize <= size_ && offset + count * recordSize <= size_);
    }
    uint32_t u32(size_t at) const { return readLe32(bytes_ + at); }
    float f32(size_t at) const { return readFloat(bytes_ + at); }
    const uint8_t* at(size_t offset) const { return bytes_ + offset; }

private:
    const uint8_t* bytes_;
    size_t size_;
};

}  // namespace

IqmFile::Result IqmFile::fail(Result result, const std::string& why) {
    *this = IqmFile();
    problem = why;
    return result;
}

IqmFile::Result IqmFile::decode(const uint8_t* bytes, size_t size) {
    *this = IqmFile();
    if (!bytes || size < sizeof kMagic || std::memcmp(bytes, kMagic, sizeof kMagic) != 0)
        return fail(kNotIqm, "not an IQM file");
    if (size < kHeaderBytes)
        return fail(kCorrupt, "damaged: shorter than a header");
    const Reader file(bytes, size);
    uint32_t h[kFieldCount];
    for (int i = 0; i < kFieldCount; ++i)
        h[i] = file.u32(16 + 4 * i);
    if (h[kVersionField] != kVersion)
        return fail(kNotIqm, "not an IQM file of version 2");
    if (!file.fits(h[kOfsText], h[kNumText], 1) || !file.fits(h[kOfsMeshes], h[kNumMeshes], 24) ||
        !file.fits(h[kOfsVertexArrays], h[kNumVertexArrays], 20) ||
        !file.fits(h[kOfsTriangles], h[kNumTriangles], 12) || !file.fits(h[kOfsJoints], h[kNumJoints], 48) ||
        !file.fits(h[kOfsPoses], h[kNumPoses], 88) || !file.fits(h[kOfsAnims], h[kNumAnims], 20) ||
        !file.fits(h[kOfsFrames], static_cast<uint64_t>(h[kNumFrames]) * h[kNumFrameChannels], 2))
        return fail(kCorrupt, "damaged: sections beyond the end of the file");
    if (h[kNumJoints] > kMaxJoints || h[kNumPoses] > kMaxJoints || h[kNumFrames] > kMaxFrames)
        return fail(kCorrupt, "damaged: more than " + std::to_string(kMaxJoints) + " joints or " +
                                  std::to_string(kMaxFrames) + " frames");
    // Every vertex has a position of at least 3 bytes somewhere in the file.
    if (h[kNumVertexes] > size / 3)
        return fail(kCorrupt, "damaged: more vertices than the file holds");

    IqmFile iqm;
    const char* text = h[kNumText] ? reinterpret_cast<const char*>(file.at(h[kOfsText])) : nullptr;
    bool namesFit = true;
    auto name = [&](uint32_t offset) {
        if (offset >= h[kNumText]) {
            namesFit = namesFit && offset == 0;  // a file without text names nothing
            return std::string();
        }
        return std::string(text + offset, strnlen(text + offset, h[kNumText] - offset));
    };
    iqm.vertexCount = h[kNumVertexes];
    const uint32_t n = iqm.vertexCount;
    for (uint32_t a = 0; a < h[kNumVertexArrays]; ++a) {
        const size_t at = h[kOfsVertexArrays] + 20 * static_cast<size_t>(a);
        const uint32_t type = file.u32(at), format = file.u32(at + 8), width = file.u32(at + 12);
        const uint32_t offset = file.u32(at + 16);
        const size_t bytesEach = componentBytes(format);
        const uint32_t wanted = type == kPosition || type == kNormal ? 3 : type == kTexCoord ? 2 : 4;
        std::vector<float>* out = type == kPosition       ? &iqm.positions
                                  : type == kNormal       ? &iqm.normals
                                  : type == kTexCoord     ? &iqm.texCoords
                                  : type == kBlendWeights ? &iqm.blendWeights
                                                          : nullptr;
        if (type > kBlendWeights || type == kTangent || bytesEach == 0 || width < wanted || width > 16)
            continue;  // tangents, colours, custom data and half floats are not drawn
        if (!file.fits(offset, static_cast<uint64_t>(n) * width, bytesEach))
            return fail(kCorrupt, "damaged: a vertex array beyond the end of the file");
        if ((out && !out->empty()) || (type == kBlendIndexes && !iqm.blendIndexes.empty()))
            continue;  // the first of each kind counts
        for (uint32_t v = 0; v < n; ++v)
            for (uint32_t k = 0; k < wanted; ++k) {
                const double value =
                    component(file.at(offset + (static_cast<size_t>(v) * width + k) * bytesEach), format);
                if (type == kBlendIndexes) {
                    if (!(value >= 0 && value < h[kNumJoints]) && h[kNumJoints] > 0)
                        return fail(kCorrupt, "damaged: a vertex bound to a joint the model does not have");
                    iqm.blendIndexes.push_back(static_cast<uint16_t>(h[kNumJoints] > 0 ? value : 0));
                } else {
                    // Weights stored as bytes count in 255ths.
                    const double scaled = type == kBlendWeights && format == kUByte ? value / 255.0 : value;
                    if (!std::isfinite(scaled))
                        return fail(kCorrupt, "damaged: vertex values that are not numbers");
                    out->push_back(static_cast<float>(scaled));
                }
            }
    }
    if (iqm.positions.empty() && n > 0)
        return fail(kCorrupt, "damaged: vertices without positions");
    if (iqm.blendIndexes.empty() != iqm.blendWeights.empty()) {
        iqm.blendIndexes.clear();  // one without the other binds nothing
        iqm.blendWeights.clear();
    }
    for (uint32_t t = 0; t < h[kNumTriangles]; ++t) {
        const size_t at = h[kOfsTriangles] + 12 * static_cast<size_t>(t);
        const std::array<uint32_t, 3> corners = {file.u32(at), file.u32(at + 4), file.u32(at + 8)};
        for (uint32_t v : corners)
            if (v >= n)
                return fail(kCorrupt, "damaged: a triangle names a vertex the model does not have");
        iqm.triangles.push_back(corners);
    }
    for (uint32_t m = 0; m < h[kNumMeshes]; ++m) {
        const size_t at = h[kOfsMeshes] + 24 * static_cast<size_t>(m);
        const Mesh mesh = {name(file.u32(at)), name(file.u32(at + 4)), file.u32(at + 16), file.u32(at + 20)};
        if (mesh.firstTriangle > h[kNumTriangles] || mesh.triangleCount > h[kNumTriangles] - mesh.firstTriangle)
            return fail(kCorrupt, "damaged: a mesh of triangles the model does not have");
        iqm.meshes.push_back(mesh);
    }
    for (uint32_t j = 0; j < h[kNumJoints]; ++j) {
        const size_t at = h[kOfsJoints] + 48 * static_cast<size_t>(j);
        Joint joint;
        joint.name = name(file.u32(at));
        joint.parent = static_cast<int32_t>(file.u32(at + 4));
        // Parents come first, so the skeleton is built in one pass and holds no cycle.
        if (joint.parent >= static_cast<int32_t>(j) || joint.parent < -1)
            return fail(kCorrupt, "damaged: a joint whose parent does not come before it");
        float* values[] = {joint.translate, joint.rotate, joint.scale};
        size_t field = at + 8;
        for (int part = 0; part < 3; ++part)
            for (int k = 0; k < (part == 1 ? 4 : 3); ++k, field += 4)
                if (!std::isfinite(values[part][k] = file.f32(field)))
                    return fail(kCorrupt, "damaged: a joint placed by values that are not numbers");
        iqm.joints.push_back(joint);
    }
    uint32_t channels = 0;
    for (uint32_t p = 0; p < h[kNumPoses]; ++p) {
        const size_t at = h[kOfsPoses] + 88 * static_cast<size_t>(p);
        Pose pose;
        pose.parent = static_cast<int32_t>(file.u32(at));
        pose.mask = file.u32(at + 4) & 0x3ff;
        if (pose.parent >= static_cast<int32_t>(p) || pose.parent < -1)
            return fail(kCorrupt, "damaged: a pose whose parent does not come before it");
        for (int k = 0; k < 10; ++k) {
            pose.offset[k] = file.f32(at + 8 + 4 * k);
            pose.scale[k] = file.f32(at + 48 + 4 * k);
            // The furthest a frame can move the channel must still be a number.
            if (!std::isfinite(std::fabs(pose.offset[k]) + 65535.0f * std::fabs(pose.scale[k])))
                return fail(kCorrupt, "damaged: a pose moved by values that are not numbers");
            channels += pose.mask >> k & 1;
        }
        iqm.poses.push_back(pose);
    }
    if (h[kNumFrames] > 0 && (channels != h[kNumFrameChannels] || h[kNumPoses] != h[kNumJoints]))
        return fail(kCorrupt, "damaged: frames that do not match the skeleton's poses");
    iqm.frameCount = h[kNumFrames];
    iqm.frames.resize(static_cast<size_t>(h[kNumFrames]) * h[kNumFrameChannels]);
    for (size_t i = 0; i < iqm.frames.size(); ++i)
        iqm.frames[i] = readLe16(file.at(h[kOfsFrames] + 2 * i));
    for (uint32_t a = 0; a < h[kNumAnims]; ++a) {
        const size_t at = h[kOfsAnims] + 20 * static_cast<size_t>(a);
        const Anim anim = {name(file.u32(at)), file.u32(at + 4), file.u32(at + 8), file.f32(at + 12),
                           file.u32(at + 16)};
        if (anim.first > iqm.frameCount || anim.count > iqm.frameCount - anim.first)
            return fail(kCorrupt, "damaged: an animation of frames the model does not have");
        iqm.anims.push_back(anim);
    }
    if (!namesFit)
        return fail(kCorrupt, "damaged: a name outside the text");
    *this = std::move(iqm);
    return kRead;
}

IqmFile::Result IqmFile::read(const char* path) {
    *this = IqmFile();
    const FileContents file = FileContents::read(path, kFileLimit);
    if (file.status == FileContents::kOpenFailed)
        return fail(kMissing, std::strerror(file.error));
    if (file.status == FileContents::kNotRegular || file.status == FileContents::kTooLarge)
        return fail(kCorrupt, file.reason());
    return decode(reinterpret_cast<const uint8_t*>(file.bytes.data()), file.bytes.size());
}
