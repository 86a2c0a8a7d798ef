// Reads a model's skin files under its budget. Several skin names often lead
// to one file: it is read once, and each skin beyond the first gets its own
// copy of the picture (each is painted on its own), as long as the copies fit.
#include "plugins/keyform/SkinSet.h"

#include <algorithm>
#include <map>
#include <utility>

namespace {

// A second picture just like first, for another skin: the same messages, and a copy of its image.
Image::Decoded copyOf(const Image::Decoded& first) {
    Image::Decoded copy;
    copy.messages = first.messages;
    if (first.image)
        copy.image = first.image->copyPicture();
    return copy;
}

long long pixelsOf(const Image::Decoded& picture) {
    return picture.image ? static_cast<long long>(picture.image->width()) * picture.image->height() : 0;
}

}  // namespace

SkinSet::SkinSet(const std::vector<std::string>& files, const std::string& modelName) {
    std::map<std::string, size_t> firstOf;      // file to its first picture in pictures
    std::map<std::string, long long> pixelsIn;  // file to the pixels of its picture, once read
    std::vector<std::string> left;
    long long pixels = 0;
    for (const std::string& file : files) {
        // What did not fit once fits no better later, and is not read again.
        const auto known = pixelsIn.find(file);
        if (pictures.size() == kMaxSkins || (known != pixelsIn.end() && known->second > kMaxPixels - pixels)) {
            left.push_back(file);
            continue;
        }
        const auto seen = firstOf.find(file);
        Image::Decoded picture = seen == firstOf.end() ? Image::read(file) : copyOf(pictures[seen->second]);
        const long long size = pixelsIn[file] = pixelsOf(picture);
        if (size > kMaxPixels - pixels) {
            left.push_back(file);
            continue;
        }
        pixels += size;
        firstOf.emplace(file, pictures.size());
        pictures.push_back(std::move(picture));
    }
    if (left.empty())
        return;
    std::vector<std::string> names;  // each once, in the order first left out
    for (const std::string& file : left)
        if (std::find(names.begin(), names.end(), file) == names.end())
            names.push_back(file);
    std::string listed;
    for (const std::string& name : names)
        listed += (listed.empty() ? "" : ", ") + name.substr(name.rfind('/') + 1);
    leftOut = std::to_string(left.size()) + " skins left out of " + modelName + " (" + listed +
              "): a model holds at most " + std::to_string(kMaxSkins) + " skins and " + std::to_string(kMaxPixels) +
              " pixels of them\n";
}
