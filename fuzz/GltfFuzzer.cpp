// glTF files from hostile bytes, through the editor that puts painted
// pictures back into them: whatever picture it agrees to replace must come
// out as a file that reads again with the same picture, of the same type, in
// its place, and the new bytes in it.
#include <cstdlib>
#include <string>

#include "plugins/meshform/GltfImageSplice.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string file(reinterpret_cast<const char*>(data), size);
    const std::string picture = file.substr(0, 7);  // any length, four-byte aligned or not
    for (int n = 0; n < 3; ++n) {
        GltfImageSplice splice(file);
        const std::string mime = splice.mimeOf(n);
        std::string out;
        if (mime.empty() || !splice.replace(n, picture, &out))
            continue;
        GltfImageSplice again(out);
        std::string twice;
        if (again.mimeOf(n) != mime || !again.replace(n, picture, &twice) || twice != out)
            std::abort();
    }
    return 0;
}
