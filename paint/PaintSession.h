#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "paint/history/DirtySkins.h"
#include "paint/history/PaintHistory.h"
#include "paint/history/PaintRecorder.h"

class BrushModel;
class JournalWriter;
class PaintableModel;

// The one place a paint stroke begins and ends, and the undo history every
// paintable model records its strokes and skin loads into. A `paint` command
// is a stroke of its own; a painting drag's dabs, on whichever models, are
// one stroke until the button goes up. Callers hold the model-list mutex.
class PaintSession : public PaintRecorder {
public:
    explicit PaintSession(size_t limitBytes = PaintHistory::kDefaultLimitBytes) : history_(limitBytes) {}
    PaintSession(const PaintSession&) = delete;
    PaintSession& operator=(const PaintSession&) = delete;

    // The limit VELMORA_UNDO_MIB asks for when it holds a whole number of MiB
    // of at least 1, else the default.
    static size_t limitFromEnvironment();

    // One dab on model as a step of its own; a drag still painting ends its stroke first.
    void paintStroke(PaintableModel& model, BrushModel* brush);
    // One dab of a drag; the first opens the drag's stroke.
    void paintInDrag(PaintableModel& model, BrushModel* brush);
    // The button went up: the drag's stroke, if it painted, becomes a step.
    // A drag whose dabs reached no texel says so, once.
    void endDrag();

    // What the models report while they paint, load skins and go away.
    bool inStroke() const override { return history_.inStroke(); }
    void saveBefore(unsigned long long serial, const char* name, unsigned int skin, Image& image,
                    const TexelRect& area) override;
    void recordSkinLoad(unsigned long long serial, const char* name, unsigned int skin,
                        std::unique_ptr<Image> before) override;
    void forget(unsigned long long serial) override;

    // Takes back or puts back the latest step on whichever models find still
    // knows by serial, and queues what changed for the next draw to upload.
    using ModelLookup = std::function<PaintableModel*(unsigned long long serial)>;
    PaintHistory::Outcome undo(const ModelLookup& find);
    PaintHistory::Outcome redo(const ModelLookup& find);

    PaintHistory& history() { return history_; }

    // The recovery journal told of every change to a skin's texels, when
    // there is one (null: none).
    void setJournal(JournalWriter* journal) { journal_ = journal; }
    JournalWriter* journal() const { return journal_; }
    // Taken when a save copies the skins of model serial (all of them, or
    // just skin when it is not negative), and handed back once they are on
    // disk: skins unchanged since then have nothing left to recover.
    DirtySkins::Mark savedMark(unsigned long long serial, long skin = -1) const;
    void markSaved(const DirtySkins::Mark& mark);

private:
    PaintHistory::Outcome shown(PaintHistory::Outcome outcome, const ModelLookup& find);
    static PaintHistory::ImageLookup skinsOf(const ModelLookup& find);

    void journalChange(unsigned long long serial, unsigned int skin, const Image& image, const TexelRect& area);

    PaintHistory history_;
    JournalWriter* journal_ = nullptr;
    std::string dragModel_;     // the model the open drag last dabbed on; empty: no dab yet
    bool dragReached_ = false;  // a dab of the open drag changed a texel
};
