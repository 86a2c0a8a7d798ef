// In-memory RGB pictures and their files. Plain 24-bit uncompressed BMP files
// are read and written here; rows are padded to four bytes in the file, never
// in memory, and top-down files are turned bottom-up on reading. Every other
// format and BMP depth is decoded and encoded by ImageCodec, and every BMP is
// written as 24-bit. Writes replace the file whole (AtomicFile). Files are
// opened through ReadAhead, so a read never blocks on a FIFO and a console
// load reads from memory. A file that cannot be opened is reported as not
// found only when it is missing; any other reason is named. OpenGL is called
// only by updateTexture and updateTextureRect.
#include "paint/image/Image.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "model/io/AtomicFile.h"
#include "model/io/ReadAhead.h"
#include "paint/image/BmpFormat.h"
#include "paint/image/ImageCodec.h"

// [SECTION] file names
// [SECTION] construction and factory
// [SECTION] reading and writing by format
// [SECTION] BMP reading
// [SECTION] BMP writing
// [SECTION] pixels and texture

// ---------------------------------------------------------------- [SECTION] file names

namespace {

// Why a file could not be opened to be read or written.
void reportUnopened(const char* filename, int err, const char* action) {
    if (err == ENOENT)
        printf("File not found : %s\n", filename);
    else
        printf("cannot %s %s: %s\n", action, filename, strerror(err));
}

void reportUnreadable(const std::string& filename, const std::string& why) {
    printf("cannot read skin '%s': %s\n", filename.c_str(), why.c_str());
}

// Refuses a name of no supported format, saying which are.
bool supportedName(const std::string& name) {
    if (imageFormatOfName(name) != ImageFormat::kNone)
        return true;
    reportUnreadable(name, "unsupported extension '" + imageExtensionOf(name) +
                               "' (supported: " + supportedImageExtensionsText() + ")");
    return false;
}

// Skins named ".pcx" by model files may have an edited copy beside them as ".bmp".
std::string bmpSibling(const std::string& name) {
    return name.substr(0, name.rfind('.')) + ".bmp";
}

// Opens the file a picture named name is read from; *path says which. A ".pcx"
// name reads its ".bmp" sibling first, when that is there (read ahead or on disk).
FILE* openSource(const std::string& name, std::string* path) {
    *path = name;
    if (imageFormatOfName(name) == ImageFormat::kPcx) {
        const std::string sibling = bmpSibling(name);
        if (FILE* f = ReadAhead::open(sibling.c_str())) {
            *path = sibling;
            return f;
        }
        if (errno != ENOENT) {
            *path = sibling;
            return nullptr;
        }
    }
    return ReadAhead::open(name.c_str());
}

// The whole stream; false with errno set when reading fails.
bool readAll(FILE* f, std::vector<unsigned char>* bytes) {
    unsigned char chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes->insert(bytes->end(), chunk, chunk + got);
    return !ferror(f);
}

// A BMP this unit reads itself: a whole header that bmpHeaderSupported accepts.
bool isPlainBmp(const std::vector<unsigned char>& bytes) {
    if (bytes.size() < kBmpHeaderBytes)
        return false;
    Image::BMPHeader h;
    decodeBmpHeader(bytes.data(), &h);
    return h.magic == kBmpMagic && bmpHeaderSupported(h);
}

}  // namespace

// ---------------------------------------------------------------- [SECTION] construction and factory

Image::Image() : header(), data(nullptr), texture(0), data_size(0), plain_layout(false), format_(ImageFormat::kNone) {
    std::memset(&header, 0, sizeof header);
}

Image::~Image() {
    delete[] data;
}

Image* Image::load(std::string* filename) {
    if (!filename || !supportedName(*filename))
        return nullptr;
    Image* image = new Image();
    if (!image->readFile(*filename)) {
        delete image;
        return nullptr;
    }
    image->original_filename = *filename;
    return image;
}

