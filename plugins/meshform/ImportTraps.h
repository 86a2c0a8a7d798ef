#pragma once

// A look at a model file before Assimp reads it, for the few ways a file can
// trap the installed library's own readers: a PLY header whose end it never
// finds or that declares more elements than the file could hold (it reads on
// for hours), and an OFF face line it rejects twice over (its
// face count wraps round and the reading runs past its faces), and a glTF
// skin without inverse bind matrices (allowed, but the reader follows a null
// pointer). Such a file is
// refused here with a reason; every other file passes untouched.
#include <cstddef>
#include <cstdint>
#include <string>

class ImportTraps {
public:
    // How far into a PLY file its header's end is looked for.
    static constexpr size_t kMaxPlyHeader = 1 << 20;
    // The largest OFF file looked at: what the model reader lets Assimp read.
    static constexpr size_t kMaxOffFile = 256 << 20;
    // The corners Assimp's OFF reader takes on one face.
    static constexpr long kMaxOffCorners = 9;

    // False, with problem set, when Assimp must not be given the file at path; true for a file that cannot be
    // opened as a regular file too, which Assimp refuses with its own reason.
    static bool admits(const std::string& path, std::string* problem);
    // The same for a PLY file's first bytes (up to kMaxPlyHeader) and its size, and for an OFF file's text.
    static bool admitsPly(const std::string& head, uintmax_t fileSize, std::string* problem);
    static bool admitsOff(const std::string& text, std::string* problem);
    // The same for a glTF file's JSON (of a .gltf, or the first chunk of a .glb).
    static bool admitsGltf(const std::string& json, std::string* problem);
};
