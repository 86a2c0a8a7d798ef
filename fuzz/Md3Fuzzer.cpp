// MD3 models from hostile bytes: decoded, turned into the scene Meshform draws, and every corner of
// every frame read as drawing does. The same bytes, as text, are read as an animation list and a skin.
#include <cstdint>
#include <string>

#include "plugins/meshform/Md3AnimationFile.h"
#include "plugins/meshform/Md3File.h"
#include "plugins/meshform/Md3Scene.h"
#include "plugins/meshform/Md3SkinFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    volatile size_t sink = Md3SkinFile::parse(text).size();
    for (Md3AnimationFile::Part part : {Md3AnimationFile::kWhole, Md3AnimationFile::kUpper, Md3AnimationFile::kLower})
        for (const MeshformScene::Clip& clip : Md3AnimationFile::parse(text, 200, part))
            sink = sink + static_cast<size_t>(clip.first + clip.count);
    Md3File md3;
    MeshformScene scene;
    if (md3.decode(data, size) != Md3File::kRead || !Md3Scene::fill(md3, {}, &scene))
        return 0;
    volatile float sum = 0.0f;
    for (const MeshformScene::Frame& frame : scene.frames)
        for (unsigned int corner : scene.corners)
            sum = sum + frame.positions.at(3 * corner) + frame.normals.at(3 * corner + 2) +
                  scene.texCoords.at(2 * corner);
    return 0;
}
