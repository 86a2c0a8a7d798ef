// Editing one picture inside a glTF file. Only the picture's image entry (a
// data: URI) or, in a .glb, its bufferView's bytes change; views after it in
// the binary chunk move by a multiple of four so every accessor keeps its
// alignment, and the lengths that count the chunk follow. Nothing the file
// says is trusted: offsets are checked against the chunk before use.
#include "plugins/meshform/GltfImageSplice.h"

#include <cstdint>
#include <vector>

using Json = nlohmann::ordered_json;

namespace {

constexpr uint32_t kMagic = 0x46546c67;      // "glTF"
constexpr uint32_t kJsonChunk = 0x4e4f534a;  // "JSON"
constexpr uint32_t kBinChunk = 0x004e4942;   // "BIN\0"

uint32_t readLe32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int k = 3; k >= 0; --k)
        value = value << 8 | static_cast<unsigned char>(bytes[at + k]);
    return value;
}

void appendLe32(std::string* out, uint64_t value) {
    for (int k = 0; k < 4; ++k)
        out->push_back(static_cast<char>(value >> (8 * k)));
}

bool startsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// A whole number a key holds, or fallback when the key is absent; -1 when it holds anything else.
long long countAt(const Json& object, const char* key, long long fallback) {
    if (!object.is_object() || !object.contains(key))
        return fallback;
    const Json& value = object[key];
    return value.is_number_unsigned() ? static_cast<long long>(value.get<uint64_t>()) : -1;
}

std::string dataUriOf(const Json& image) {
    if (!image.contains("uri") || !image["uri"].is_string())
        return std::string();
    const std::string& uri = image["uri"].get_ref<const std::string&>();
    return startsWith(uri, "data:") ? uri : std::string();
}

}  // namespace

GltfImageSplice::GltfImageSplice(const std::string& file) {
    std::string text = file;
    if (file.size() >= 4 && readLe32(file, 0) == kMagic) {
        binary_ = true;
        if (file.size() < 20 || readLe32(file, 4) != 2 || readLe32(file, 8) > file.size() || readLe32(file, 8) < 20) {
            problem_ = "not a whole binary glTF 2 file";
            return;
        }
        const size_t length = readLe32(file, 8), jsonLength = readLe32(file, 12);
        if (readLe32(file, 16) != kJsonChunk || jsonLength > length - 20) {
            problem_ = "its first chunk is not a whole JSON chunk";
            return;
        }
        text = file.substr(20, jsonLength);
        size_t at = 20 + jsonLength;
        if (at + 8 <= length && readLe32(file, at + 4) == kBinChunk) {
            const size_t binLength = readLe32(file, at);
            if (binLength > length - at - 8) {
                problem_ = "its BIN chunk runs past the end of the file";
                return;
            }
            bin_ = file.substr(at + 8, binLength);
            at += 8 + binLength;
        }
        rest_ = file.substr(at, length - at);
    }
    indented_ = !binary_ && text.find('\n') != std::string::npos;
    json_ = Json::parse(text, nullptr, false);
    parsed_ = !json_.is_discarded() && json_.is_object();
    if (!parsed_) {
        problem_ = "its JSON does not parse";
        json_ = Json::object();
    }
}

Json* GltfImageSplice::heldImage(int n) {
    if (n < 0 || !json_.contains("images") || !json_["images"].is_array())
        return nullptr;
    for (Json& image : json_["images"]) {
        if (!image.is_object() || (!image.contains("bufferView") && dataUriOf(image).empty()))
            continue;
        if (n-- == 0)
            return &image;
    }
    return nullptr;
}

std::string GltfImageSplice::mimeOf(int n) {
    if (!parsed_)
        return std::string();
    problem_.clear();  // what an earlier question about another picture found
    const Json* image = heldImage(n);
    if (!image) {
        problem_ = "it holds no picture " + std::to_string(n);
        return std::string();
    }
    std::string mime;
    const std::string uri = dataUriOf(*image);
    if (!uri.empty()) {
        mime = uri.substr(5, uri.find_first_of(";,") - 5);
    } else if (!binary_) {
        problem_ = "picture " + std::to_string(n) + " lies in a buffer outside the file";
        return std::string();
    } else if (image->contains("mimeType") && (*image)["mimeType"].is_string()) {
        mime = (*image)["mimeType"].get<std::string>();
    }
    if (mime != "image/png" && mime != "image/jpeg") {
        problem_ = "picture " + std::to_string(n) + " is " + (mime.empty() ? "of no known type" : mime);
        return std::string();
    }
    return mime;
}

