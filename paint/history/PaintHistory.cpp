// The paint history: strokes save tiles before the brush first changes them
// and keep, when they end, only the tiles whose texels differ from the picture
// by then; undo and redo exchange those tiles (or a skin load's whole picture)
// with the skin. A step is applied only when every skin it names is still
// there at the size it was saved at, so no swap reaches past a picture.
#include "paint/history/PaintHistory.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

size_t pictureBytes(int width, int height) {
    return 3 * static_cast<size_t>(width) * static_cast<size_t>(height);
}

// Whether image holds every texel its size claims.
bool wholePicture(Image& image) {
    return image.width() > 0 && image.height() > 0 && image.pixels() &&
           image.pixelBytes() >= pictureBytes(image.width(), image.height());
}

// The limit as the README states it: in MiB when it is a whole number of them.
std::string limitText(size_t bytes) {
    const size_t mib = size_t(1) << 20;
    return bytes % mib == 0 ? std::to_string(bytes / mib) + " MiB" : std::to_string(bytes) + " bytes";
}

void sayTooLarge(const std::string& step, size_t limit) {
    std::printf("%s is larger than the undo limit of %s: it and all before it cannot be undone\n", step.c_str(),
                limitText(limit).c_str());
}

}  // namespace

// ---------------------------------------------------------------- recording

void PaintHistory::setLimit(size_t bytes) {
    limit_ = bytes;
    shrinkToLimit();
}

void PaintHistory::beginStroke() {
    if (stroking_)
        return;
    stroking_ = true;
    overflowed_ = false;
    open_ = Step();
}

void PaintHistory::saveBefore(const SkinKey& key, const char* ownerName, Image& image, const TexelRect& area) {
    if (!stroking_ || overflowed_ || !wholePicture(image))
        return;
    const int width = image.width(), height = image.height();
    const TexelRect part = area.clippedTo(width, height);
    if (part.empty())
        return;
    auto [found, added] = open_.skins.try_emplace(key);
    SkinRecord& record = found->second;
    if (added) {
        record.ownerName = ownerName ? ownerName : "";
        record.width = width;
        record.height = height;
        record.image = &image;
        record.saved.assign(tileCount(width) * tileCount(height), false);
    } else if (record.image != &image || record.width != width || record.height != height) {
        return;  // not the picture the stroke started on; nothing the history can swap back
    }
    const size_t columns = tileCount(width);
    const size_t row = pictureBytes(width, 1);
    size_t grown = 0;
    for (int ty = part.y0 / kTileSize; ty <= part.y1 / kTileSize; ++ty) {
        for (int tx = part.x0 / kTileSize; tx <= part.x1 / kTileSize; ++tx) {
            const size_t index = static_cast<size_t>(ty) * columns + static_cast<size_t>(tx);
            if (record.saved[index])
                continue;
            record.saved[index] = true;
            Tile tile;
            tile.rect.include(tx * kTileSize, ty * kTileSize);
            tile.rect.include(std::min(width, (tx + 1) * kTileSize) - 1, std::min(height, (ty + 1) * kTileSize) - 1);
            const size_t span = pictureBytes(tile.rect.width(), 1);
            tile.texels.resize(span * static_cast<size_t>(tile.rect.height()));
            for (int y = tile.rect.y0; y <= tile.rect.y1; ++y)
                std::memcpy(&tile.texels[span * static_cast<size_t>(y - tile.rect.y0)],
                            image.pixels() + row * static_cast<size_t>(y) + pictureBytes(tile.rect.x0, 1), span);
            grown += tile.texels.size();
            record.tiles.push_back(std::move(tile));
        }
    }
    open_.bytes += grown;
    if (open_.bytes > limit_) {
        // The stroke alone outgrows the history: it cannot be undone, and
        // neither can anything before it, which lies behind it.
        sayTooLarge(describe(open_), limit_);
        open_ = Step();
        overflowed_ = true;
        dropHeldSteps();
    } else if (grown) {
        shrinkToLimit();  // the open stroke counts in what is held
    }
}

