#pragma once

// How the open dialog lists a folder. The numbers are stored in the profile
// and must keep their values: older profiles hold them.
enum ListViewMode : int {
    ViewModeNotRemembered = 0, // small icons, or a view we cannot name
    ViewModeLargeIcons = 28713,
    ViewModeList = 28715,
    ViewModeDetails = 28716,
    ViewModeThumbnails = 28717,
    ViewModeTiles = 28718,
};

// Where the mode is kept in the application's profile, and what a first run gets.
inline constexpr const char* kViewModeSection = "settings";
inline constexpr const char* kViewModeKey = "ViewMode";
inline constexpr int kDefaultViewMode = ViewModeThumbnails;

// True for the five numbers a dialog can be switched to.
inline bool IsKnownViewMode(int mode)
{
    return mode == ViewModeLargeIcons || mode == ViewModeList || mode == ViewModeDetails
        || mode == ViewModeThumbnails || mode == ViewModeTiles;
}