std::string Image::sourceFile(const std::string& filename) {
    const ImageFormat format = imageFormatOfName(filename);
    if (format == ImageFormat::kNone)
        return std::string();
    if (format == ImageFormat::kPcx) {
        struct stat st;
        const std::string sibling = bmpSibling(filename);
        if (::stat(sibling.c_str(), &st) == 0 || errno != ENOENT)
            return sibling;
    }
    return filename;
}

// A reload through a ".pcx" name may change the size, as it always could; every
// other reload replaces the picture of a texture the model's mesh is mapped on,
// so it must keep the width and height.
int Image::reloadImage(std::string* filename) {
    if (!filename || !supportedName(*filename))
        return 0;
    Image fresh;
    if (!fresh.readFile(*filename))
        return 0;
    const bool keepsSize = imageFormatOfName(*filename) != ImageFormat::kPcx;
    if (keepsSize && (fresh.header.width != header.width || fresh.header.height != header.height)) {
        printf("image/texture dimension mismatch! Cannot load texture '%s'.\n", fresh.sourceFile_.c_str());
        return 0;
    }
    takePicture(fresh);
    original_filename = *filename;
    return 1;
}

int Image::write(const char* filename) {
    std::string name(filename ? filename : "");
    return write(&name);
}

int Image::write(std::string* filename) {
    if (!filename)
        return 0;
    const ImageFormat format = imageFormatOfName(*filename);
    if (format == ImageFormat::kNone) {
        printf("cannot save skin as '%s': unsupported extension '%s' (supported: %s)\n", filename->c_str(),
               imageExtensionOf(*filename).c_str(), supportedImageExtensionsText());
        return 0;
    }
    if (format == ImageFormat::kBmp)
        return writeBMP(filename->c_str());
    return writeEncoded(*filename, format);
}

int Image::save() {
    std::string target = sourceFile_.empty() ? original_filename : sourceFile_;
    printf("saving image: %s\n", target.c_str());
    return write(&target);
}

// ---------------------------------------------------------------- [SECTION] reading and writing by format

// Reads the file a picture named name comes from into this image, which a
// failure leaves as it was.
int Image::readFile(const std::string& name) {
    std::string path;
    FILE* f = openSource(name, &path);
    if (!f) {
        reportUnopened(path.c_str(), errno, "read");
        return 0;
    }
    std::vector<unsigned char> bytes;
    const bool read = readAll(f, &bytes);
    const int err = errno;
    fclose(f);
    if (!read) {
        reportUnreadable(path, strerror(err));
        return 0;
    }
    const ImageFormat format = imageFormatOfName(path);
    int ok;
    if (format == ImageFormat::kBmp && isPlainBmp(bytes)) {
        FILE* memory = fmemopen(bytes.data(), bytes.size(), "rb");
        if (!memory) {
            reportUnreadable(path, strerror(errno));
            return 0;
        }
        ok = readBmpStream(memory, path.c_str());
        fclose(memory);
        if (ok)
            palette_.clear();
    } else {
        ok = readDecoded(bytes, path, format);
    }
    if (ok) {
        sourceFile_ = path;
        format_ = format;
    }
    return ok;
}

int Image::readDecoded(const std::vector<unsigned char>& bytes, const std::string& path, ImageFormat format) {
    ImageCodec::Picture picture;
    std::string why;
    if (!ImageCodec::decode(bytes, format, &picture, &why)) {
        reportUnreadable(path, why);
        return 0;
    }
    GLubyte* pixels = new (std::nothrow) GLubyte[picture.rgb.size()];
    if (!pixels) {
        puts("Error mallocing byte buffer");
        return 0;
    }
    std::memcpy(pixels, picture.rgb.data(), picture.rgb.size());
    delete[] data;
    data = pixels;
    data_size = picture.rgb.size();
    header = plainBmpHeader(picture.width, picture.height);
    plain_layout = false;
    palette_ = std::move(picture.palette);
    return 1;
}