void PaintHistory::endStroke() {
    if (!stroking_)
        return;
    stroking_ = false;
    Step step = std::move(open_);
    open_ = Step();
    if (overflowed_) {
        overflowed_ = false;
        return;
    }
    step.bytes = 0;
    for (auto it = step.skins.begin(); it != step.skins.end();) {
        SkinRecord& record = it->second;
        // Tiles the stroke did not change after all are not worth keeping.
        const size_t row = pictureBytes(record.width, 1);
        auto unchanged = [&](const Tile& tile) {
            const size_t span = pictureBytes(tile.rect.width(), 1);
            for (int y = tile.rect.y0; y <= tile.rect.y1; ++y)
                if (std::memcmp(&tile.texels[span * static_cast<size_t>(y - tile.rect.y0)],
                                record.image->pixels() + row * static_cast<size_t>(y) + pictureBytes(tile.rect.x0, 1),
                                span) != 0)
                    return false;
            return true;
        };
        record.tiles.erase(std::remove_if(record.tiles.begin(), record.tiles.end(), unchanged), record.tiles.end());
        record.image = nullptr;
        record.saved = std::vector<bool>();
        if (record.tiles.empty()) {
            it = step.skins.erase(it);
            continue;
        }
        for (const Tile& tile : record.tiles)
            step.bytes += tile.texels.size();
        ++it;
    }
    if (!step.skins.empty())
        keep(std::move(step));
}

void PaintHistory::recordSkinLoad(const SkinKey& key, const char* ownerName, std::unique_ptr<Image> before) {
    endStroke();
    if (!before)
        return;
    Step step;
    step.kind = Kind::kSkinLoad;
    SkinRecord& record = step.skins[key];
    record.ownerName = ownerName ? ownerName : "";
    record.width = before->width();
    record.height = before->height();
    step.bytes = before->pixelBytes();
    record.picture = std::move(before);
    keep(std::move(step));
}

void PaintHistory::keep(Step&& step) {
    if (step.bytes > limit_) {
        sayTooLarge(describe(step), limit_);
        dropHeldSteps();
        return;
    }
    dropSteps(redo_);  // a new step replaces what could have been redone
    undo_.push_back(std::move(step));
    heldBytes_ += undo_.back().bytes;
    shrinkToLimit();
}

void PaintHistory::shrinkToLimit() {
    while (!redo_.empty() && bytesHeld() > limit_) {
        heldBytes_ -= redo_.front().bytes;
        redo_.pop_front();
    }
    while (!undo_.empty() && bytesHeld() > limit_) {
        heldBytes_ -= undo_.front().bytes;
        undo_.pop_front();
    }
}

// ---------------------------------------------------------------- undo and redo

PaintHistory::Outcome PaintHistory::undo(const ImageLookup& lookup) {
    endStroke();
    return swapLatest(undo_, redo_, "undo", lookup);
}

PaintHistory::Outcome PaintHistory::redo(const ImageLookup& lookup) {
    endStroke();
    return swapLatest(redo_, undo_, "redo", lookup);
}

PaintHistory::Outcome PaintHistory::swapLatest(std::deque<Step>& from, std::deque<Step>& to, const char* verb,
                                               const ImageLookup& lookup) {
    Outcome outcome;
    if (from.empty()) {
        outcome.message = std::string("nothing to ") + verb;
        return outcome;
    }
    Step& step = from.back();
    if (!fits(step, lookup)) {
        // The skin was replaced behind the history's back; this step and the
        // ones behind it would no longer lead to pictures that were.
        outcome.message = std::string("cannot ") + verb + " " + describe(step) + ": the skin has changed; " + verb +
                          " history dropped";
        dropSteps(from);
        return outcome;
    }
    heldBytes_ -= step.bytes;
    step.bytes = 0;
    for (auto& [key, record] : step.skins) {
        Image& image = *lookup(key);
        if (step.kind == Kind::kStroke) {
            outcome.changes.push_back({key, swapInto(record, image)});
            for (const Tile& tile : record.tiles)
                step.bytes += tile.texels.size();
        } else {
            image.swapPicture(*record.picture);
            TexelRect whole;
            whole.include(0, 0);
            whole.include(image.width() - 1, image.height() - 1);
            outcome.changes.push_back({key, whole});
            step.bytes += record.picture->pixelBytes();
        }
    }
    outcome.message = std::string(verb) + ": " + describe(step);
    heldBytes_ += step.bytes;
    to.push_back(std::move(step));
    from.pop_back();
    // A swapped-in picture of another size may hold more than the one it replaced.
    while (bytesHeld() > limit_ && !undo_.empty() && (undo_.size() > 1 || &to != &undo_)) {
        heldBytes_ -= undo_.front().bytes;
        undo_.pop_front();
    }
    return outcome;
}

