// A folder that saves of the files found in it stay inside. A model pack may
// ship a symbolic link among its files; saving what was read through it must
// not overwrite a file elsewhere on the disk.
#pragma once

#include <string>
#include <utility>

class SaveFolder {
public:
    explicit SaveFolder(std::string folder) : folder_(std::move(folder)) {}

    // Empty when a save of file would change a file inside the folder (file is
    // no link, or its links end inside); otherwise the message refusing it,
    // naming the link and where it leads.
    std::string refusal(const std::string& file) const;

private:
    bool holds(const std::string& path) const;

    std::string folder_;
};
