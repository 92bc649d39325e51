#include "app/control_panel/panel_layout.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace {

using K = ControlKind;

// x, y, width, height in dialog units. Group boxes come before what they
// hold so that their frames stay underneath.
constexpr PanelControl kControls[] = {
    { kIdOpen, K::Button, "&Open...", { 11, 13, 73, 23 }, true },
    { kIdSave, K::Button, "&Save as ...", { 128, 13, 73, 24 }, false },
    { kIdAutomaticGroup, K::GroupBox, "Automatic Correction", { 5, 39, 206, 96 }, false },
    { kIdActive, K::CheckBox, "Active", { 15, 51, 36, 10 }, false },
    { kIdProgress, K::Progress, "", { 76, 47, 128, 13 }, false },
    { kIdRestoreDefaults, K::Button, "Restore Defaults", { 99, 47, 59, 13 }, false },
    { kIdImageTypeLabel, K::Label, "Image Type", { 22, 65, 39, 8 }, false },
    { kIdImageType, K::DropDown, "", { 76, 62, 131, 50 }, false },
    { kIdDustSizeLabel, K::Label, "Dust Size", { 22, 83, 30, 8 }, false },
    { kIdDustSize, K::SliderTicksBelow, "", { 76, 77, 135, 21 }, false },
    { kIdDustAmountLabel, K::Label, "Dust Amount", { 22, 95, 42, 8 }, false },
    { kIdDustAmount, K::Slider, "", { 79, 97, 132, 12 }, false },
    { kIdAggressionLabel, K::Label, "Dust Aggression", { 22, 106, 52, 8 }, false },
    { kIdAggression, K::Slider, "", { 79, 107, 132, 12 }, false },
    // The infrared row (enabled only for an image with a usable infrared plane).
    { kIdInfrared, K::CheckBox, "Infrared", { 15, 122, 40, 10 }, false },
    { kIdInfraredSensitivityLabel, K::Label, "Sensitivity", { 57, 123, 36, 8 }, false },
    { kIdInfraredSensitivity, K::Slider, "", { 95, 121, 116, 12 }, false },
    { kIdManualGroup, K::GroupBox, "Manual Touch Up", { 5, 135, 206, 53 }, false },
    { kIdBrushTypeLabel, K::Label, "Brush Type", { 22, 144, 37, 8 }, false },
    { kIdBrushType, K::DropDown, "", { 76, 143, 73, 30 }, false },
    { kIdUndo, K::Button, "Undo", { 152, 141, 53, 27 }, false },
    { kIdBrushSizeLabel, K::Label, "Brush Size", { 22, 159, 34, 8 }, false },
    { kIdBrushSize, K::Slider, "", { 76, 157, 75, 12 }, false },
    { kIdManualDustSizeLabel, K::Label, "Dust Size", { 22, 173, 30, 8 }, false },
    { kIdManualDustSize, K::SliderTicksBelow, "", { 73, 166, 135, 22 }, false },
    { kIdViewGroup, K::GroupBox, "View Tools", { 5, 187, 206, 145 }, false },
    { kIdNavigatorLabel, K::Label, "Navigation Window", { 105, 191, 62, 8 }, false },
    { kIdNavigatorFrame, K::Frame, "", { 77, 201, 126, 103 }, false },
    { kIdBeforeAfterLabel, K::CentredLabel, "Before/After", { 10, 200, 54, 10 }, false },
    { kIdBeforeAfter, K::Button, "After", { 9, 211, 56, 33 }, false },
    { kIdHighlightsLabel, K::CentredLabel, "Highlights", { 12, 247, 49, 10 }, false },
    { kIdHighlights, K::Button, "On", { 9, 257, 56, 31 }, false },
    { kIdYellow, K::Button, "", { 13, 290, 9, 9 }, false },
    { kIdCyan, K::Button, "", { 34, 290, 10, 9 }, false },
    { kIdMagenta, K::Button, "", { 53, 289, 10, 10 }, false },
    { kIdRotateLeft, K::Button, "", { 12, 306, 24, 22 }, false },
    { kIdRotateRight, K::Button, "", { 39, 306, 24, 22 }, false },
    { kIdZoomIn, K::Button, "Zoom In", { 75, 307, 59, 22 }, false },
    { kIdZoomOut, K::Button, "Zoom Out", { 139, 306, 59, 22 }, false },
    { kIdHelp, K::Button, "", { 5, 333, 30, 25 }, true },
    { kIdCloseAll, K::Button, "&Close Speckwash ", { 69, 336, 79, 21 }, true },
    { kIdMaker, K::Label, "Quillmark Inc", { 85, 3, 52, 8 }, true },
    // The spot review: shown once the visible work is first done.
    { kIdSpotCount, K::Label, "", { 9, 364, 118, 8 }, false },
    { kIdPreviousSpot, K::Button, "<", { 131, 361, 20, 13 }, false },
    { kIdNextSpot, K::Button, ">", { 153, 361, 20, 13 }, false },
    { kIdVetoSpot, K::Button, "Veto", { 176, 361, 35, 13 }, false },
};

