// Skin pictures and their files. Every file is read whole and decoded from its bytes: plain 24-bit BMPs by the
// program's own codec (BmpFormat), everything else by ImageCodec; what reading says is gathered, so a picture can be
// read ahead on one thread and its messages printed where it is used. Every picture is encoded first and written
// whole, in its own file's form where SkinSource keeps one, else every BMP as 24-bit. OpenGL is called only by
// updateTexture and updateTextureRect.
#include "paint/image/Image.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "model/io/SaveFolder.h"
#include "paint/image/ImageCodec.h"
#include "paint/image/PictureLimits.h"
#include "paint/image/SkinFiles.h"

// [SECTION] messages and file names
// [SECTION] reading
// [SECTION] writing
// [SECTION] BMP files
// [SECTION] pixels and texture

// ---------------------------------------------------------------- [SECTION] messages and file names

std::string Image::sourceFile(const std::string& filename) {
    const ImageFormat format = imageFormatOfName(filename);
    if (format == ImageFormat::kNone)
        return std::string();
    if (format == ImageFormat::kPcx) {
        struct stat st;
        const std::string sibling = SkinFiles::bmpSibling(filename);
        if (::stat(sibling.c_str(), &st) == 0 || errno != ENOENT)
            return sibling;
    }
    return filename;
}

// ---------------------------------------------------------------- [SECTION] reading

Image::Image() : header(), texture(0), plain_layout(false), format_(ImageFormat::kNone) {
    std::memset(&header, 0, sizeof header);
}

Image* Image::load(std::string* filename) {
    if (!filename)
        return nullptr;
    Decoded fresh = read(*filename);
    std::fputs(fresh.messages.c_str(), stdout);
    return fresh.image.release();
}

Image::Decoded Image::read(const std::string& filename) {
    const std::string path = sourceFile(filename);
    if (path.empty()) {
        Decoded refused;
        SkinFiles::supportedName(filename, &refused.messages);
        return refused;
    }
    return read(filename, path, FileContents::read(path.c_str(), FileContents::kImageLimit));
}

Image::Decoded Image::read(const std::string& filename, const std::string& path, const FileContents& file) {
    Decoded out;
    if (!SkinFiles::supportedName(filename, &out.messages))
        return out;
    switch (file.status) {
        case FileContents::kOpenFailed: out.messages += SkinFiles::unopened(path, file.error, "read"); return out;
        case FileContents::kReadFailed: out.messages += SkinFiles::unreadable(path, strerror(file.error)); return out;
        case FileContents::kNotRegular:  // a FIFO or a device is never read
        case FileContents::kTooLarge: out.messages += SkinFiles::unreadable(path, file.reason()); return out;
        case FileContents::kRead: break;
    }
    return decode(SkinFiles::bytesOf(file), file.bytes.size(), filename, path);
}

Image::Decoded Image::decode(const unsigned char* bytes, size_t size, const std::string& filename,
                             const std::string& path) {
    Decoded out;
    std::unique_ptr<Image> image(new Image());
    const ImageFormat format = imageFormatOfName(path);
    if (format == ImageFormat::kBmp && isPlainBmp(bytes, size)) {
        if (!image->takeBmp(bytes, size, path.c_str(), &out.messages))
            return out;
    } else {
        std::string why;
        if (!ImageCodec::decode(bytes, size, format, &image->picture_, &why)) {
            out.messages += SkinFiles::unreadable(path, why);
            return out;
        }
        image->header = plainBmpHeader(image->picture_.width, image->picture_.height);
    }
    image->sourceFile_ = path;
    image->format_ = format;
    image->original_filename = filename;
    image->source_ = SkinSource::of(bytes, size, format);
    image->saved_.remember(image->picture_.rgb);
    out.image = std::move(image);
    return out;
}

int Image::reloadImage(std::string* filename) {
    if (!filename)
        return 0;
    return takeReloaded(read(*filename), *filename);
}

