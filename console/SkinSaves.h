#pragma once

// `save skins` writes only the skins painted (or loaded) since their files
// were read or last saved, and says in one line which it left alone; a save
// that wrote a skin's own file makes the model's skin count as saved, so
// the next `save skins` leaves it alone too.

#include <memory>
#include <vector>

#include "paint/image/Image.h"

class SkinSaves {
public:
    // Saves each changed picture of copies (a model's skins as copySkins
    // makes them, taken under the model-list mutex and saved without it) and
    // names the files of the unchanged ones. 0 when a picture could not be
    // saved or there was none to copy; every picture is tried.
    static int saveChanged(const std::vector<std::unique_ptr<Image>>& copies);
    // Takes the mutex: the skins of model serial (num's, or all when num is
    // negative) that still show the files of the copies written count as
    // holding what the copies held.
    static void adopt(unsigned long long serial, const std::vector<std::unique_ptr<Image>>& copies, long num = -1);
};
