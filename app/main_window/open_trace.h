#pragma once
#include "workflow/trace_log.h"

// The timing marks of one open, each once and in this order: open-chosen,
// image-loaded, first-tile-painted, visible-painted (every visible tile on
// screen), all-done (every tile finished). Marks of painting wait for the
// paint that shows what the engine reported.
class OpenTrace {
public:
    void OpenChosen()
    {
        stage = Chosen;
        TraceEvent("open-chosen");
    }
    void ImageLoaded()
    {
        stage = Loaded;
        tilePending = visiblePending = allPending = false;
        TraceEvent("image-loaded");
    }
    // The engine reported finished tiles (or, with `tile` false, only how far it got).
    void Reported(bool tile, bool visibleDone, bool allDone)
    {
        tilePending |= tile;
        visiblePending |= visibleDone;
        allPending |= allDone;
        if (stage == Visible && allPending)
            Mark(Done, "all-done");
    }
    // A paint transferred image pixels.
    void Painted()
    {
        if (stage == Loaded && tilePending)
            Mark(FirstTile, "first-tile-painted");
        if (stage == FirstTile && visiblePending)
            Mark(Visible, "visible-painted");
        if (stage == Visible && allPending)
            Mark(Done, "all-done");
    }

private:
    enum Stage { Idle, Chosen, Loaded, FirstTile, Visible, Done };
    void Mark(Stage next, const char* event)
    {
        stage = next;
        TraceEvent(event);
    }
    Stage stage = Idle;
    bool tilePending = false;
    bool visiblePending = false;
    bool allPending = false;
};
