// Decoding and encoding through Magick++. ImageMagick is set up once (by
// PictureLimits), and every decoder is named by the caller, so bytes never
// pick a decoder (or an outside delegate) themselves. No picture beyond the
// limits reaches it: a file's size is read from its header first. Rows are
// turned over on the way in and out: ImageMagick keeps the top row first, the
// system the bottom row.
#include "paint/image/ImageCodec.h"

#include <Magick++.h>

#include <cstring>
#include <unordered_map>

#include "paint/image/BmpFormat.h"
#include "paint/image/PictureLimits.h"

namespace {

const char* coderName(ImageFormat format) {
    switch (format) {
        case ImageFormat::kBmp: return "BMP";
        case ImageFormat::kPcx: return "PCX";
        case ImageFormat::kPng: return "PNG";
        case ImageFormat::kJpeg: return "JPEG";
        case ImageFormat::kTga: return "TGA";
        case ImageFormat::kDds: return "DDS";
        case ImageFormat::kNone: break;
    }
    return "";
}

// The library's reason without its program name, file name and source location.
std::string reasonOf(const std::exception& e) {
    std::string text = e.what();
    const std::string prefix = std::string(kMagickClientName) + ": ";
    if (text.compare(0, prefix.size(), prefix) == 0)
        text.erase(0, prefix.size());
    for (const char* tail : {" `", " @ ", " ("}) {
        size_t at = text.find(tail);
        if (at != std::string::npos)
            text.erase(at);
    }
    return text.empty() ? std::string("not an image") : text;
}

uint32_t be16(const unsigned char* b) {
    return static_cast<uint32_t>(b[0]) << 8 | b[1];
}

uint32_t be32(const unsigned char* b) {
    return be16(b) << 16 | be16(b + 2);
}

// The width and height a JPEG's start-of-frame segment gives; false without one.
bool jpegSize(const unsigned char* bytes, size_t size, int64_t* width, int64_t* height) {
    size_t at = 2;
    while (at + 9 <= size && bytes[at] == 0xFF) {
        const unsigned char marker = bytes[at + 1];
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            *height = be16(bytes + at + 5);
            *width = be16(bytes + at + 7);
            return true;
        }
        at += 2 + be16(bytes + at + 2);
    }
    return false;
}

// The size a file's header claims, read before ImageMagick sees the file:
// beyond its limits it aborts or names no size. False when the header is too
// short to tell; ImageMagick then says what is wrong.
bool declaredSize(const unsigned char* b, size_t size, ImageFormat format, int64_t* width, int64_t* height) {
    switch (format) {
        case ImageFormat::kPng:
            if (size < 24)
                return false;
            *width = be32(b + 16);
            *height = be32(b + 20);
            return true;
        case ImageFormat::kBmp: {
            if (size < 26 || readLe32(b + 14) < 40)
                return false;  // the old 12-byte header's sizes are 16-bit and always fit
            const int32_t rows = static_cast<int32_t>(readLe32(b + 22));
            *width = static_cast<int32_t>(readLe32(b + 18));
            *height = rows < 0 ? -static_cast<int64_t>(rows) : rows;
            return true;
        }
        case ImageFormat::kTga:
            if (size < 18)
                return false;
            *width = readLe16(b + 12);
            *height = readLe16(b + 14);
            return true;
        case ImageFormat::kPcx:
            if (size < 12)
                return false;
            *width = static_cast<int64_t>(readLe16(b + 8)) - readLe16(b + 4) + 1;
            *height = static_cast<int64_t>(readLe16(b + 10)) - readLe16(b + 6) + 1;
            return true;
        case ImageFormat::kJpeg: return jpegSize(b, size, width, height);
        case ImageFormat::kDds:
            if (size < 20 || readLe32(b) != 0x20534444)  // "DDS "
                return false;
            *height = readLe32(b + 12);
            *width = readLe32(b + 16);
            return true;
        case ImageFormat::kNone: break;
    }
    return false;
}

// Whether every chunk of a PNG claims no more bytes than the whole file holds: libpng allocates and
// clears what a chunk claims before it finds the file short, gigabytes for a few hostile bytes.
bool pngChunksFit(const unsigned char* b, size_t size, std::string* why) {
    for (size_t at = 8; at + 8 <= size;) {
        const uint32_t length = be32(b + at);
        if (length > size) {
            *why = "a PNG chunk of " + std::to_string(length) + " bytes in a file of " + std::to_string(size);
            return false;
        }
        at += 12 + static_cast<size_t>(length);
    }
    return true;
}

// An 8-bit, one-plane PCX: the kind that carries a palette of 256 colours.
bool isPalettePcx(const unsigned char* bytes, size_t size) {
    return size > 65 && bytes[0] == 0x0A && bytes[3] == 8 && bytes[65] == 1;
}