// A reload through a ".pcx" name may change the size, as it always could; every
// other reload replaces the picture of a texture the model's mesh is mapped on,
// so it must keep the width and height.
int Image::takeReloaded(Decoded fresh, const std::string& filename) {
    std::fputs(fresh.messages.c_str(), stdout);
    if (!fresh.image)
        return 0;
    const bool keepsSize = imageFormatOfName(filename) != ImageFormat::kPcx;
    if (keepsSize && (fresh.image->width() != width() || fresh.image->height() != height())) {
        std::printf("image/texture dimension mismatch! Cannot load texture '%s'. It is %dx%d, the skin %dx%d.\n",
                    fresh.image->sourceFile_.c_str(), fresh.image->width(), fresh.image->height(), width(), height());
        return 0;
    }
    takePicture(*fresh.image);
    original_filename = filename;
    saved_.forget();  // a picture loaded into the skin is saved even onto the file it came from
    return 1;
}

void Image::takePicture(Image& from) {
    std::swap(header, from.header);
    std::swap(picture_, from.picture_);
    std::swap(plain_layout, from.plain_layout);
    std::swap(sourceFile_, from.sourceFile_);
    std::swap(format_, from.format_);
    std::swap(saveFolder_, from.saveFolder_);
    std::swap(saver_, from.saver_);
    std::swap(source_, from.source_);
    std::swap(saved_, from.saved_);
}

void Image::swapPicture(Image& other) {
    takePicture(other);
    std::swap(original_filename, other.original_filename);
}

std::unique_ptr<Image> Image::copyPicture() const {
    std::unique_ptr<Image> copy(new Image());
    copy->header = header;
    copy->picture_ = picture_;
    copy->plain_layout = plain_layout;
    copy->original_filename = original_filename;
    copy->sourceFile_ = sourceFile_;
    copy->format_ = format_;
    copy->saveFolder_ = saveFolder_;
    copy->saver_ = saver_;
    copy->source_ = source_;
    copy->saved_ = saved_;
    return copy;
}

// ---------------------------------------------------------------- [SECTION] writing

int Image::write(const char* filename) {
    std::string name(filename ? filename : "");
    return write(&name);
}

int Image::write(std::string* filename) {
    if (!filename)
        return 0;
    const ImageFormat format = imageFormatOfName(*filename);
    if (format == ImageFormat::kNone) {
        std::printf("cannot save skin as '%s': unsupported extension '%s' (supported: %s)\n", filename->c_str(),
                    imageExtensionOf(*filename).c_str(), supportedImageExtensionsText());
        return 0;
    }
    if (!writeAs(filename->c_str(), format))
        return 0;
    if (format == ImageFormat::kJpeg)
        std::printf("%s: JPEG is lossy; the saved texels differ slightly from the painted ones\n", filename->c_str());
    return 1;
}

bool Image::encode(ImageFormat format, const std::string& filename, std::vector<unsigned char>* bytes,
                   std::string* notes, bool ownFile) const {
    using Written = SkinSource::Written;
    std::string why;
    const Written kept = source_ && ownFile && source_->format() == format
                             ? source_->writeBack(picture_, filename, bytes, notes, &why)
                             : Written::kNotKept;
    if (kept == Written::kFailed)
        std::printf("cannot write %s: %s\n", filename.c_str(), why.c_str());
    if (kept == Written::kAsItWas || kept == Written::kFailed)
        return kept == Written::kAsItWas;
    if (format == ImageFormat::kBmp) {
        if (!holdsWholePicture() || !bmpHeaderSupported(header)) {
            // Only a picture read from a file can be written.
            std::puts("Error writing file");
            return false;
        }
        BmpLayout layout;
        layout.header = header;
        layout.plain = plain_layout;
        *bytes = encodeBmp(bmpHeaderToWrite(layout), picture_.rgb.data());
        return true;
    }
    const bool held = holdsWholePicture();
    long nearest = 0;
    if (!held || !ImageCodec::encode(picture_, format, bytes, &nearest, &why)) {
        std::printf("cannot write %s: %s\n", filename.c_str(), held ? why.c_str() : "no picture");
        return false;
    }
    if (nearest > 0)
        *notes += filename + ": " + std::to_string(nearest) + " texels took the nearest colour of its palette\n";
    return true;
}