struct IdText {
    int id;
    const char* text;
};

constexpr IdText kToolTips[] = {
    { kIdOpen, "Select an image" },
    { kIdCloseAll, "Close entire application" },
    { kIdActive, "Check for automatic dust detection and correction" },
    { kIdInfrared, "Check to find dust in the scan's infrared plane instead of by visible light" },
    { kIdImageType, "Select the type of dust or source of the image for better automatic detection" },
    { kIdZoomOut, "Click to zoom out to see more of the image" },
    { kIdZoomIn, "Click to zoom in to see more detail of the image" },
    { kIdSave, "Save the edited image" },
    { kIdProgress, "Shows progress of the automatic detection and correction" },
    { kIdDustSize, "Change the size of the dust to automatically detect" },
    { kIdDustAmount, "Change the amount of dust to detect and correct" },
    { kIdAggression, "Change the level of aggression in finding dust among image detail" },
    { kIdBrushType, "Select the type of brush to use" },
    { kIdBrushSize, "Change the brush tip size" },
    { kIdUndo, "Undo the last brush stroke.  Repeat for earlier brush strokes" },
    { kIdManualDustSize, "Change the size of the dust to correct manually with the brush" },
    { kIdNavigatorFrame, "Left click and drag the red navigation box to pan" },
    { kIdBeforeAfter, "Toggle between the original and the edited image" },
    { kIdHighlights, "Toggles the highlighting of corrected dust" },
    { kIdRotateLeft, "Rotate the image counter-clockwise" },
    { kIdRotateRight, "Rotate the image clockwise" },
    { kIdRestoreDefaults, "Resets sliders to default positions" },
    { kIdYellow, "Changes Highlights to yellow" },
    { kIdCyan, "Changes Highlights to cyan" },
    { kIdMagenta, "Changes Highlights to magenta" },
    { kIdPreviousSpot, "Previous corrected spot (Shift+N)" },
    { kIdNextSpot, "Next corrected spot, largest first (N)" },
    { kIdVetoSpot, "Veto the spot under review: keep its original pixels (Delete)" },
};

constexpr IdText kValueTipSuffixes[] = {
    { kIdBrushSize, " : Change the brush tip size" },
    { kIdManualDustSize, " : Change the size of the dust to correct manually with the brush" },
    { kIdDustSize, " : Change the size of the dust to automatically detect" },
    { kIdDustAmount, " : Change the amount of dust to detect and correct" },
    { kIdAggression, " : Change the level of aggression in finding dust among image detail" },
    { kIdInfraredSensitivity, " : Change how faint a mark in the infrared plane counts as dust" },
    { kIdZoomIn, " : Click to zoom in to see more detail of the image" },
    { kIdZoomOut, " : Click to zoom out to see more of the image" },
};

