// The Keyform model class and its registration. The file and its skins are
// read when the model is created, on the console's thread before the model
// is listed: mesh, keyframes and animation scripts are built then, and a
// file that cannot be read creates no model. modelInit runs on the GL thread
// at the first draw and only uploads the skins. Triangles show
// this model's own first skin, never a texture name that merely happens to be free.
#include "plugins/keyform/Keyform.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "plugins/ClassRegistry.h"
#include "plugins/keyform/Md2File.h"
#include "plugins/keyform/Md2Mesh.h"
#include "plugins/keyform/SkinSearch.h"
#include "scene/AsyncOutput.h"

namespace {

// Internal linkage: another plug-in's init can neither replace nor be mistaken for it.
__attribute__((constructor)) void init() {
    model_classes[const_cast<char*>("Keyform")] = Keyform::create;
}

// The names of the regular files in folder; none when it cannot be read.
std::vector<std::string> filesIn(const char* folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (it->is_regular_file(ignored))
            names.push_back(it->path().filename().string());
    }
    return names;
}

// The folder's own name ("sydney" for "models/sydney/" or, run from inside it, for ".").
std::string folderNameOf(const char* folder) {
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(folder, error).lexically_normal();
    if (path.filename().empty())
        path = path.parent_path();
    return path.filename().string();
}

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

}  // namespace

Keyform::Keyform(const char* name, const Md2File& md2) : PaintableModel(name), skinTexture(0), shownFrame_(0.0) {
    class_name = "Keyform";
    attributes["x"] = 0.0;
    attributes["y"] = 0.0;
    attributes["z"] = 0.0;
    attributes["frame"] = 0.0;
    lower_limits["frame"] = 0.0;
    upper_limits["frame"] = static_cast<double>(md2.frames.size()) - 1.0;
    frames_ = Md2Mesh::build(md2, *this);
    setFirstSight(frames_.extent());
    makeAnimationScripts(md2.frames);
}

Keyform::~Keyform() {}

AnimatedModel* Keyform::create(const char* name) {
    const std::string path = texturePath("tris.md2", name ? name : "");
    Md2File md2;
    if (md2.read(path.c_str()) != Md2File::kRead) {
        const std::string message = "cannot read MD2 model '" + path + "': " + md2.problem + "\n";
        reportModelCreationFailure(message.c_str());
        return nullptr;
    }
    Keyform* model = new Keyform(name, md2);
    model->folder_ = name ? name : "";
    model->readSkins(md2.skins);
    return model;
}

void Keyform::setFirstSight(const float* extent) {
    // The file's +Z turns up and its +X towards the viewer, as the model's own
    // turn, so the rotations turn a standing figure. The largest side of the
    // box over all frames (a standing figure's height) becomes 4 units, half
    // the view's height at the scene centre, so the whole model, in any
    // frame, stays in the window and clear of the near plane however it is turned.
    setUprightTurn(-90.0, 0.0, -90.0);
    const float largest = std::max(extent[0], std::max(extent[1], extent[2]));
    attributes["scale"] = largest > 0.0f ? 4.0 / static_cast<double>(largest) : 1.0;
}

Keyform::Animations Keyform::animationsOf(const std::vector<std::string>& frameNames) {
    Animations found;
    for (size_t i = 0; i < frameNames.size(); ++i) {
        std::string name = frameNames[i];
        while (!name.empty() && std::isdigit(static_cast<unsigned char>(name.back())))
            name.pop_back();
        if (name.empty())
            continue;
        auto same = std::find_if(found.begin(), found.end(), [&name](const auto& a) { return a.first == name; });
        if (same == found.end())
            same = found.insert(found.end(), {name, {}});
        same->second.push_back(static_cast<int>(i));
    }
    return found;
}

