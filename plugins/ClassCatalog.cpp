// What `list classes` and the messages about a missing class offer: the
// registry merged with the class libraries lying in the trusted folders.
// Folders are only read, never loaded from, so listing runs no plug-in code;
// a library is named after its class, so its file name is the class word.
#include "plugins/ClassCatalog.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstring>
#include <map>

#include "plugins/ClassRegistry.h"
#include "plugins/RuntimePaths.h"

namespace {

const char kSuffix[] = ".so";
const size_t kSuffixLength = sizeof kSuffix - 1;
const size_t kLongestClassWord = 115;  // as findModelClass takes them

// The class word of a library file name, or empty when it names none.
std::string classWordOf(const std::string& file) {
    if (file.size() <= kSuffixLength || file.compare(file.size() - kSuffixLength, kSuffixLength, kSuffix) != 0)
        return std::string();
    std::string word = file.substr(0, file.size() - kSuffixLength);
    return isClassWord(word.c_str()) && word.size() <= kLongestClassWord ? word : std::string();
}

void addLibraries(const std::string& folder, std::map<std::string, bool, std::less<>>& found) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string word = classWordOf(entry->d_name);
        struct stat st;
        if (!word.empty() && ::stat((folder + entry->d_name).c_str(), &st) == 0 && S_ISREG(st.st_mode))
            found.emplace(word, false);
    }
    ::closedir(dir);
}

}  // namespace

std::vector<ClassCatalog::Entry> ClassCatalog::list(const std::vector<std::string>& folders) {
    // std::string's ordering is strcmp's for names without embedded nulls.
    std::map<std::string, bool, std::less<>> found;
    for (const auto& entry : model_classes)
        found[entry.first] = true;
    for (const std::string& folder : folders)
        addLibraries(folder, found);
    std::vector<Entry> entries;
    for (const auto& [name, loaded] : found)
        entries.push_back({name, loaded});
    return entries;
}

std::vector<ClassCatalog::Entry> ClassCatalog::available() {
    return list(trustedClassFolders());
}

std::string ClassCatalog::shown(const Entry& entry) {
    return entry.loaded ? entry.name + " (loaded)" : entry.name;
}

std::string ClassCatalog::choices() {
    std::string text;
    for (const Entry& entry : available())
        text += (text.empty() ? "" : ", ") + shown(entry);
    return text.empty() ? "none" : text;
}