int Image::writeEncoded(const std::string& filename, ImageFormat format) {
    std::vector<unsigned char> bytes;
    long changed = 0;
    std::string why;
    const std::vector<unsigned char> none;
    const bool encoded =
        data && ImageCodec::encode(header.width, header.height, data, format == ImageFormat::kPcx ? palette_ : none,
                                   format, &bytes, &changed, &why);
    if (!encoded) {
        printf("cannot write %s: %s\n", filename.c_str(), data ? why.c_str() : "no picture");
        return 0;
    }
    AtomicFile file(filename.c_str());
    FILE* f = file.open();
    if (!f) {
        reportUnopened(filename.c_str(), file.error(), "write");
        return 0;
    }
    if (fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || !file.commit()) {
        printf("cannot write %s: %s\n", filename.c_str(), strerror(file.error() ? file.error() : EIO));
        return 0;
    }
    if (changed > 0)
        printf("%s: %ld texels took the nearest colour of its palette\n", filename.c_str(), changed);
    if (format == ImageFormat::kJpeg)
        printf("%s: JPEG is lossy; the saved texels differ slightly from the painted ones\n", filename.c_str());
    return 1;
}

void Image::takePicture(Image& from) {
    std::swap(header, from.header);
    std::swap(data, from.data);
    std::swap(data_size, from.data_size);
    std::swap(plain_layout, from.plain_layout);
    std::swap(sourceFile_, from.sourceFile_);
    std::swap(format_, from.format_);
    std::swap(palette_, from.palette_);
}

void Image::swapPicture(Image& other) {
    takePicture(other);
    std::swap(original_filename, other.original_filename);
}

std::unique_ptr<Image> Image::copyPicture() const {
    std::unique_ptr<Image> copy(new Image());
    copy->header = header;
    if (data) {
        copy->data = new GLubyte[data_size];
        std::memcpy(copy->data, data, data_size);
    }
    copy->data_size = data_size;
    copy->plain_layout = plain_layout;
    copy->original_filename = original_filename;
    copy->sourceFile_ = sourceFile_;
    copy->format_ = format_;
    copy->palette_ = palette_;
    return copy;
}

// ---------------------------------------------------------------- [SECTION] BMP reading

namespace {

// Reads and checks the header; says why a file is refused.
bool readBmpHeader(FILE* f, const char* filename, Image::BMPHeader* h) {
    unsigned char raw[kBmpHeaderBytes];
    if (fread(raw, 1, sizeof raw, f) != sizeof raw) {
        puts("Error reading file");
        return false;
    }
    decodeBmpHeader(raw, h);
    if (h->magic != kBmpMagic) {
        puts("Not a bitmap file");
        return false;
    }
    if (!bmpHeaderSupported(*h)) {
        printf("Not a 24-bit uncompressed bitmap: %s\n", filename);
        return false;
    }
    if (h->data_offset < kBmpHeaderBytes) {
        puts("fixing offset (should be 54)");
        h->data_offset = kBmpHeaderBytes;
    }
    return true;
}

// False only when the file is known to be shorter than bytes.
bool fileHolds(FILE* f, uint64_t bytes) {
    if (fseek(f, 0, SEEK_END) != 0)
        return true;
    long size = ftell(f);
    return size < 0 || static_cast<uint64_t>(size) >= bytes;
}

// Reads the pixel rows into pixels, bottom row first whatever the file's order.
bool readBmpRows(FILE* f, const Image::BMPHeader& h, uint64_t rows, bool top_down, GLubyte* pixels) {
    if (fseek(f, static_cast<long>(h.data_offset), SEEK_SET) != 0)
        return false;
    const uint64_t stride = bmpRowStride(h.width);
    const uint64_t row_bytes = 3 * static_cast<uint64_t>(h.width);
    std::vector<unsigned char> row(stride);
    for (uint64_t i = 0; i < rows; ++i) {
        if (fread(row.data(), 1, stride, f) != stride)
            return false;
        uint64_t y = top_down ? rows - 1 - i : i;
        copySwappingRedBlue(row.data(), pixels + y * row_bytes, static_cast<uint64_t>(h.width));
    }
    return true;
}

// Reads the pixels a checked header describes into a new array; on success the
// header describes them as held (bottom-up rows, their size in image_size).
GLubyte* readBmpPixels(FILE* f, Image::BMPHeader* h) {
    // Dimensions are capped, so these sizes fit easily in 64 bits (and the
    // file size in 32).
    const bool top_down = h->height < 0;
    const uint64_t rows =
        top_down ? static_cast<uint64_t>(-static_cast<int64_t>(h->height)) : static_cast<uint64_t>(h->height);
    const uint64_t file_bytes = bmpRowStride(h->width) * rows;
    h->image_size = static_cast<uint32_t>(file_bytes);
    // Refuse a short file before allocating what its header asks for.
    if (!fileHolds(f, h->data_offset + file_bytes)) {
        puts("Error loading file!");
        return nullptr;
    }
    GLubyte* pixels = new (std::nothrow) GLubyte[3 * static_cast<uint64_t>(h->width) * rows];
    if (!pixels) {
        puts("Error mallocing byte buffer");
        return nullptr;
    }
    if (!readBmpRows(f, *h, rows, top_down, pixels)) {
        puts("Error loading file!");
        delete[] pixels;
        return nullptr;
    }
    if (top_down)
        h->height = static_cast<int32_t>(rows);
    return pixels;
}

}  // namespace

