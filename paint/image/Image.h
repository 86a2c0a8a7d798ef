#pragma once

#include <GL/gl.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/io/FileContents.h"
#include "paint/image/BmpFormat.h"
#include "paint/image/ImageFormats.h"
#include "paint/image/Picture.h"
#include "paint/image/SavedTexels.h"
#include "paint/image/SkinSource.h"
#include "paint/image/TexelRect.h"

// One RGB picture read from a skin file (BMP, PCX, PNG, JPEG or TGA), with the
// file it came from, that file's format and the texture name its owner gave
// it. The pixels are a Picture; whatever the file, the header describes the
// picture as the 24-bit BMP it is written as.
class Image {
public:
    // A picture read and decoded ahead of its use, on any thread, and what
    // reading it had to say: printed when the picture is put to use, so the
    // messages come where a read at that point would have put them.
    struct Decoded {
        std::unique_ptr<Image> image;  // null when the file could not be read
        std::string messages;
    };

    Image();
    virtual ~Image() = default;
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // Reads as read does and prints what reading said; null, for the caller
    // to own otherwise, when the file could not be read.
    static Image* load(std::string* filename);
    // Reads the picture named filename from its sourceFile, without a texture.
    static Decoded read(const std::string& filename);
    // The same from file, what reading path (filename's sourceFile) came to.
    static Decoded read(const std::string& filename, const std::string& path, const FileContents& file);
    // The same from the size bytes of the file path, in path's format.
    static Decoded decode(const unsigned char* bytes, size_t size, const std::string& filename,
                          const std::string& path);
    // The file load and reloadImage read for a picture named filename (a
    // ".pcx" name reads the ".bmp" beside it when there is one); empty for
    // names they refuse.
    static std::string sourceFile(const std::string& filename);
    int reloadImage(std::string* filename);
    // The second half of reloadImage: prints fresh's messages and takes its
    // picture, when it has the size a reload must keep.
    int takeReloaded(Decoded fresh, const std::string& filename);
    // The whole file of format that write makes for filename: for the
    // picture's ownFile, in the form of the file read when that was of format
    // too (its palette, metadata, quality), otherwise a 24-bit BMP by the
    // program's own encoder or the codec's. False, having said why, when there
    // is no picture to write; *notes gets the lines to print once the bytes
    // are written (what a palette could not hold).
    bool encode(ImageFormat format, const std::string& filename, std::vector<unsigned char>* bytes, std::string* notes,
                bool ownFile = false) const;
    int write(const char* filename);
    int write(std::string* filename);
    // Writes the picture back to the file it was read from; refused, saying
    // so, when that is a link out of the folder keepSavesIn named. Once
    // written, the picture counts as unchanged.
    int save();
    // Whether the picture differs from what its file holds, as far as the
    // program knows: painted since the file was read or saved, or loaded
    // into the skin by name (a picture undone back to its file's is unchanged).
    bool changed() const { return !saved_.holds(picture_.rgb); }
    // The picture's file now holds it.
    void markSaved() { saved_.remember(picture_.rgb); }
    // Written as copy was (by copy's save): counts as unchanged while it holds copy's texels.
    void savedAs(const Image& copy) {
        saved_ = copy.saved_;
        source_ = copy.source_;
    }
    // For pictures found by searching a folder (a model's), rather than named
    // by the user: save() writes through no link that leads out of it.
    void keepSavesIn(const std::string& folder) { saveFolder_ = folder; }
    // For pictures with no file of their own to go back to (one a model file
    // carries inside it): save() hands the picture to saver, which writes it
    // where it belongs and says where, and returns what saver returns.
    void saveThrough(std::function<int(Image&)> saver) { saver_ = std::move(saver); }

    int loadBMP(const char* filename);
    int reloadBMP(const char* filename);
    int writeBMP(const char* filename);

    int width() const { return header.width; }
    int height() const { return header.height; }
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

    void setTexture(GLuint name) {
        texture = name;
        uploadedWidth_ = uploadedHeight_ = -1;  // a new texture holds no picture yet
    }
    GLuint getTexture() { return texture; }
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

    const std::string& getFilename() const { return original_filename; }
    // The file the picture was read from, which save() writes, and its format.
    const std::string& getSourceFile() const { return sourceFile_; }
    ImageFormat getFormat() const { return format_; }
    const Picture& picture() const { return picture_; }
    const GLubyte* pixels() const { return picture_.rgb.empty() ? nullptr : picture_.rgb.data(); }
    GLubyte* pixels() { return picture_.rgb.empty() ? nullptr : picture_.rgb.data(); }
    size_t pixelBytes() const { return picture_.rgb.size(); }

private:
    bool pixelOffset(int x, int y, size_t* offset) const;
    bool holdsWholePicture() const;
    int takeBmp(const unsigned char* bytes, size_t size, const char* filename, std::string* messages);
    // Encodes and writes the picture, printing what encoding noted.
    bool writeAs(const char* filename, ImageFormat format);
    void takePicture(Image& from);

    BmpHeader header;
    Picture picture_;
    std::string original_filename;
    GLuint texture;
    bool plain_layout;                  // read from a plain 54-byte bottom-up file: write its header back as is
    std::string sourceFile_;            // the file read, which may differ from original_filename
    ImageFormat format_;                // sourceFile_'s format
    std::string saveFolder_;            // the folder sourceFile_ was found in by a search; empty for a name given
    std::function<int(Image&)> saver_;  // what save() does instead of writing sourceFile_; empty for a file
    std::shared_ptr<const SkinSource> source_;  // what sourceFile_ held beside its texels; null when nothing is kept
    SavedTexels saved_;                         // the texels sourceFile_ holds
    int uploadedWidth_ = -1;                    // the size the texture was last uploaded whole at
    int uploadedHeight_ = -1;
};
