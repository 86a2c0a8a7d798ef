#pragma once

// The undo and redo history of painting. A step is one paint stroke or one
// skin load. A stroke keeps, per skin it touched, the tiles of texels it
// changed as they were before it changed them; a skin load keeps the whole
// picture it replaced. Undo and redo swap what a step keeps with what the
// skin holds now, so either way round needs no extra copy. The history is
// bounded by the bytes it holds: the oldest steps go first. It makes no
// OpenGL calls; whoever runs it uploads the rectangles it reports changed.
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "paint/image/Image.h"
#include "paint/image/TexelRect.h"

class PaintHistory {
public:
    // One skin of one model: the model's serial (never handed out twice)
    // and the skin's number in that model, as users type it.
    struct SkinKey {
        unsigned long long owner = 0;
        unsigned int skin = 0;
        bool operator<(const SkinKey& o) const { return owner != o.owner ? owner < o.owner : skin < o.skin; }
    };
    // What an undo or redo changed in one skin, to be uploaded.
    struct Change {
        SkinKey key;
        TexelRect rect;
    };
    // What an undo or redo did: the line to print and the skins it changed.
    struct Outcome {
        std::string message;
        std::vector<Change> changes;
    };
    // The image a skin has now, or null when the model or skin is gone.
    using ImageLookup = std::function<Image*(const SkinKey&)>;

    static constexpr int kTileSize = 64;
    static constexpr size_t kDefaultLimitBytes = size_t(256) << 20;
    // The limit in bytes that text asks for as a whole number of MiB: decimal
    // digits only (no sign, no spaces), at least 1 and within a size_t; false
    // and bytes untouched otherwise.
    static bool limitFromMiB(const char* text, size_t& bytes);

    explicit PaintHistory(size_t limitBytes = kDefaultLimitBytes) : limit_(limitBytes) {}
    PaintHistory(const PaintHistory&) = delete;
    PaintHistory& operator=(const PaintHistory&) = delete;

    void setLimit(size_t bytes);
    size_t limit() const { return limit_; }
    // Bytes held by every step, the one being painted included.
    size_t bytesHeld() const { return heldBytes_ + open_.bytes; }
    size_t undoSteps() const { return undo_.size(); }
    size_t redoSteps() const { return redo_.size(); }

    // Opens a stroke unless one is open.
    void beginStroke();
    bool inStroke() const { return stroking_; }
    // Called before texels of area (clipped to the picture) are painted in
    // the open stroke: saves the tiles area covers that the stroke has not
    // saved yet. ownerName is kept for messages.
    void saveBefore(const SkinKey& key, const char* ownerName, Image& image, const TexelRect& area);
    // Closes the open stroke; it becomes a step when it changed any texel.
    void endStroke();
    // Records that image had its picture replaced; before holds the picture it had.
    void recordSkinLoad(const SkinKey& key, const char* ownerName, std::unique_ptr<Image> before);

    // Undo or redo the latest step; an open stroke is closed first.
    Outcome undo(const ImageLookup& lookup);
    Outcome redo(const ImageLookup& lookup);
    // Drops every step's part on the model with this serial (it is deleted).
    void forgetOwner(unsigned long long owner);
    void clear();

private:
    struct Tile {
        TexelRect rect;
        std::vector<unsigned char> texels;  // rows bottom first, like the picture
    };
    struct SkinRecord {
        std::string ownerName;
        int width = 0, height = 0;       // the picture's size the tiles belong to
        Image* image = nullptr;          // only while the stroke is open
        std::vector<bool> saved;         // per tile of the picture, while the stroke is open
        std::vector<Tile> tiles;         // a stroke's saved tiles
        std::unique_ptr<Image> picture;  // a skin load's other picture
    };
    enum class Kind { kStroke, kSkinLoad };
    struct Step {
        Kind kind = Kind::kStroke;
        std::map<SkinKey, SkinRecord> skins;
        size_t bytes = 0;
    };

    // Keeps a finished step, dropping redo steps and the oldest ones to stay in bounds.
    void keep(Step&& step);
    // Drops redo steps (the furthest first), then the oldest undo steps,
    // while more than the limit is held.
    void shrinkToLimit();
    // Undo or redo of the step at the back of from; it moves to the back of to.
    Outcome swapLatest(std::deque<Step>& from, std::deque<Step>& to, const char* verb, const ImageLookup& lookup);
    static bool fits(const Step& step, const ImageLookup& lookup);
    static TexelRect swapInto(SkinRecord& record, Image& image);
    static std::string describe(const Step& step);
    static size_t tileCount(int size) { return static_cast<size_t>((size + kTileSize - 1) / kTileSize); }
    void dropHeldSteps();
    void dropSteps(std::deque<Step>& steps);

    size_t limit_;
    size_t heldBytes_ = 0;  // bytes of the undo and redo steps
    std::deque<Step> undo_, redo_;
    Step open_;
    bool stroking_ = false;
    bool overflowed_ = false;  // the open stroke outgrew the limit and keeps nothing
};