int Image::save() {
    std::string target = sourceFile_.empty() ? original_filename : sourceFile_;
    std::string refused = saveFolder_.empty() || saver_ ? std::string() : SaveFolder(saveFolder_).refusal(target);
    if (!refused.empty()) {
        std::puts(refused.c_str());
        return 0;
    }
    if (!saver_)
        std::printf("saving image: %s\n", target.c_str());
    const int written = saver_ ? saver_(*this) : write(&target);
    if (written)
        markSaved();
    return written;
}

// ---------------------------------------------------------------- [SECTION] BMP files

// Takes the picture of a whole plain 24-bit BMP, keeping the palette a PCX
// left; a failure leaves the picture as it was and says why in *messages.
int Image::takeBmp(const unsigned char* bytes, size_t size, const char* filename, std::string* messages) {
    Picture fresh;
    BmpLayout layout;
    const BmpRead result = decodeBmp(bytes, size, &fresh, &layout, PictureLimits::current());
    if (layout.offsetFixed)
        *messages += "fixing offset (should be 54)\n";
    switch (result) {
        case BmpRead::kRead: break;
        case BmpRead::kNoHeader: *messages += "Error reading file\n"; return 0;
        case BmpRead::kNotBitmap: *messages += "Not a bitmap file\n"; return 0;
        case BmpRead::kUnsupported:
            *messages += std::string("Not a 24-bit uncompressed bitmap: ") + filename + "\n";
            return 0;
        case BmpRead::kTooLarge:
            *messages += SkinFiles::unreadable(
                filename, PictureLimits::current().refusal(layout.header.width, layout.header.height));
            return 0;
        case BmpRead::kShort: *messages += "Error loading file!\n"; return 0;
        case BmpRead::kNoMemory: *messages += "Error mallocing byte buffer\n"; return 0;
    }
    fresh.palette.swap(picture_.palette);
    picture_ = std::move(fresh);
    header = layout.header;
    plain_layout = layout.plain;
    return 1;
}

int Image::loadBMP(const char* filename) {
    FileContents file;
    if (!filename || !SkinFiles::readForBmp(filename, &file))
        return 0;
    std::string messages;
    const int ok = takeBmp(SkinFiles::bytesOf(file), file.bytes.size(), filename, &messages);
    std::fputs(messages.c_str(), stdout);
    return ok;
}

// Refuses a file of another size by its header alone, before decoding it.
int Image::reloadBMP(const char* filename) {
    if (!filename)
        return 0;
    FileContents file;
    if (!SkinFiles::readForBmp(filename, &file))
        return 0;
    const size_t kSizeEnds = 26;  // magic, 16 bytes up to the width, width, height
    if (file.bytes.size() < kSizeEnds) {
        std::puts("Error reading file");
        return 0;
    }
    unsigned char raw[kBmpHeaderBytes] = {};
    std::memcpy(raw, file.bytes.data(), std::min(file.bytes.size(), kBmpHeaderBytes));
    BmpHeader h;
    decodeBmpHeader(raw, &h);
    if (h.magic != kBmpMagic) {
        std::puts("Not a bitmap file");
        return 0;
    }
    const int64_t rows = h.height < 0 ? -static_cast<int64_t>(h.height) : h.height;  // a top-down file keeps its size
    if (h.width != header.width || rows != header.height) {
        std::printf("image/texture dimension mismatch! Cannot load texture '%s'.\n", filename);
        return 0;
    }
    std::string messages;
    const int ok = takeBmp(SkinFiles::bytesOf(file), file.bytes.size(), filename, &messages);
    std::fputs(messages.c_str(), stdout);
    return ok;
}

int Image::writeBMP(const char* filename) {
    return writeAs(filename, ImageFormat::kBmp) ? 1 : 0;
}

