#pragma once

// Which tiles of which skins hold paint their files do not: marked as paint,
// undo and redo change texels, dropped when the skin is saved, reloaded or
// its model deleted. Each mark gives the skin a new generation, so a writer
// can tell what changed since it last looked and a save can tell whether
// paint came in while it wrote. Callers hold the model-list mutex.
#include <map>
#include <utility>
#include <vector>

#include "paint/history/PaintHistory.h"
#include "paint/image/TexelRect.h"

class DirtySkins {
public:
    using Key = PaintHistory::SkinKey;
    struct Skin {
        int width = 0, height = 0;
        std::vector<bool> tiles;  // per tile of the grid, row by row
        unsigned long long generation = 0;
    };
    // A skin's generation as it was when a save copied it.
    using Mark = std::vector<std::pair<Key, unsigned long long>>;

    static constexpr int kTileSize = PaintHistory::kTileSize;

    // area of a width x height picture changed (or is about to).
    void mark(const Key& key, int width, int height, const TexelRect& area);
    // The skin's picture is its file's again.
    void drop(const Key& key) { skins_.erase(key); }
    void dropOwner(unsigned long long owner);
    // The generations of owner's skins (or just skin, when it is not negative).
    Mark markOf(unsigned long long owner, long skin = -1) const;
    // Drops each marked skin that has not changed since its mark was taken.
    void saved(const Mark& mark);

    const std::map<Key, Skin>& skins() const { return skins_; }
    // The rectangles of skin's marked tiles, clipped to its picture.
    static std::vector<TexelRect> tileRects(const Skin& skin);

private:
    std::map<Key, Skin> skins_;
    unsigned long long nextGeneration_ = 1;
};