bool PaintHistory::fits(const Step& step, const ImageLookup& lookup) {
    for (const auto& [key, record] : step.skins) {
        Image* image = lookup ? lookup(key) : nullptr;
        if (!image)
            return false;
        if (step.kind == Kind::kSkinLoad)
            continue;
        if (!wholePicture(*image) || image->width() != record.width || image->height() != record.height)
            return false;
    }
    return true;
}

TexelRect PaintHistory::swapInto(SkinRecord& record, Image& image) {
    TexelRect changed;
    const size_t row = pictureBytes(record.width, 1);
    for (Tile& tile : record.tiles) {
        const size_t span = pictureBytes(tile.rect.width(), 1);
        for (int y = tile.rect.y0; y <= tile.rect.y1; ++y) {
            unsigned char* saved = &tile.texels[span * static_cast<size_t>(y - tile.rect.y0)];
            GLubyte* held = image.pixels() + row * static_cast<size_t>(y) + pictureBytes(tile.rect.x0, 1);
            std::swap_ranges(saved, saved + span, held);
        }
        changed.include(tile.rect);
    }
    return changed;
}

// ---------------------------------------------------------------- forgetting

void PaintHistory::forgetOwner(unsigned long long owner) {
    auto forgetIn = [owner](Step& step) {
        for (auto it = step.skins.begin(); it != step.skins.end();) {
            if (it->first.owner != owner) {
                ++it;
                continue;
            }
            size_t bytes = it->second.picture ? it->second.picture->pixelBytes() : 0;
            for (const Tile& tile : it->second.tiles)
                bytes += tile.texels.size();
            step.bytes -= bytes;
            it = step.skins.erase(it);
        }
    };
    forgetIn(open_);
    for (std::deque<Step>* steps : {&undo_, &redo_}) {
        for (Step& step : *steps) {
            heldBytes_ -= step.bytes;
            forgetIn(step);
            heldBytes_ += step.bytes;
        }
        steps->erase(std::remove_if(steps->begin(), steps->end(), [](const Step& s) { return s.skins.empty(); }),
                     steps->end());
    }
}

void PaintHistory::clear() {
    dropHeldSteps();
    open_ = Step();
    stroking_ = false;
    overflowed_ = false;
}

void PaintHistory::dropHeldSteps() {
    dropSteps(undo_);
    dropSteps(redo_);
}

void PaintHistory::dropSteps(std::deque<Step>& steps) {
    for (const Step& step : steps)
        heldBytes_ -= step.bytes;
    steps.clear();
}

std::string PaintHistory::describe(const Step& step) {
    std::string text = step.kind == Kind::kStroke ? "paint stroke on " : "skin load on ";
    const char* separator = "";
    for (const auto& [key, record] : step.skins) {
        text += separator;
        text += "model '" + record.ownerName + "', skin " + std::to_string(key.skin);
        separator = "; ";
    }
    return text;
}

// strtoull alone would let white space and a sign in, and wrap "-1" to the
// largest value: only a word of digits is read.
bool PaintHistory::limitFromMiB(const char* text, size_t& bytes) {
    if (!text || !*text)
        return false;
    for (const char* c = text; *c; ++c)
        if (!std::isdigit(static_cast<unsigned char>(*c)))
            return false;
    errno = 0;
    const unsigned long long mib = std::strtoull(text, nullptr, 10);
    if (errno == ERANGE || mib < 1 || mib > (~size_t(0) >> 20))
        return false;
    bytes = static_cast<size_t>(mib) << 20;
    return true;
}
