// Reading a glTF file's stepped and spline samplers. The JSON (a .gltf, or a
// .glb's first chunk) names each sampler's accessors; their floats come from
// the .glb's binary chunk, a data: URI or a file beside the model. Nothing
// the file says is trusted: every view and accessor is checked against the
// bytes it claims before a float is read, and the floats are capped in all.
#include "plugins/meshform/GltfCurves.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "model/io/FileContents.h"

using Json = nlohmann::json;

namespace {

constexpr size_t kFileLimit = 256 << 20;  // the model and each buffer beside it

uint32_t readLe32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int k = 3; k >= 0; --k)
        value = value << 8 | static_cast<unsigned char>(bytes[at + k]);
    return value;
}

// A whole number the key holds, or fallback when absent; -1 when it holds anything else.
long long numberAt(const Json& object, const char* key, long long fallback) {
    if (!object.is_object() || !object.contains(key))
        return fallback;
    const Json& value = object[key];
    return value.is_number_unsigned() ? static_cast<long long>(std::min<uint64_t>(value.get<uint64_t>(), 1ULL << 62))
                                      : -1;
}

const Json* entry(const Json& json, const char* list, long long index) {
    if (index < 0 || !json.contains(list) || !json[list].is_array() || static_cast<size_t>(index) >= json[list].size())
        return nullptr;
    return &json[list][static_cast<size_t>(index)];
}

std::string fromBase64(const std::string& text, size_t from) {
    std::string bytes;
    uint32_t bits = 0;
    int count = 0;
    for (size_t i = from; i < text.size(); ++i) {
        const char c = text[i];
        int value;
        if (c >= 'A' && c <= 'Z')
            value = c - 'A';
        else if (c >= 'a' && c <= 'z')
            value = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            value = c - '0' + 52;
        else if (c == '+' || c == '-')
            value = 62;
        else if (c == '/' || c == '_')
            value = 63;
        else
            break;  // '=' or the end of what is base64
        bits = bits << 6 | static_cast<uint32_t>(value);
        if ((count += 6) >= 8) {
            count -= 8;
            bytes.push_back(static_cast<char>(bits >> count));
        }
    }
    return bytes;
}

