// Choosing the reader by the file's name, as the user gives it.
#include "plugins/meshform/SceneReader.h"

#include "plugins/meshform/AssimpScene.h"
#include "plugins/meshform/IqmScene.h"
#include "plugins/meshform/Md3Scene.h"

bool SceneReader::read(const std::string& path, MeshformScene* into) {
    // Assimp keeps only the first of an MD3's frames, and none of an IQM's skeleton.
    if (Md3Scene::reads(path))
        return Md3Scene::read(path, into);
    if (IqmScene::reads(path))
        return IqmScene::read(path, into);
    return AssimpScene::read(path, into);
}