int Image::loadBMP(const char* filename) {
    FILE* f = ReadAhead::open(filename);
    if (!f) {
        reportUnopened(filename, errno, "read");
        return 0;
    }
    int ok = readBmpStream(f, filename);
    fclose(f);
    return ok;
}

int Image::readBmpStream(FILE* f, const char* filename) {
    BMPHeader h;
    GLubyte* pixels = nullptr;
    bool plain = false;
    if (readBmpHeader(f, filename, &h)) {
        plain = h.header_size == 40 && h.data_offset == kBmpHeaderBytes && h.height > 0;
        pixels = readBmpPixels(f, &h);
    }
    if (!pixels)
        return 0;
    delete[] data;
    data = pixels;
    data_size = 3 * static_cast<size_t>(h.width) * static_cast<size_t>(h.height);
    header = h;
    plain_layout = plain;
    return 1;
}

int Image::reloadBMP(const char* filename) {
    FILE* f = ReadAhead::open(filename);
    if (!f) {
        reportUnopened(filename, errno, "read");
        return 0;
    }
    unsigned char raw[26];  // magic, 16 bytes up to the width, width, height
    size_t got = fread(raw, 1, sizeof raw, f);
    fclose(f);
    if (got != sizeof raw) {
        puts("Error reading file");
        return 0;
    }
    if (static_cast<int16_t>(readLe16(raw)) != kBmpMagic) {
        puts("Not a bitmap file");
        return 0;
    }
    int32_t w = static_cast<int32_t>(readLe32(raw + 18));
    int64_t rows = static_cast<int32_t>(readLe32(raw + 22));
    if (rows < 0)
        rows = -rows;  // a top-down file keeps its size
    if (w != header.width || rows != header.height) {
        printf("image/texture dimension mismatch! Cannot load texture '%s'.\n", filename);
        return 0;
    }
    return loadBMP(filename);
}

// ---------------------------------------------------------------- [SECTION] BMP writing