// A uri's %XX escapes turned back into their bytes.
std::string unescaped(const std::string& uri) {
    std::string out;
    for (size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size() && std::isxdigit(static_cast<unsigned char>(uri[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(uri[i + 2]))) {
            out.push_back(static_cast<char>(std::stoi(uri.substr(i + 1, 2), nullptr, 16)));
            i += 2;
        } else {
            out.push_back(uri[i]);
        }
    }
    return out;
}

class Reader {
public:
    Reader(const Json& json, std::string bin, std::string folder)
        : json_(json), bin_(std::move(bin)), folder_(std::move(folder)) {}

    // The floats of accessor index, components of them per element, appended to out; false when the
    // accessor is not plain floats of that shape lying wholly inside its view and buffer.
    bool floats(long long index, size_t components, size_t* count, std::vector<float>* out);
    size_t budget = GltfCurves::kMaxFloats;

private:
    const std::string* buffer(long long index);

    const Json& json_;
    std::string bin_, folder_;
    std::map<long long, std::string> buffers_;
};

const std::string* Reader::buffer(long long index) {
    const auto known = buffers_.find(index);
    if (known != buffers_.end())
        return &known->second;
    const Json* buffer = entry(json_, "buffers", index);
    if (!buffer || !buffer->is_object())
        return nullptr;
    std::string bytes;
    if (!buffer->contains("uri")) {
        if (index != 0)
            return nullptr;
        bytes = bin_;
    } else if (!(*buffer)["uri"].is_string()) {
        return nullptr;
    } else {
        const std::string& uri = (*buffer)["uri"].get_ref<const std::string&>();
        if (uri.rfind("data:", 0) == 0) {
            const size_t comma = uri.find(',');
            if (comma == std::string::npos || uri.rfind(";base64", comma) == std::string::npos)
                return nullptr;
            bytes = fromBase64(uri, comma + 1);
        } else {
            if (uri.find("://") != std::string::npos)
                return nullptr;
            FileContents file = FileContents::read((folder_ + unescaped(uri)).c_str(), kFileLimit);
            if (file.status != FileContents::kRead)
                return nullptr;
            bytes = std::move(file.bytes);
        }
    }
    return &buffers_.emplace(index, std::move(bytes)).first->second;
}

bool Reader::floats(long long index, size_t components, size_t* count, std::vector<float>* out) {
    static const std::map<std::string, size_t> kTypes = {{"SCALAR", 1}, {"VEC3", 3}, {"VEC4", 4}};
    const Json* accessor = entry(json_, "accessors", index);
    if (!accessor || !accessor->is_object() || accessor->contains("sparse") ||
        numberAt(*accessor, "componentType", 0) != 5126 || !accessor->contains("type") ||
        !(*accessor)["type"].is_string())
        return false;
    const auto type = kTypes.find((*accessor)["type"].get<std::string>());
    const long long n = numberAt(*accessor, "count", -1);
    if (type == kTypes.end() || type->second != components || n <= 0 ||
        static_cast<unsigned long long>(n) > budget / components)
        return false;
    const Json* view = entry(json_, "bufferViews", numberAt(*accessor, "bufferView", -1));
    if (!view || !view->is_object())
        return false;
    const std::string* bytes = buffer(numberAt(*view, "buffer", -1));
    const long long viewAt = numberAt(*view, "byteOffset", 0), length = numberAt(*view, "byteLength", -1);
    const long long at = numberAt(*accessor, "byteOffset", 0), element = 4 * static_cast<long long>(components);
    long long stride = numberAt(*view, "byteStride", 0);
    if (stride == 0)
        stride = element;
    if (!bytes || viewAt < 0 || length < 0 || at < 0 || stride < element || stride > 252 ||
        static_cast<unsigned long long>(viewAt) + length > bytes->size() || at + (n - 1) * stride + element > length)
        return false;
    const char* from = bytes->data() + viewAt + at;
    for (long long i = 0; i < n; ++i)
        for (size_t k = 0; k < components; ++k) {
            float value;
            std::memcpy(&value, from + i * stride + 4 * static_cast<long long>(k), sizeof value);
            out->push_back(value);
        }
    budget -= static_cast<size_t>(n) * components;
    *count = static_cast<size_t>(n);
    return true;
}

int pathOf(const Json& target) {
    static const std::map<std::string, int> kPaths = {{"translation", GltfCurves::kTranslation},
                                                      {"rotation", GltfCurves::kRotation},
                                                      {"scale", GltfCurves::kScale},
                                                      {"weights", GltfCurves::kWeights}};
    if (!target.contains("path") || !target["path"].is_string())
        return -1;
    const auto found = kPaths.find(target["path"].get<std::string>());
    return found == kPaths.end() ? -1 : found->second;
}

// The curve of one sampler, or false when it is linear or its accessors cannot be read.
bool readCurve(Reader& reader, const Json& sampler, int path, GltfCurves::Curve* curve) {
    if (!sampler.is_object() || !sampler.contains("interpolation") || !sampler["interpolation"].is_string())
        return false;
    const std::string interpolation = sampler["interpolation"].get<std::string>();
    if (interpolation != "STEP" && interpolation != "CUBICSPLINE")
        return false;
    curve->spline = interpolation == "CUBICSPLINE";
    size_t keys = 0, values = 0;
    const size_t components = path == GltfCurves::kRotation ? 4 : path == GltfCurves::kWeights ? 1 : 3;
    if (!reader.floats(numberAt(sampler, "input", -1), 1, &keys, &curve->times) ||
        !reader.floats(numberAt(sampler, "output", -1), components, &values, &curve->values))
        return false;
    // A node's path has one value a key (three on a spline); only weights have one a morph target.
    const size_t runs = keys * (curve->spline ? 3 : 1);
    if (values % runs != 0 || values == 0 || (path != GltfCurves::kWeights && values != runs))
        return false;
    curve->width = components * (values / runs);
    return true;
}

}  // namespace

