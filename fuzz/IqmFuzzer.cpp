// IQM models from hostile bytes: decoded, every frame skinned into the scene Meshform draws, and every
// corner of every frame read as drawing does.
#include <cstdint>

#include "plugins/meshform/IqmFile.h"
#include "plugins/meshform/IqmScene.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    IqmFile iqm;
    MeshformScene scene;
    if (iqm.decode(data, size) != IqmFile::kRead || !IqmScene::fill(iqm, &scene))
        return 0;
    volatile float sum = 0.0f;
    for (const MeshformScene::Frame& frame : scene.frames)
        for (unsigned int corner : scene.corners)
            sum = sum + frame.positions.at(3 * corner) + frame.normals.at(3 * corner + 2) +
                  scene.texCoords.at(2 * corner);
    for (const MeshformScene::Clip& clip : scene.clips)
        sum = sum + static_cast<float>(scene.frames.at(clip.first + clip.count - 1).positions.size());
    return 0;
}
