#pragma once

#include <GL/gl.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "paint/image/ImageFormats.h"
#include "paint/image/TexelRect.h"

// One RGB picture read from a skin file (BMP, PCX, PNG, JPEG or TGA), with the
// file it came from, that file's format and the texture name its owner gave
// it. Pixels are held bottom row first, red-green-blue, rows tightly packed:
// pixel (x, y) is at 3 * (y * width + x). Whatever the file, the header
// describes the picture as a plain 24-bit BMP.
class Image {
public:
    // The 14-byte file header and the 40-byte info header, field by field.
    struct BMPHeader {
        int16_t magic;
        uint32_t file_size;
        uint32_t reserved;
        uint32_t data_offset;
        uint32_t header_size;
        int32_t width;
        int32_t height;
        uint16_t planes;
        uint16_t bpp;
        uint32_t compression;
        uint32_t image_size;
        int32_t h_res;
        int32_t v_res;
        uint32_t pallete_colors;
        uint32_t important_colors;
    };

    Image();
    virtual ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    static Image* load(std::string* filename);
    // The file load and reloadImage read for a picture named filename (a
    // ".pcx" name reads the ".bmp" beside it when there is one); empty for
    // names they refuse.
    static std::string sourceFile(const std::string& filename);
    int reloadImage(std::string* filename);
    int write(const char* filename);
    int write(std::string* filename);
    int save();

    int loadBMP(const char* filename);
    int reloadBMP(const char* filename);
    int writeBMP(const char* filename);

    int width();
    int height();
    int get(int x, int y, GLubyte* out);
    int set(int x, int y, GLubyte* val, double opacity);
    // What set does to one texel's three bytes: val at opacity (held to 0..1,
    // an undefined one as 0) over the texel's own colour, truncated.
    static void blendTexel(GLubyte* texel, const GLubyte* val, double opacity) {
        if (opacity > 1.0)
            opacity = 1.0;
        else if (opacity < 0.0)
            opacity = 0.0;
        else if (std::isnan(opacity))
            opacity = 0.0;  // an undefined weight leaves the texel alone
        const double inv_op = static_cast<float>(1.0 - opacity);
        for (int c = 0; c < 3; ++c) {
            const int v = static_cast<int>(val[c] * opacity + texel[c] * inv_op);  // truncation, not rounding
            texel[c] = static_cast<GLubyte>(v > 255 ? 255 : v);
        }
    }
    // Texel (x, y) at 3 * (y * width + x), for callers that blend many texels
    // with blendTexel; null unless all width x height texels are held.
    GLubyte* heldTexels();

    void setTexture(GLuint texture);
    GLuint getTexture();
    void updateTexture();  // GL thread only
    // Uploads only the texels of rect (GL thread only). A picture not yet
    // uploaded whole at its present size is uploaded whole instead.
    void updateTextureRect(const TexelRect& rect);
    void swapRedBlue();
    // Exchanges the picture (texels, size, the file it came from) with
    // other's; each keeps its own texture.
    void swapPicture(Image& other);
    // A new image, without a texture, holding a copy of this picture.
    std::unique_ptr<Image> copyPicture() const;

    const BMPHeader& getHeader() const { return header; }
    const std::string& getFilename() const { return original_filename; }
    // The file the picture was read from, which save() writes, and its format.
    const std::string& getSourceFile() const { return sourceFile_; }
    ImageFormat getFormat() const { return format_; }
    const GLubyte* pixels() const { return data; }
    GLubyte* pixels() { return data; }
    size_t pixelBytes() const { return data_size; }

private:
    bool pixelOffset(int x, int y, size_t* offset) const;
    int readBmpStream(FILE* f, const char* filename);
    int readFile(const std::string& path);
    int readDecoded(const std::vector<unsigned char>& bytes, const std::string& path, ImageFormat format);
    int writeEncoded(const std::string& filename, ImageFormat format);
    void takePicture(Image& from);

    BMPHeader header;
    GLubyte* data;
    std::string original_filename;
    GLuint texture;
    size_t data_size;                     // bytes in data, whatever the header claims
    bool plain_layout;                    // read from a plain 54-byte bottom-up file: write its header back as is
    std::string sourceFile_;              // the file read, which may differ from original_filename
    ImageFormat format_;                  // sourceFile_'s format
    std::vector<unsigned char> palette_;  // an 8-bit PCX's colours, written back with it
    int uploadedWidth_ = -1;              // the size the texture was last uploaded whole at
    int uploadedHeight_ = -1;
};
