// Which file holds a texture a mesh model names, among the files around the model. Pure logic over
// file names, so that it runs without a window or a disk; listFiles() gathers those names from disk.
#pragma once

#include <string>
#include <vector>

class TextureSearch {
public:
    // A folder whose files the search may look at, relative to the model's folder, and how many levels
    // of its subfolders to take too (0: its own files only).
    struct Folder {
        std::string path;
        int depth;
    };

    // modelFile: the model's path as given; listing: the files under foldersToList(), as paths relative
    // to the model's folder ("tex/Wood.PNG", "../textures/a.tga").
    TextureSearch(std::string modelFile, std::vector<std::string> listing);

    // The path (relative to the model's folder) of the file holding the texture named as the model file
    // writes it, or "" when none.
    std::string find(const std::string& nameInFile) const;
    // For a model that names no texture: the image named like the model file, else the only image beside
    // it; "" when neither.
    std::string fallback() const;

    // The folder itself with its subfolders, "textures" one level up, and each folder above the model's
    // (names in companion files such as Quake 3 skins count from the game's root, somewhere up there).
    static std::vector<Folder> foldersToList(const std::string& modelFile);
    // The regular files under foldersToList(modelFile), and those of the folder each of named names seen
    // from each folder above the model's, sorted and capped in number, as the constructor takes them;
    // folders that cannot be read are left out.
    static std::vector<std::string> listFiles(const std::string& modelFile, const std::vector<std::string>& named = {});

private:
    // The best listed file that lastComponent names, or, when byStem, has its stem and is an image.
    std::string search(const std::string& wanted, const std::string& namedFolder, bool byStem) const;
    // 0 for the folder a name gives, then the model's own, its "textures", other subfolders, "../textures";
    // -1 when the search does not look in path's folder.
    int folderRank(const std::string& path, const std::string& namedFolder) const;

    std::vector<std::string> listing_;    // normalised and sorted, so every choice is the same everywhere
    std::vector<std::string> modelDirs_;  // the components of the model's folder, as far as its path tells
    std::string modelStem_;
};
