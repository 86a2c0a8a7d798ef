// Messages and file handling the skin readers and writers share: how a
// file that cannot be opened or read is reported, and every save made whole
// through AtomicFile, its failure told in the words of the format's writer.
#include "paint/image/SkinFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "model/io/AtomicFile.h"
#include "model/io/WriteFailure.h"

std::string SkinFiles::unopened(const std::string& filename, int err, const char* action) {
    if (err == ENOENT)
        return "File not found : " + filename + "\n";
    return std::string("cannot ") + action + " " + filename + ": " + strerror(err) + "\n";
}

std::string SkinFiles::unreadable(const std::string& filename, const std::string& why) {
    return "cannot read skin '" + filename + "': " + why + "\n";
}

bool SkinFiles::supportedName(const std::string& name, std::string* messages) {
    if (imageFormatOfName(name) != ImageFormat::kNone)
        return true;
    *messages += unreadable(name, "unsupported extension '" + imageExtensionOf(name) +
                                      "' (supported: " + supportedImageExtensionsText() + ")");
    return false;
}

std::string SkinFiles::bmpSibling(const std::string& name) {
    return name.substr(0, name.rfind('.')) + ".bmp";
}

bool SkinFiles::isFile(const std::string& name, const std::string& other) {
    std::error_code error;
    return !other.empty() && std::filesystem::equivalent(name, other, error);
}

const unsigned char* SkinFiles::bytesOf(const FileContents& file) {
    return reinterpret_cast<const unsigned char*>(file.bytes.data());
}

bool SkinFiles::readForBmp(const char* filename, FileContents* file) {
    *file = FileContents::read(filename, FileContents::kImageLimit);
    if (file->status != FileContents::kOpenFailed && file->status != FileContents::kTooLarge)
        return true;
    std::fputs((file->status == FileContents::kTooLarge ? unreadable(filename, file->reason())
                                                        : unopened(filename, file->error, "read"))
                   .c_str(),
               stdout);
    return false;
}

bool SkinFiles::writeWhole(const char* filename, const std::vector<unsigned char>& bytes, ImageFormat format) {
    bool opened = false;
    int err = 0;
    if (AtomicFile::replace(filename, bytes, &opened, &err))
        return true;
    if (!opened && err == ENOENT)
        std::printf("cannot write %s: %s\n", filename, WriteFailure::reason(filename, err).c_str());
    else if (!opened)
        std::fputs(unopened(filename, err, "write").c_str(), stdout);
    else if (format == ImageFormat::kBmp)
        std::printf("Error writing file! (%s)\n", strerror(err));
    else
        std::printf("cannot write %s: %s\n", filename, strerror(err));
    return false;
}
