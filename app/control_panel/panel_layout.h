#pragma once
#include <span>

#include "view/rules/dialog_units.h"

// The control panel's controls by number, as the rest of the program and the
// settings refer to them.
enum PanelControlId : int {
    kIdOpen = 1036,
    kIdSave = 1037,
    kIdAutomaticGroup = 1011,
    kIdActive = 1041,
    kIdProgress = 1002,
    kIdRestoreDefaults = 1042,
    kIdImageTypeLabel = 1061,
    kIdImageType = 1060,
    kIdDustSizeLabel = 1062,
    kIdDustSize = 1049,
    kIdDustAmountLabel = 1063,
    kIdDustAmount = 1048,
    kIdAggressionLabel = 1067,
    kIdAggression = 1021,
    kIdInfrared = 1080,
    kIdInfraredSensitivityLabel = 1081,
    kIdInfraredSensitivity = 1082,
    kIdManualGroup = 1005,
    kIdBrushTypeLabel = 1018,
    kIdBrushType = 1045,
    kIdUndo = 1029,
    kIdBrushSizeLabel = 1028,
    kIdBrushSize = 1020,
    kIdManualDustSizeLabel = 1019,
    kIdManualDustSize = 1065,
    kIdViewGroup = 1012,
    kIdNavigatorLabel = 1068,
    kIdNavigatorFrame = 1006,
    kIdBeforeAfterLabel = 1055,
    kIdBeforeAfter = 1046,
    kIdHighlightsLabel = 1056,
    kIdHighlights = 1047,
    kIdYellow = 1058,
    kIdCyan = 1057,
    kIdMagenta = 1059,
    kIdRotateLeft = 1054,
    kIdRotateRight = 1064,
    kIdZoomIn = 1007,
    kIdZoomOut = 1008,
    kIdHelp = 1053,
    kIdCloseAll = 1023,
    kIdMaker = 1066,
    kIdSpotCount = 1069,
    kIdPreviousSpot = 1070,
    kIdNextSpot = 1071,
    kIdVetoSpot = 1072,
};

enum class ControlKind {
    Button,
    GroupBox,
    CheckBox,
    Progress,
    Label,
    CentredLabel,
    DropDown,
    Slider,
    SliderTicksBelow, // ticks under the groove
    Frame, // placeholder whose box places something else
};

struct PanelControl {
    int id;
    ControlKind kind;
    const char* caption;
    DialogBox box;
    bool visibleAtStart;
};

// The panel's size in dialog units.
inline constexpr int kPanelWidthDu = 218;
inline constexpr int kPanelHeightDu = 377; // the infrared row in the automatic group, the spot review's row below the closing buttons

// Every control, in creation (and stacking) order.
std::span<const PanelControl> PanelControls();
const PanelControl* FindPanelControl(int id);

// The static tool tip of a control, or null.
const char* PanelToolTip(int id);

// The fixed part of the tips that show a value first (the zoom tips' value
// is the percentage with its sign).
const char* ValueTipSuffix(int id);

// Controls that an open image shows and enables.
std::span<const int> ImageControlIds();

// The icon of a button, 0 for none.
int ButtonIcon(int id);

// Icons of the two toggles for their state.
int BeforeAfterIcon(bool viewAfter);
int HighlightIcon(bool on, int colour);

// Entries of the two lists, in order.
std::span<const char* const> ImageTypeEntries();
std::span<const char* const> BrushTypeEntries();
// The dust type an image type entry stands for.
int DustTypeForImageType(int entry);
// The brush tool of a brush type entry: 412 adds touch-up, 411 removes it.
int BrushToolForEntry(int entry);

// A quarter turn each way within −90, 0, 90, 180.
int RotatedClockwise(int rotation);
int RotatedCounterClockwise(int rotation);