void GltfCurves::Curve::at(double time, float* out) const {
    const size_t keys = times.size();
    size_t low = 0, high = keys;
    while (high - low > 1) {
        const size_t middle = low + (high - low) / 2;
        if (times[middle] <= time)
            low = middle;
        else
            high = middle;
    }
    const size_t run = spline ? 3 : 1, value = spline ? width : 0;
    const float* v0 = &values[low * run * width + value];
    const double span = low + 1 < keys ? static_cast<double>(times[low + 1]) - times[low] : 0.0;
    if (!spline || !(span > 0.0) || !(time > times[low])) {
        std::copy(v0, v0 + width, out);
        return;
    }
    // The cubic Hermite spline from this key's value and outgoing tangent to the next key's value and
    // incoming tangent, the tangents scaled by the time between the keys.
    const double s = std::min((time - times[low]) / span, 1.0), s2 = s * s, s3 = s2 * s;
    const double h00 = 2 * s3 - 3 * s2 + 1, h10 = s3 - 2 * s2 + s, h01 = 3 * s2 - 2 * s3, h11 = s3 - s2;
    const float* out0 = v0 + width;
    const float* in1 = &values[(low + 1) * run * width];
    const float* v1 = in1 + width;
    for (size_t k = 0; k < width; ++k)
        out[k] = static_cast<float>(h00 * v0[k] + h10 * span * out0[k] + h01 * v1[k] + h11 * span * in1[k]);
}

GltfCurves GltfCurves::read(const std::string& path) {
    const size_t dot = path.find_last_of("./");
    std::string extension = dot != std::string::npos && path[dot] == '.' ? path.substr(dot + 1) : "";
    std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
    if (extension != "gltf" && extension != "glb")
        return GltfCurves();
    FileContents file = FileContents::read(path.c_str(), kFileLimit);
    if (file.status != FileContents::kRead)
        return GltfCurves();
    const size_t slash = path.rfind('/');
    return parse(file.bytes, slash == std::string::npos ? std::string() : path.substr(0, slash + 1));
}

GltfCurves GltfCurves::parse(const std::string& bytes, const std::string& folder) {
    GltfCurves curves;
    std::string text = bytes, bin;
    if (bytes.size() >= 20 && readLe32(bytes, 0) == 0x46546c67) {  // "glTF"
        const size_t length = std::min<size_t>(readLe32(bytes, 8), bytes.size()), json = readLe32(bytes, 12);
        if (length < 20 || readLe32(bytes, 16) != 0x4e4f534a || json > length - 20)  // "JSON"
            return curves;
        text = bytes.substr(20, json);
        const size_t at = 20 + json;
        if (at + 8 <= length && readLe32(bytes, at + 4) == 0x004e4942 && readLe32(bytes, at) <= length - at - 8)
            bin = bytes.substr(at + 8, readLe32(bytes, at));  // "BIN\0"
    }
    const Json json = Json::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object() || !json.contains("animations") || !json["animations"].is_array())
        return curves;
    // A node is known by its name, so a name two nodes share leaves its channels in doubt.
    std::map<std::string, int> named;
    std::vector<std::string> names;
    for (size_t n = 0; json.contains("nodes") && json["nodes"].is_array() && n < json["nodes"].size(); ++n) {
        const Json& node = json["nodes"][n];
        names.push_back(node.is_object() && node.contains("name") && node["name"].is_string()
                            ? node["name"].get<std::string>()
                            : std::string());
        ++named[names.back()];
    }
    Reader reader(json, std::move(bin), folder);
    std::set<std::pair<size_t, std::pair<std::string, int>>> seen, doubtful;
    curves.animations_ = json["animations"].size();
    for (size_t a = 0; a < curves.animations_; ++a) {
        const Json& animation = json["animations"][a];
        if (!animation.is_object() || !animation.contains("channels") || !animation["channels"].is_array())
            continue;
        for (const Json& channel : animation["channels"]) {
            const Json* target = channel.is_object() && channel.contains("target") ? &channel["target"] : nullptr;
            const long long node = target ? numberAt(*target, "node", -1) : -1;
            const int path = target && target->is_object() ? pathOf(*target) : -1;
            if (node < 0 || static_cast<size_t>(node) >= names.size() || path < 0)
                continue;
            const auto key = std::make_pair(a, std::make_pair(names[node], path));
            if (names[node].empty() || named[names[node]] > 1 || !seen.insert(key).second) {
                doubtful.insert(key);
                continue;
            }
            const Json* sampler = entry(animation, "samplers", numberAt(channel, "sampler", -1));
            Curve curve;
            if (sampler && readCurve(reader, *sampler, path, &curve))
                curves.curves_.emplace(key, std::move(curve));
        }
    }
    for (const auto& key : doubtful)
        curves.curves_.erase(key);
    return curves;
}

const GltfCurves::Curve* GltfCurves::find(size_t animation, const std::string& node, Path path) const {
    const auto found = curves_.find(std::make_pair(animation, std::make_pair(node, static_cast<int>(path))));
    return found == curves_.end() ? nullptr : &found->second;
}