// Copies rows of `from` into `to` in the other vertical order.
void turnRows(const unsigned char* from, unsigned char* to, size_t width, size_t height) {
    const size_t row = 3 * width;
    for (size_t y = 0; y < height; ++y)
        std::memcpy(to + (height - 1 - y) * row, from + y * row, row);
}

// Reads the picture, counting damage the library only warns about (a JPEG cut
// short) as failure; other warnings leave a whole picture.
void readWhole(Magick::Image& image, const unsigned char* bytes, size_t size, ImageFormat format) {
    Magick::Blob blob(bytes, size);
    image.magick(coderName(format));
    try {
        image.read(blob);
    } catch (const Magick::WarningCorruptImage&) {
        throw;
    } catch (const Magick::Warning&) {
        if (image.columns() == 0 || image.rows() == 0)
            throw;
    }
}

void takePalette(Magick::Image& image, std::vector<unsigned char>* palette) {
    if (image.classType() != Magick::PseudoClass)
        return;
    const MagickCore::Image* core = image.constImage();
    for (size_t i = 0; i < core->colors; ++i) {
        const MagickCore::PixelPacket& c = core->colormap[i];
        palette->push_back(MagickCore::ScaleQuantumToChar(c.red));
        palette->push_back(MagickCore::ScaleQuantumToChar(c.green));
        palette->push_back(MagickCore::ScaleQuantumToChar(c.blue));
    }
}

}  // namespace

bool ImageCodec::decode(const unsigned char* bytes, size_t size, ImageFormat format, Picture* out, std::string* why) {
    if (size == 0) {
        *why = "empty file";
        return false;
    }
    const PictureLimits& most = PictureLimits::current();
    int64_t declaredWidth = 0, declaredHeight = 0;
    // A side of 0 or less is damage, which ImageMagick names better.
    if (declaredSize(bytes, size, format, &declaredWidth, &declaredHeight) && declaredWidth > 0 && declaredHeight > 0 &&
        !most.admits(declaredWidth, declaredHeight)) {
        *why = most.refusal(declaredWidth, declaredHeight);
        return false;
    }
    if (format == ImageFormat::kPng && !pngChunksFit(bytes, size, why))
        return false;
    try {
        Magick::Image image;
        readWhole(image, bytes, size, format);
        const size_t width = image.columns(), height = image.rows();
        if (width == 0 || height == 0) {
            *why = "not an image";
            return false;
        }
        std::vector<unsigned char> top(3 * width * height);
        image.write(0, 0, width, height, "RGB", Magick::CharPixel, top.data());
        Picture picture;
        picture.width = static_cast<int>(width);
        picture.height = static_cast<int>(height);
        picture.rgb.resize(top.size());
        turnRows(top.data(), picture.rgb.data(), width, height);
        if (format == ImageFormat::kPcx && isPalettePcx(bytes, size))
            takePalette(image, &picture.palette);
        *out = std::move(picture);
        return true;
    } catch (const std::exception& e) {
        *why = reasonOf(e);
    } catch (...) {
        *why = "not an image";
    }
    return false;
}

namespace {

using MagickCore::Quantum;  // QuantumRange names it unqualified

Quantum quantumOf(unsigned char value) {
    return static_cast<Quantum>(value * (QuantumRange / 255.0) + 0.5);
}

// Index of the colour of palette (count entries) nearest to rgb; the first of equals.
unsigned nearestColour(const unsigned char* rgb, const std::vector<unsigned char>& palette) {
    unsigned best = 0;
    long bestDistance = -1;
    for (size_t i = 0; i + 2 < palette.size(); i += 3) {
        long distance = 0;
        for (int c = 0; c < 3; ++c) {
            const long d = static_cast<long>(rgb[c]) - palette[i + c];
            distance += d * d;
        }
        if (bestDistance < 0 || distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<unsigned>(i / 3);
        }
    }
    return best;
}

// An image of width x height texels whose colours are entries of palette, in
// the palette's own order; *changed counts texels that were not one of them.
void paletteImage(Magick::Image& image, int width, int height, const unsigned char* rgb,
                  const std::vector<unsigned char>& palette, long* changed) {
    image = Magick::Image(Magick::Geometry(width, height), Magick::Color(0, 0, 0));
    image.modifyImage();
    MagickCore::Image* core = image.image();
    const size_t colours = palette.size() / 3;
    if (!MagickCore::AcquireImageColormap(core, colours))
        throw std::bad_alloc();
    for (size_t i = 0; i < colours; ++i) {
        core->colormap[i].red = quantumOf(palette[3 * i]);
        core->colormap[i].green = quantumOf(palette[3 * i + 1]);
        core->colormap[i].blue = quantumOf(palette[3 * i + 2]);
    }
    std::unordered_map<unsigned long, unsigned> nearest;
    Magick::Pixels view(image);
    for (int y = 0; y < height; ++y) {
        MagickCore::PixelPacket* pixels = view.get(0, y, width, 1);
        MagickCore::IndexPacket* indexes = view.indexes();
        const unsigned char* row = rgb + 3 * static_cast<size_t>(height - 1 - y) * width;
        for (int x = 0; x < width; ++x) {
            const unsigned char* texel = row + 3 * x;
            const unsigned long key = (texel[0] << 16) | (texel[1] << 8) | texel[2];
            auto found = nearest.find(key);
            const unsigned index =
                found != nearest.end() ? found->second : (nearest[key] = nearestColour(texel, palette));
            if (std::memcmp(texel, &palette[3 * index], 3) != 0)
                ++*changed;
            indexes[x] = index;
            pixels[x] = core->colormap[index];
        }
        view.sync();
    }
}

bool isGrey(const std::vector<unsigned char>& rgb) {
    for (size_t i = 0; i + 2 < rgb.size(); i += 3)
        if (rgb[i] != rgb[i + 1] || rgb[i] != rgb[i + 2])
            return false;
    return true;
}

}  // namespace