// The file just written is the one to keep the form of from now on: a palette
// file that had to become 24-bit stays 24-bit.
bool Image::writeAs(const char* filename, ImageFormat format) {
    std::vector<unsigned char> bytes;
    std::string notes;
    // Only the skin's own file keeps its form; a copy saved elsewhere is written as copies always were.
    const bool own = filename && (filename == sourceFile_ || SkinFiles::isFile(filename, sourceFile_));
    if (!encode(format, filename ? filename : "", &bytes, &notes, own) ||
        !SkinFiles::writeWhole(filename, bytes, format))
        return false;
    std::fputs(notes.c_str(), stdout);
    if (own)
        source_ = SkinSource::of(bytes.data(), bytes.size(), format);
    return true;
}

// ---------------------------------------------------------------- [SECTION] pixels and texture

bool Image::holdsWholePicture() const {
    return !picture_.rgb.empty() && picture_.rgb.size() >= Picture::bytesFor(header.width, header.height);
}

bool Image::pixelOffset(int x, int y, size_t* offset) const {
    if (picture_.rgb.empty() || x < 0 || y < 0 || x >= header.width || y >= header.height)
        return false;
    size_t at = 3 * (static_cast<size_t>(y) * static_cast<size_t>(header.width) + static_cast<size_t>(x));
    if (at + 3 > picture_.rgb.size())
        return false;
    *offset = at;
    return true;
}

int Image::get(int x, int y, GLubyte* out) {
    size_t at;
    if (!pixelOffset(x, y, &at))
        return 0;
    std::memcpy(out, &picture_.rgb[at], 3);
    return 1;
}

int Image::set(int x, int y, GLubyte* val, double opacity) {
    size_t at;
    if (!pixelOffset(x, y, &at))
        return 0;
    blendTexel(&picture_.rgb[at], val, opacity);
    return 1;
}

GLubyte* Image::heldTexels() {
    return header.width > 0 && header.height > 0 && holdsWholePicture() ? picture_.rgb.data() : nullptr;
}

void Image::updateTexture() {
    if (!holdsWholePicture())
        return;
    glBindTexture(GL_TEXTURE_2D, texture);
    // Rows are tightly packed in memory: tell GL how they are aligned, and
    // leave the setting as it was for everyone else.
    GLint saved_alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &saved_alignment);
    int row_bytes = 3 * header.width;
    glPixelStorei(GL_UNPACK_ALIGNMENT, row_bytes % 4 == 0 ? 4 : (row_bytes % 2 == 0 ? 2 : 1));
    glTexImage2D(GL_TEXTURE_2D, 0, 3, header.width, header.height, 0, GL_RGB, GL_UNSIGNED_BYTE, picture_.rgb.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, saved_alignment);
    uploadedWidth_ = header.width;
    uploadedHeight_ = header.height;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

void Image::updateTextureRect(const TexelRect& rect) {
    if (uploadedWidth_ != header.width || uploadedHeight_ != header.height) {
        updateTexture();
        return;
    }
    const TexelRect part = rect.clippedTo(header.width, header.height);
    if (part.empty() || !holdsWholePicture())
        return;
    glBindTexture(GL_TEXTURE_2D, texture);
    // The rectangle is read straight out of the picture's rows; the unpack
    // settings go back as they were for everyone else.
    const GLenum settings[4] = {GL_UNPACK_ALIGNMENT, GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_PIXELS, GL_UNPACK_SKIP_ROWS};
    const GLint values[4] = {1, header.width, part.x0, part.y0};
    GLint saved[4];
    for (int i = 0; i < 4; ++i) {
        glGetIntegerv(settings[i], &saved[i]);
        glPixelStorei(settings[i], values[i]);
    }
    glTexSubImage2D(GL_TEXTURE_2D, 0, part.x0, part.y0, part.width(), part.height(), GL_RGB, GL_UNSIGNED_BYTE,
                    picture_.rgb.data());
    for (int i = 0; i < 4; ++i)
        glPixelStorei(settings[i], saved[i]);
}

void Image::swapRedBlue() {
    std::vector<unsigned char>& rgb = picture_.rgb;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3)
        std::swap(rgb[i], rgb[i + 2]);
}
