// glTF files from hostile bytes, through the editor that puts painted
// pictures back into them: whatever picture it agrees to replace must come
// out as a file that reads again with the same picture, of the same type, in
// its place, and the new bytes in it. The same bytes go through the reader
// of stepped and spline samplers, whose curves must be as wide as their
// path and are played at a few times.
#include <cstdlib>
#include <string>
#include <vector>

#include "plugins/meshform/GltfCurves.h"
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
    const GltfCurves curves = GltfCurves::parse(file, "");
    for (size_t a = 0; a < curves.animations() && a < 4; ++a)
        for (const char* node : {"n", "a", "b"})
            for (int path = GltfCurves::kTranslation; path <= GltfCurves::kWeights; ++path)
                if (const GltfCurves::Curve* curve = curves.find(a, node, static_cast<GltfCurves::Path>(path))) {
                    // Node transforms are played into room for a quaternion: only weights may be wider.
                    if (path != GltfCurves::kWeights && curve->width != (path == GltfCurves::kRotation ? 4u : 3u))
                        std::abort();
                    std::vector<float> out(curve->width);
                    for (double time : {-1.0, 0.0, 0.48, 1.0, 1e9})
                        curve->at(time, out.data());
                }
    return 0;
}
