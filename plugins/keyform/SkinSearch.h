// Which files of a model's folder hold the skins its MD2 file names. Pure logic
// over the folder's file names, so that it runs without a window or a disk.
#pragma once

#include <string>
#include <utility>
#include <vector>

class SkinSearch {
public:
    // The skins to load and the named skins that were not found.
    struct Result {
        // Each found skin's file under the directories of the name it was found for (the model's
        // folder holds it under the last component), in the order to load them.
        std::vector<std::string> files;
        std::vector<std::string> missing;  // skin names as the model file gives them
        // Each file found under another name than the one it was looked for by (another extension
        // or case, or the folder's own picture), with the names it stands in for, as in the model file.
        std::vector<std::pair<std::string, std::vector<std::string>>> standIns;
        // When no file was chosen, the images in the folder a user could load instead.
        std::vector<std::string> unchosen;
    };

    // folderFiles: the names of the regular files in the model's folder; folderName: its last component.
    SkinSearch(std::vector<std::string> folderFiles, std::string folderName);

    // The file holding the skin a model file names (a path, of which only the last component
    // counts), or "" when the folder has none.
    std::string findSkin(const std::string& skinName) const;
    // The picture of a model that names no skin, or none that is here; "" when the folder has none.
    std::string findFolderSkin() const;
    // The files for every skin named (empty names name nothing); the folder's own picture when none is
    // found, standing in for every name then, which counts as missing only when there is no such picture.
    Result search(const std::vector<std::string>& skinNames) const;

private:
    // The image whose stem is stem in any case, the BMP first, then one with extension preferred.
    std::string byStem(const std::string& stem, const std::string& preferred) const;
    bool has(const std::string& file) const;

    std::vector<std::string> files_;  // sorted, so that every choice is the same on every machine
    std::string folderName_;
};