int Image::writeBMP(const char* filename) {
    if (!data || !bmpHeaderSupported(header)) {
        // Only a picture read from a file can be written.
        puts("Error writing file");
        return 0;
    }
    const uint64_t stride = bmpRowStride(header.width);
    const uint64_t rows = static_cast<uint64_t>(header.height);
    BMPHeader out = header;
    if (!plain_layout) {
        out.data_offset = kBmpHeaderBytes;
        out.header_size = 40;
        out.image_size = static_cast<uint32_t>(stride * rows);
        out.file_size = static_cast<uint32_t>(kBmpHeaderBytes + stride * rows);
    }

    AtomicFile file(filename);
    FILE* f = file.open();
    if (!f) {
        reportUnopened(filename, file.error(), "write");
        return 0;
    }
    unsigned char raw[kBmpHeaderBytes];
    encodeBmpHeader(out, raw);
    if (fwrite(raw, 1, sizeof raw, f) != sizeof raw) {
        puts("Error writing file");
        return 0;
    }
    // Converted row by row, so the pixels in memory never change order.
    const uint64_t width = static_cast<uint64_t>(header.width);
    bool ok = true;
    std::vector<unsigned char> row(stride, 0);
    for (uint64_t y = 0; ok && y < rows; ++y) {
        copySwappingRedBlue(data + 3 * width * y, row.data(), width);
        ok = fwrite(row.data(), 1, stride, f) == stride;
    }
    if (!(ok && file.commit())) {
        puts("Error writing file!");
        return 0;
    }
    return 1;
}

// ---------------------------------------------------------------- [SECTION] pixels and texture

int Image::width() {
    return header.width;
}

int Image::height() {
    return header.height;
}

bool Image::pixelOffset(int x, int y, size_t* offset) const {
    if (!data || x < 0 || y < 0 || x >= header.width || y >= header.height)
        return false;
    size_t at = 3 * (static_cast<size_t>(y) * static_cast<size_t>(header.width) + static_cast<size_t>(x));
    if (at + 3 > data_size)
        return false;
    *offset = at;
    return true;
}

int Image::get(int x, int y, GLubyte* out) {
    size_t at;
    if (!pixelOffset(x, y, &at))
        return 0;
    out[0] = data[at];
    out[1] = data[at + 1];
    out[2] = data[at + 2];
    return 1;
}

int Image::set(int x, int y, GLubyte* val, double opacity) {
    size_t at;
    if (!pixelOffset(x, y, &at))
        return 0;
    blendTexel(data + at, val, opacity);
    return 1;
}

GLubyte* Image::heldTexels() {
    if (!data || header.width < 1 || header.height < 1)
        return nullptr;
    const size_t bytes = 3 * static_cast<size_t>(header.width) * static_cast<size_t>(header.height);
    return bytes <= data_size ? data : nullptr;
}

void Image::setTexture(GLuint texture_) {
    texture = texture_;
    uploadedWidth_ = uploadedHeight_ = -1;  // a new texture holds no picture yet
}

GLuint Image::getTexture() {
    return texture;
}

void Image::updateTexture() {
    if (!data || data_size < 3 * static_cast<size_t>(header.width) * static_cast<size_t>(header.height))
        return;
    glBindTexture(GL_TEXTURE_2D, texture);
    // Rows are tightly packed in memory: tell GL how they are aligned, and
    // leave the setting as it was for everyone else.
    GLint saved_alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &saved_alignment);
    int row_bytes = 3 * header.width;
    glPixelStorei(GL_UNPACK_ALIGNMENT, row_bytes % 4 == 0 ? 4 : (row_bytes % 2 == 0 ? 2 : 1));
    glTexImage2D(GL_TEXTURE_2D, 0, 3, header.width, header.height, 0, GL_RGB, GL_UNSIGNED_BYTE, data);
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
    if (part.empty() || !data || data_size < 3 * static_cast<size_t>(header.width) * static_cast<size_t>(header.height))
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
    glTexSubImage2D(GL_TEXTURE_2D, 0, part.x0, part.y0, part.width(), part.height(), GL_RGB, GL_UNSIGNED_BYTE, data);
    for (int i = 0; i < 4; ++i)
        glPixelStorei(settings[i], saved[i]);
}

void Image::swapRedBlue() {
    if (!data)
        return;
    for (size_t i = 0; i + 2 < data_size; i += 3) {
        GLubyte r = data[i];
        data[i] = data[i + 2];
        data[i + 2] = r;
    }
}
