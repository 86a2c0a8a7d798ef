// Finds the file behind a texture name a mesh model writes, the way such models travel: made on other
// machines (absolute Windows paths, backslashes, any case), with the pictures beside the model, in a
// subfolder or in a "textures" folder, sometimes converted to another image format. Every lookup is
// over a sorted listing, so a folder gives the same answer on every machine. Relies on ImageFormats for
// the extensions pictures come in.
#include "plugins/meshform/TextureSearch.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <system_error>
#include <tuple>
#include <utility>

#include "paint/image/ImageFormats.h"

namespace {

const int kLevelsAbove = 4;      // a game's root is rarely further above a model than this
const int kSubfolderDepth = 3;   // of the model's folder
const size_t kMaxFiles = 20000;  // a model opened in a huge folder still opens quickly

std::string lowered(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && lowered(a) == lowered(b);
}

std::string lastComponent(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string stemOf(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool isImage(const std::string& name) {
    const std::string ext = imageExtensionOf(name);
    return !ext.empty() && isSupportedImageExtension(ext);
}

bool isAbsolute(const std::string& path) {
    return (!path.empty() && path[0] == '/') ||
           (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':');
}

std::vector<std::string> split(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// The path with "." and "name/.." taken out; leading ".." that climb out of the model's folder and
// come straight back into it (modelDirs, its last components) are taken out too.
std::string normalised(const std::string& path, const std::vector<std::string>& modelDirs) {
    std::vector<std::string> parts;
    for (const std::string& part : split(path)) {
        if (part.empty() || part == ".")
            continue;
        if (part == ".." && !parts.empty() && parts.back() != "..")
            parts.pop_back();
        else
            parts.push_back(part);
    }
    size_t ups = 0;
    while (ups < parts.size() && parts[ups] == "..")
        ++ups;
    size_t back = 0;  // how many of the leading ".." lead back
    while (back < ups && ups <= modelDirs.size() && ups + back < parts.size() &&
           sameName(parts[ups + back], modelDirs[modelDirs.size() - ups + back]))
        ++back;
    if (back != ups)
        back = 0;  // it went somewhere else on the way
    std::string joined;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i < back || (i >= ups && i < ups + back))
            continue;
        joined += (joined.empty() ? "" : "/") + parts[i];
    }
    return joined;
}

void listFolder(const std::filesystem::path& folder, const std::string& prefix, int depth,
                std::vector<std::string>& files) {
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error), end;
    for (; !error && it != end && files.size() < kMaxFiles; it.increment(error)) {
        const std::string name = it->path().filename().string();
        const std::string relative = prefix.empty() ? name : prefix + "/" + name;
        std::error_code statError;
        if (it->is_regular_file(statError))
            files.push_back(relative);
        else if (depth > 0 && !it->is_symlink(statError) && it->is_directory(statError))
            listFolder(it->path(), relative, depth - 1, files);
    }
}

}  // namespace

TextureSearch::TextureSearch(std::string modelFile, std::vector<std::string> listing) {
    for (char& c : modelFile)
        if (c == '\\')
            c = '/';
    modelStem_ = stemOf(lastComponent(modelFile));
    for (const std::string& dir : split(normalised(folderOf(modelFile), {})))
        if (!dir.empty() && dir != "..")
            modelDirs_.push_back(dir);
    for (const std::string& file : listing)
        listing_.push_back(normalised(file, modelDirs_));
    std::sort(listing_.begin(), listing_.end());
    listing_.erase(std::unique(listing_.begin(), listing_.end()), listing_.end());
}

int TextureSearch::folderRank(const std::string& path, const std::string& namedFolder) const {
    const std::string dir = folderOf(path);
    if (!namedFolder.empty() && sameName(dir, namedFolder))
        return 0;
    if (dir.empty())
        return 1;
    if (sameName(dir, "textures"))
        return 2;
    if (dir != ".." && dir.compare(0, 3, "../") != 0)
        return 3;
    if (sameName(dir, "../textures") || lowered(dir).compare(0, 12, "../textures/") == 0)
        return 4;
    return -1;
}