bool ImageCodec::encode(const Picture& picture, ImageFormat format, std::vector<unsigned char>* bytes, long* changed,
                        std::string* why) {
    *changed = 0;
    const int width = picture.width, height = picture.height;
    const unsigned char* rgb = picture.rgb.data();
    const std::vector<unsigned char>& palette = picture.palette;
    if (!picture.whole() || format == ImageFormat::kNone) {
        *why = "no picture to write";
        return false;
    }
    const PictureLimits& most = PictureLimits::current();
    if (!most.admits(width, height)) {
        *why = most.refusal(width, height);
        return false;
    }
    try {
        Magick::Image image;
        if (format == ImageFormat::kPcx && palette.size() >= 3) {
            paletteImage(image, width, height, rgb, palette, changed);
        } else {
            std::vector<unsigned char> top(3 * static_cast<size_t>(width) * height);
            turnRows(rgb, top.data(), width, height);
            image = Magick::Image(width, height, "RGB", Magick::CharPixel, top.data());
        }
        image.depth(8);
        if (format == ImageFormat::kJpeg)
            image.quality(95);
        // Block compression would blur the paint; uncompressed texels read back as painted.
        if (format == ImageFormat::kDds)
            image.defineValue("dds", "compression", "none");
        Magick::Blob blob;
        // PNG as 8-bit red, green, blue, whatever colours the picture happens to hold.
        image.write(&blob, format == ImageFormat::kPng ? "PNG24" : coderName(format));
        const unsigned char* data = static_cast<const unsigned char*>(blob.data());
        bytes->assign(data, data + blob.length());
        return true;
    } catch (const std::exception& e) {
        *why = reasonOf(e);
    } catch (...) {
        *why = "cannot encode the picture";
    }
    return false;
}

bool ImageCodec::encodeOver(const Picture& picture, const unsigned char* original, size_t size,
                            std::vector<unsigned char>* bytes, std::string* why) {
    try {
        Magick::Image image;
        readWhole(image, original, size, ImageFormat::kJpeg);
        if (!picture.whole() || image.columns() != static_cast<size_t>(picture.width) ||
            image.rows() != static_cast<size_t>(picture.height)) {
            *why = "the picture is not the size of its file";
            return false;
        }
        // Texels go in as red, green, blue: a CMYK file, or a grey one painted in colour, takes them in colour.
        const bool keptGrey = image.colorSpace() == Magick::GRAYColorspace && isGrey(picture.rgb);
        if (image.colorSpace() != Magick::sRGBColorspace && !keptGrey) {
            image.colorSpace(Magick::sRGBColorspace);
            image.type(Magick::TrueColorType);
        }
        std::vector<unsigned char> top(picture.rgb.size());
        turnRows(picture.rgb.data(), top.data(), picture.width, picture.height);
        image.modifyImage();
        if (!MagickCore::ImportImagePixels(image.image(), 0, 0, picture.width, picture.height, "RGB",
                                           MagickCore::CharPixel, top.data()))
            throw std::bad_alloc();
        image.quality(image.quality() > 0 ? image.quality() : 95);
        Magick::Blob blob;
        image.write(&blob, "JPEG");
        const unsigned char* data = static_cast<const unsigned char*>(blob.data());
        bytes->assign(data, data + blob.length());
        return true;
    } catch (const std::exception& e) {
        *why = reasonOf(e);
    } catch (...) {
        *why = "cannot encode the picture";
    }
    return false;
}