void Keyform::makeAnimationScripts(const std::vector<Md2File::Frame>& frames) {
    std::vector<std::string> names;
    for (const Md2File::Frame& frame : frames)
        names.push_back(frame.name);
    for (const auto& animation : animationsOf(names)) {
        // A name the attribute file could not carry makes no script.
        if (newScript(animation.first.c_str()) != 0)
            continue;
        current_script->behavior = SCR_REPEAT;
        for (int frame : animation.second) {
            position pose;
            pose["frame"] = frame;
            appendPose(&pose, kTicksPerFrame, INT_LINEAR);
        }
    }
    // Like any new model, this one starts without a current script.
    current_script = nullptr;
}

void Keyform::followFrame() {
    const double frame = getAttribute("frame");
    if (frame == shownFrame_)
        return;
    shownFrame_ = frame;
    frames_.showFrame(*this, frame);
}

void Keyform::draw() {
    followFrame();
    PaintableModel::draw();
}

void Keyform::paintModel(BrushModel* brush) {
    followFrame();
    PaintableModel::paintModel(brush);
}

void Keyform::modelInit() {
    uploadSkins();
    // A skin asked for before this first draw takes the first skin's place.
    if (textures.empty() && !texturesToCreate.empty()) {
        Image::Decoded queued = std::move(texturesToCreate.front());
        texturesToCreate.erase(texturesToCreate.begin());
        adoptSkin(std::move(queued));
    }
    showSkin();
    printSkinNumbers();
}

void Keyform::readSkins(const std::vector<std::string>& skinNames) {
    const char* folder = folder_.c_str();
    SkinSearch::Result found = SkinSearch(filesIn(folder), folderNameOf(folder)).search(skinNames);
    standIns_ = std::move(found.standIns);
    missing_ = std::move(found.missing);
    unchosen_ = std::move(found.unchosen);
    std::vector<std::string> paths;
    for (const std::string& file : found.files)
        paths.push_back(texturePath(file.c_str(), folder));
    skins_ = std::make_unique<SkinSet>(paths, folder_);
}

void Keyform::uploadSkins() {
    // Said now rather than when the files were searched: by then the model has the name it is listed by.
    for (const auto& [file, named] : standIns_)
        AsyncOutput::printf(stderr, "%s: using %s for %s\n", model_name, file.c_str(), joined(named).c_str());
    if (!missing_.empty())
        AsyncOutput::printf(stderr, "skins not found for %s: %s\n", model_name, joined(missing_).c_str());
    // Several pictures and no name to choose by: say which there are rather than guess.
    if (!unchosen_.empty())
        AsyncOutput::printf(stderr, "%s: no skin chosen among %s (load one with 'load skin 1 <file>')\n", model_name,
                            joined(unchosen_).c_str());
    if (skins_)
        AsyncOutput::write(stderr, skins_->leftOut);
    if (!skins_ || skins_->pictures.empty()) {
        glGenTextures(1, &skinTexture);  // kept free for the first skin loaded later
        skins_.reset();
        return;
    }
    std::vector<GLuint> ids(skins_->pictures.size(), 0);
    adoptTextures(skins_->pictures, ids.data());
    for (GLuint id : ids)
        if (textures.count(id))
            textures[id]->keepSavesIn(folder_);  // found by the search, not named by the user
    skinTexture = ids[0];
    skins_.reset();
}

int Keyform::takeSkin(int num, const char* filename, Image::Decoded picture) {
    // Skin 1 of a model still without pictures becomes its first skin, under
    // the name its triangles are to show; the upload waits for the next draw.
    if (num == 1 && textures.empty() && skinTexture != 0 && filename)
        return adoptSkin(std::move(picture)) ? 1 : 0;
    return PaintableModel::takeSkin(num, filename, std::move(picture));
}

bool Keyform::adoptSkin(Image::Decoded picture) {
    AsyncOutput::write(stdout, picture.messages);
    if (!picture.image)
        return false;
    Image* image = picture.image.release();
    image->setTexture(skinTexture);
    textures[skinTexture] = image;
    texturesToReload.push_back(skinTexture);
    showSkin();
    return true;
}

void Keyform::showSkin() {
    // Without a picture the triangles stay untextured rather than bind an empty texture.
    GLuint shown = textures.count(skinTexture) ? skinTexture : 0;
    for (Triangle* tri : triangles)
        tri->setTexture(shown);
}
