// The tiles of each skin changed since it was last saved or loaded. Tiles are
// marked whole, so a tile may be written that still equals the file; writing
// back what a file already holds does no harm.
#include "paint/history/DirtySkins.h"

#include <algorithm>

namespace {

int tilesAcross(int size) {
    return (size + DirtySkins::kTileSize - 1) / DirtySkins::kTileSize;
}

}  // namespace

void DirtySkins::mark(const Key& key, int width, int height, const TexelRect& area) {
    if (width <= 0 || height <= 0)
        return;
    const TexelRect part = area.clippedTo(width, height);
    if (part.empty())
        return;
    Skin& skin = skins_[key];
    if (skin.width != width || skin.height != height) {
        // A picture of another size: tiles of the old grid mean nothing now.
        skin.width = width;
        skin.height = height;
        skin.tiles.assign(static_cast<size_t>(tilesAcross(width)) * tilesAcross(height), false);
    }
    const int columns = tilesAcross(width);
    for (int ty = part.y0 / kTileSize; ty <= part.y1 / kTileSize; ++ty)
        for (int tx = part.x0 / kTileSize; tx <= part.x1 / kTileSize; ++tx)
            skin.tiles[static_cast<size_t>(ty) * columns + tx] = true;
    skin.generation = nextGeneration_++;
}

void DirtySkins::dropOwner(unsigned long long owner) {
    for (auto it = skins_.begin(); it != skins_.end();)
        it = it->first.owner == owner ? skins_.erase(it) : std::next(it);
}

DirtySkins::Mark DirtySkins::markOf(unsigned long long owner, long skin) const {
    Mark mark;
    for (const auto& [key, entry] : skins_)
        if (key.owner == owner && (skin < 0 || key.skin == static_cast<unsigned long>(skin)))
            mark.emplace_back(key, entry.generation);
    return mark;
}

void DirtySkins::saved(const Mark& mark) {
    for (const auto& [key, generation] : mark) {
        auto found = skins_.find(key);
        if (found != skins_.end() && found->second.generation == generation)
            skins_.erase(found);
    }
}

std::vector<TexelRect> DirtySkins::tileRects(const Skin& skin) {
    std::vector<TexelRect> rects;
    const int columns = tilesAcross(skin.width);
    for (size_t i = 0; i < skin.tiles.size(); ++i) {
        if (!skin.tiles[i])
            continue;
        const int tx = static_cast<int>(i) % columns, ty = static_cast<int>(i) / columns;
        TexelRect rect;
        rect.include(tx * kTileSize, ty * kTileSize);
        rect.include(std::min(skin.width, (tx + 1) * kTileSize) - 1, std::min(skin.height, (ty + 1) * kTileSize) - 1);
        rects.push_back(rect);
    }
    return rects;
}
