#pragma once

// What a skin's file holds beside its texels, kept from the bytes it was read
// from so that a save can write the painted picture back as that file was:
// an indexed BMP's or PNG's own palette and layout, a JPEG's metadata and
// quality. Kept only for those kinds of file; the others are written as
// their encoders always wrote them.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "paint/image/ImageFormats.h"
#include "paint/image/PaletteBmp.h"
#include "paint/image/PalettePng.h"
#include "paint/image/Picture.h"

class SkinSource {
public:
    // What is kept of the size bytes of a file of format; null when nothing is.
    static std::shared_ptr<const SkinSource> of(const unsigned char* bytes, size_t size, ImageFormat format);

    ImageFormat format() const { return format_; }

    enum class Written {
        kAsItWas,     // *bytes hold the picture as a file like this one
        kNotFitting,  // some of the picture's colours are not in the file's palette; *notes says how many
        kNotKept,     // the picture is not of the file's size: nothing of the file applies
        kFailed,      // *why says why
    };
    // The picture as a file like this one, to be written as filename.
    Written writeBack(const Picture& picture, const std::string& filename, std::vector<unsigned char>* bytes,
                      std::string* notes, std::string* why) const;

private:
    ImageFormat format_ = ImageFormat::kNone;
    std::vector<unsigned char> bytes_;
    std::optional<PaletteBmp> bmp_;
    std::optional<PalettePng> png_;
};