std::string TextureSearch::search(const std::string& wanted, const std::string& namedFolder, bool byStem) const {
    std::string best;
    std::tuple<int, size_t, bool> bestRank(5, 0, false);
    const std::string key = byStem ? stemOf(wanted) : wanted;
    for (const std::string& file : listing_) {
        const std::string name = lastComponent(file);
        if (!sameName(byStem ? stemOf(name) : name, key) || (byStem && !isImage(name)))
            continue;
        const int rank = folderRank(file, namedFolder);
        if (rank < 0)
            continue;
        const std::tuple<int, size_t, bool> ranked(rank, std::count(file.begin(), file.end(), '/'),
                                                   name.compare(0, key.size(), key) != 0);
        if (ranked < bestRank) {  // the listing is sorted: ties go to the first name
            best = file;
            bestRank = ranked;
        }
    }
    return best;
}

std::string TextureSearch::find(const std::string& nameInFile) const {
    std::string name = nameInFile;
    std::replace(name.begin(), name.end(), '\\', '/');
    // An absolute path was written on the machine the model was made on; only its file name travels.
    name = isAbsolute(name) ? lastComponent(name) : normalised(name, modelDirs_);
    if (lastComponent(name).empty())
        return "";
    if (name.find('/') != std::string::npos) {
        std::string climb;
        for (int level = 0; level <= kLevelsAbove; ++level, climb += "../") {
            const std::string path = normalised(climb + name, modelDirs_);
            std::string other;
            for (const std::string& file : listing_) {
                if (file == path)
                    return file;
                if (other.empty() && sameName(file, path))
                    other = file;
            }
            if (!other.empty())
                return other;
        }
    }
    const std::string namedFolder = folderOf(name);
    std::string found = search(lastComponent(name), namedFolder, false);
    return found.empty() ? search(lastComponent(name), namedFolder, true) : found;
}

std::string TextureSearch::fallback() const {
    std::vector<std::string> images;
    for (const std::string& file : listing_)
        if (file.find('/') == std::string::npos && isImage(file))
            images.push_back(file);
    for (const std::string& image : images)
        if (sameName(stemOf(image), modelStem_))
            return image;
    return images.size() == 1 ? images[0] : "";
}

std::vector<TextureSearch::Folder> TextureSearch::foldersToList(const std::string& modelFile) {
    int levels = kLevelsAbove;
    if (isAbsolute(modelFile)) {
        const std::string dir = normalised(folderOf(modelFile), {});
        levels = std::min(levels, dir.empty() ? 0 : static_cast<int>(split(dir).size()));
    }
    std::vector<Folder> folders = {{"", kSubfolderDepth}};
    if (levels > 0)
        folders.push_back({"../textures", kSubfolderDepth - 1});
    std::string up;
    for (int level = 0; level < levels; ++level) {
        up += level == 0 ? ".." : "/..";
        folders.push_back({up, 0});
    }
    return folders;
}

std::vector<std::string> TextureSearch::listFiles(const std::string& modelFile, const std::vector<std::string>& named) {
    std::error_code error;
    const std::filesystem::path model = std::filesystem::absolute(modelFile, error);
    if (error)
        return {};
    std::vector<std::string> files;
    std::set<std::string> listed;
    for (const Folder& folder : foldersToList(model.string())) {
        listFolder((model.parent_path() / folder.path).lexically_normal(), folder.path, folder.depth, files);
        listed.insert(folder.path);
    }
    // A name with a folder may count from a game's root somewhere above: only its own folder is looked at there.
    const std::string dir = normalised(model.parent_path().string(), {});
    const int levels = std::min(kLevelsAbove, dir.empty() ? 0 : static_cast<int>(split(dir).size()));
    for (std::string name : named) {
        std::replace(name.begin(), name.end(), '\\', '/');
        const std::string folder = normalised(folderOf(name), {});
        if (isAbsolute(name) || folder.empty() || folder.compare(0, 2, "..") == 0)
            continue;
        std::string up;
        for (int level = 1; level <= levels; ++level) {
            up += "../";
            if (listed.insert(up + folder).second)
                listFolder((model.parent_path() / (up + folder)).lexically_normal(), up + folder, 0, files);
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}
