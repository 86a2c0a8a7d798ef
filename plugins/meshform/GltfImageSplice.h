// A glTF file (.gltf text or .glb binary) held in memory, able to swap the
// bytes of one picture it carries inside itself for new ones and give back
// the whole file, every other mesh, material, animation and extension kept.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

class GltfImageSplice {
public:
    // Reads the file's bytes; problem() says why when they are not glTF this can edit.
    explicit GltfImageSplice(const std::string& file);

    const std::string& problem() const { return problem_; }
    // The mime type ("image/png" or "image/jpeg") of the nth picture the file
    // holds itself (counting, as the importer does, only images with a
    // bufferView or a data: URI); empty when that picture is not one this can
    // replace, with problem() saying why.
    std::string mimeOf(int n);
    // The whole file with the nth held picture's bytes replaced by picture;
    // false with problem() set when it cannot be.
    bool replace(int n, const std::string& picture, std::string* out);

    static std::string base64(const std::string& bytes);

private:
    // The image entry of the nth held picture, or null.
    nlohmann::ordered_json* heldImage(int n);
    bool spliceBin(const nlohmann::ordered_json& image, const std::string& picture);
    std::string jsonText() const;

    nlohmann::ordered_json json_;
    bool parsed_ = false;
    bool binary_ = false;
    bool indented_ = false;  // text glTF written over several lines keeps that shape
    std::string bin_;        // a .glb's BIN chunk, padding included
    std::string rest_;       // chunks after BIN, kept as they were
    std::string problem_;
};