constexpr int kImageControls[] = { kIdRestoreDefaults, kIdNavigatorLabel, kIdSave, kIdManualGroup, kIdZoomIn,
    kIdZoomOut, kIdActive, kIdViewGroup, kIdBrushSizeLabel, kIdBrushTypeLabel, kIdImageType, kIdImageTypeLabel,
    kIdDustSizeLabel, kIdBrushType, kIdBrushSize, kIdBeforeAfter, kIdHighlights, kIdBeforeAfterLabel,
    kIdHighlightsLabel, kIdAutomaticGroup, kIdRotateLeft, kIdRotateRight, kIdCyan, kIdYellow, kIdMagenta,
    kIdDustAmount, kIdDustSize, kIdDustAmountLabel, kIdManualDustSizeLabel, kIdManualDustSize, kIdAggressionLabel,
    kIdAggression };

struct IdIcon {
    int id;
    int icon;
};

constexpr IdIcon kButtonIcons[] = {
    { kIdOpen, 154 },
    { kIdSave, 158 },
    { kIdUndo, 138 },
    { kIdCloseAll, 170 },
    { kIdZoomIn, 155 },
    { kIdZoomOut, 156 },
    { kIdRotateLeft, 167 },
    { kIdRotateRight, 168 },
    { kIdHelp, 159 },
};

constexpr const char* kImageTypes[] = {
    "Unknown - Default Scanned Print (B&W Dust)",
    "Scanned Print (Black and White Dust)",
    "Scanned Negative Film (White Dust)",
    "Scanned Slide (Black Dust)",
};

constexpr const char* kBrushTypes[] = { "Add Touch Up", "Remove Touch Up" };

template <typename Table> const char* TextFor(const Table& table, int id)
{
    auto it = std::find_if(std::begin(table), std::end(table), [id](const IdText& e) { return e.id == id; });
    return it == std::end(table) ? nullptr : it->text;
}

} // namespace

std::span<const PanelControl> PanelControls() { return kControls; }

const PanelControl* FindPanelControl(int id)
{
    auto it = std::find_if(std::begin(kControls), std::end(kControls), [id](const PanelControl& c) { return c.id == id; });
    return it == std::end(kControls) ? nullptr : &*it;
}

const char* PanelToolTip(int id) { return TextFor(kToolTips, id); }

const char* ValueTipSuffix(int id) { return TextFor(kValueTipSuffixes, id); }

std::span<const int> ImageControlIds() { return kImageControls; }

int ButtonIcon(int id)
{
    auto it = std::find_if(std::begin(kButtonIcons), std::end(kButtonIcons), [id](const IdIcon& e) { return e.id == id; });
    return it == std::end(kButtonIcons) ? 0 : it->icon;
}

int BeforeAfterIcon(bool viewAfter) { return viewAfter ? 145 : 172; }

int HighlightIcon(bool on, int colour)
{
    // Yellow, magenta, cyan; an unknown colour shows as yellow.
    constexpr int kOn[] = { 146, 174, 177 };
    constexpr int kOff[] = { 171, 176, 175 };
    const int c = colour >= 0 && colour <= 2 ? colour : 0;
    return on ? kOn[c] : kOff[c];
}

std::span<const char* const> ImageTypeEntries() { return kImageTypes; }

std::span<const char* const> BrushTypeEntries() { return kBrushTypes; }

int DustTypeForImageType(int entry)
{
    switch (entry) {
    case 2:
        return 1; // negatives: dust prints bright
    case 3:
        return 0; // slides: dust prints dark
    default:
        return 2; // prints, and anything unknown: both
    }
}

int BrushToolForEntry(int entry) { return entry == 1 ? 411 : 412; }

int RotatedClockwise(int rotation)
{
    rotation += 90;
    return rotation > 180 ? -90 : rotation;
}

int RotatedCounterClockwise(int rotation)
{
    rotation -= 90;
    return rotation < -90 ? 180 : rotation;
}
