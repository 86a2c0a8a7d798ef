// Finds a model's skins among its folder's files the way models are kept: an
// edited BMP copy beside the model first, then the file named, then the same
// stem in any image format and any case; failing all of those, the folder's
// own picture. Relies on ImageFormats for the extensions images come in.
#include "plugins/keyform/SkinSearch.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "paint/image/ImageFormats.h"

namespace {

std::string lowered(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string lastComponent(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The name up to its last dot, and the extension from it (dot included; "" when there is none).
std::pair<std::string, std::string> splitExtension(const std::string& name) {
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return {name, ""};
    return {name.substr(0, dot), name.substr(dot)};
}

bool isImage(const std::string& file) {
    const std::string ext = splitExtension(file).second;
    return !ext.empty() && isSupportedImageExtension(ext);
}

}  // namespace

SkinSearch::SkinSearch(std::vector<std::string> folderFiles, std::string folderName)
    : files_(std::move(folderFiles)), folderName_(std::move(folderName)) {
    std::sort(files_.begin(), files_.end());
}

bool SkinSearch::has(const std::string& file) const {
    return std::binary_search(files_.begin(), files_.end(), file);
}

std::string SkinSearch::byStem(const std::string& stem, const std::string& preferred) const {
    const std::string wanted = lowered(stem);
    std::string best;
    int bestRank = 3;
    for (const std::string& file : files_) {
        const auto parts = splitExtension(file);
        if (lowered(parts.first) != wanted || !isImage(file))
            continue;
        const std::string ext = lowered(parts.second);
        const int rank = ext == ".bmp" ? 0 : ext == preferred ? 1 : 2;
        if (rank < bestRank) {  // files_ is sorted: ties go to the first name
            best = file;
            bestRank = rank;
        }
    }
    return best;
}

std::string SkinSearch::findSkin(const std::string& skinName) const {
    const std::string named = lastComponent(skinName);
    if (named.empty())
        return "";
    const auto parts = splitExtension(named);
    if (has(parts.first + ".bmp"))  // an edited copy beside the model wins
        return parts.first + ".bmp";
    if (has(named))
        return named;
    return byStem(parts.first, lowered(parts.second));
}

std::string SkinSearch::findFolderSkin() const {
    std::string found = byStem(folderName_, "");
    if (found.empty())
        found = byStem("skin", "");
    if (!found.empty())
        return found;
    std::vector<std::string> images;
    for (const std::string& file : files_)
        if (isImage(file))
            images.push_back(file);
    return images.size() == 1 ? images[0] : "";
}

SkinSearch::Result SkinSearch::search(const std::vector<std::string>& skinNames) const {
    Result result;
    for (const std::string& name : skinNames) {
        if (name.empty())
            continue;
        const std::string found = findSkin(name);
        if (found.empty()) {
            result.missing.push_back(name);
            continue;
        }
        result.files.push_back(name.substr(0, name.rfind('/') + 1) + found);
        if (found != lastComponent(name))
            result.standIns.push_back({found, {name}});
    }
    if (result.files.empty()) {
        const std::string own = findFolderSkin();
        if (!own.empty()) {
            result.files.push_back(own);
            if (!result.missing.empty())
                result.standIns.push_back({own, std::move(result.missing)});
            result.missing.clear();
        } else {
            for (const std::string& file : files_)
                if (isImage(file))
                    result.unchosen.push_back(file);
        }
    }
    return result;
}