bool GltfImageSplice::replace(int n, const std::string& picture, std::string* out) {
    if (mimeOf(n).empty())
        return false;
    Json& image = *heldImage(n);
    if (!dataUriOf(image).empty())
        image["uri"] = "data:" + mimeOf(n) + ";base64," + base64(picture);
    else if (!spliceBin(image, picture))
        return false;
    std::string json = jsonText();
    if (!binary_) {
        *out = json;
        return true;
    }
    json.append((4 - json.size() % 4) % 4, ' ');
    const uint64_t length = 12 + 8 + json.size() + (bin_.empty() ? 0 : 8 + bin_.size()) + rest_.size();
    if (length > UINT32_MAX) {
        problem_ = "the file would pass 4 GiB";
        return false;
    }
    out->clear();
    appendLe32(out, kMagic);
    appendLe32(out, 2);  // version
    appendLe32(out, length);
    appendLe32(out, json.size());
    appendLe32(out, kJsonChunk);
    *out += json;
    if (!bin_.empty()) {
        appendLe32(out, bin_.size());
        appendLe32(out, kBinChunk);
        *out += bin_;
    }
    *out += rest_;
    return true;
}

bool GltfImageSplice::spliceBin(const Json& image, const std::string& picture) {
    if (!json_.contains("bufferViews")) {
        problem_ = "its picture's bufferView is missing";
        return false;
    }
    Json& views = json_["bufferViews"];
    const long long index = countAt(image, "bufferView", -1);
    Json* buffer = json_.contains("buffers") && json_["buffers"].is_array() && !json_["buffers"].empty()
                       ? &json_["buffers"][0]
                       : nullptr;
    if (!views.is_array() || index < 0 || static_cast<size_t>(index) >= views.size() || !buffer ||
        !buffer->is_object() || buffer->contains("uri")) {
        problem_ = "its picture's bufferView is not one of the file's own buffer";
        return false;
    }
    const long long offset = countAt(views[index], "byteOffset", 0), length = countAt(views[index], "byteLength", -1);
    const long long bufferLength = countAt(*buffer, "byteLength", -1);
    if (bufferLength < 0 || static_cast<size_t>(bufferLength) > bin_.size()) {
        problem_ = "its buffer is longer than the BIN chunk";
        return false;
    }
    // Each view of the buffer is the picture's (the same bytes), after it, or before it; none may overlap it.
    enum Place { kOther, kPicture, kAfter };
    std::vector<Place> places;
    for (const Json& view : views) {
        const long long at = countAt(view, "byteOffset", 0), size = countAt(view, "byteLength", -1);
        places.push_back(kOther);
        if (countAt(view, "buffer", -1) != 0)
            continue;
        if (at < 0 || size < 0 || at > bufferLength || size > bufferLength - at) {
            problem_ = "a bufferView lies outside the BIN chunk";
            return false;
        }
        if (at == offset && size == length)
            places.back() = kPicture;
        else if (at >= offset + length)
            places.back() = kAfter;
        else if (at + size > offset) {
            problem_ = "its picture shares bytes with other data";
            return false;
        }
    }
    if (places[index] != kPicture) {
        problem_ = "its picture's bufferView is not in the BIN chunk";
        return false;
    }
    // The picture is padded so that whatever follows it moves by a multiple of four.
    const long long grown = static_cast<long long>(picture.size()) - length;
    const long long pad = ((-grown) % 4 + 4) % 4, shift = grown + pad;
    bin_ = bin_.substr(0, offset) + picture + std::string(pad, '\0') + bin_.substr(offset + length);
    bin_.append((4 - bin_.size() % 4) % 4, '\0');
    for (size_t v = 0; v < views.size(); ++v) {
        if (places[v] == kAfter)
            views[v]["byteOffset"] = countAt(views[v], "byteOffset", 0) + shift;
        else if (places[v] == kPicture)
            views[v]["byteLength"] = picture.size();
    }
    (*buffer)["byteLength"] = bufferLength + shift;
    return true;
}

std::string GltfImageSplice::jsonText() const {
    return json_.dump(indented_ ? 2 : -1, ' ', false, Json::error_handler_t::replace);
}

std::string GltfImageSplice::base64(const std::string& bytes) {
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t held = bytes.size() - i < 3 ? bytes.size() - i : 3;
        uint32_t group = 0;
        for (size_t k = 0; k < 3; ++k)
            group = group << 8 | (k < held ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        for (size_t k = 0; k < 4; ++k)
            out.push_back(k <= held ? kDigits[(group >> (18 - 6 * k)) & 63] : '=');
    }
    return out;
}
