#pragma once
#include <QString>
#include <memory>

#include "engine/dust_engine.h"
#include "engine/dust_params.h"
#include "engine/spot_tracker.h"
#include "image/image.h"
#include "metadata/jpeg_metadata.h"
#include "view/rules/brush_stroke.h"
#include "view/rules/brush_tip.h"
#include "view/rules/view_mapping.h"
#include "workflow/image_kind.h"
#include "workflow/spot_review.h"
#include "workflow/infrared_settings.h"
#include "workflow/infrared_source.h"

// What the brush paints with: the panel's brush list and its two brush
// sliders, and the strength every stroke records.
struct BrushSettings {
    int tool = kBrushAddTool;
    int radius = 5; // image pixels; the brush size slider shows radius − 1
    int manualDustSize = 10; // the manual "Dust Size" slider's position
    int strength = 255;
};

// Everything the user can change while editing one image, held once. The
// main window owns the one session and replaces it with a fresh one when the
// image is closed, so that every value is back at its start at once; the
// control panel, the brush, the navigator, the pop-up menu and the keys read
// and change these values here and keep no copies of their own.
struct EditSession {
    // `viewAfter` comes from the stored settings, the record from the
    // program's start values.
    EditSession(bool viewAfter, const DustParams& startParams)
        : params(startParams)
        , viewAfter(viewAfter)
    {
    }
    EditSession(const EditSession&) = delete;
    EditSession& operator=(const EditSession&) = delete;
    // The engine's worker reads the image: it stops first.
    ~EditSession() { engine.reset(); }

    bool HasImage() const { return document.working != nullptr; }

    // The image, its kind and what the save needs of its file.
    QString imagePath;
    WorkingImage document;
    App1Segment exifSegment;
    bool fromCamera = false;
    // The image's infrared plane (none, usable, or refused with its message).
    // The engine reads the plane too, so it is declared before the engine.
    InfraredPlaneSource infrared;
    // Declared after the image it reads, so that it goes first.
    std::unique_ptr<DustEngine> engine;
    std::unique_ptr<CImage> thumbnail;
    float thumbnailScale = 1.0f;
    int largestBrushRadius = 16;

    DustParams params;
    // The "Infrared" box and its sensitivity; `params.infrared` follows them
    // while the image has a usable plane.
    InfraredSettings infraredChoice;
    BrushSettings brush;
    BrushStrokeList strokes;

    // The spots the automatic correction made, kept current from the
    // engine's finished runs; made with the engine (null without one).
    std::unique_ptr<SpotTracker> spots;
    bool spotCountShown = false; // once the visible work was first done
    SpotReview spotReview;
    // The box the review last went to (image coordinates; empty: no marker).
    // It stays where it was when that spot is vetoed, so the user sees the
    // restored pixels, and the next step goes on from the spot after it.
    Rect spotMarker;
    bool spotVetoedSinceStep = false;
    bool showSpots = false;

    bool viewAfter = true;
    bool highlightOn = true;
    int highlightColour = 0; // 0 yellow, 1 magenta, 2 cyan
    // Scale, rotation, the visible region and where it lies in the window.
    ViewGeometry view;
    int zoomLevel = 0;
    bool zoomInEnabled = true;
    bool zoomOutEnabled = true;

    bool modified = false;
};
