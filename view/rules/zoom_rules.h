#pragma once
#include <string>

#include "image/rect.h"
#include "view/rules/view_mapping.h"

// The smallest scale: 400 %.
inline constexpr float kMinimumScale = 0.25f;

// 2 to the power `level`, by repeated squaring; negative levels give the reciprocal.
float ScaleForLevel(int level);

// Zoom level after zoom in from `scale`. From 25 % and below it jumps straight
// to 50 %, so the way back to a close look is short.
int ZoomInLevel(float scale);

// Zoom level after zoom out from `scale`: one step toward smaller magnification.
int ZoomOutLevel(float scale);

// "400%", "100%", "13%", …: the percentage shown for a scale.
std::string ZoomText(float scale);

// Fit bits of ClampVisibleRegion.
inline constexpr int kFitsWidth = 1;
inline constexpr int kFitsHeight = 2;

// Pins a region wider (higher) than the image to the image's extent and slides
// a smaller one back inside. Returns the fit bits.
int ClampVisibleRegion(Rect& region, int imageWidth, int imageHeight);

// Keeps the region's size, centred on (cx, cy); the caller clamps.
void CentreOn(Rect& region, int cx, int cy);

// The image rectangle for a visible region: its size on screen, swapped for a
// quarter turn, centred in the image area and cut to it.
Rect LayOutImageRect(const Rect& visible, float scale, int rotation, const Rect& imageArea);

// Everything a change of zoom level recomputes.
struct ZoomState {
    float scale = 1.0f;
    bool zoomInEnabled = true;
    bool zoomOutEnabled = true;
    int fitBits = 0;
    bool shrank = false; // the image rectangle became narrower or lower
};

// Applies `level` to the view: new scale, region resized about its centre to
// the image area at that scale, clamped, image rectangle laid out.
ZoomState ApplyZoom(ViewGeometry& view, int level, const Rect& imageArea);

// Brush radius that keeps its size on screen across a scale change.
int RescaledBrushRadius(int radius, float oldScale, float newScale);
