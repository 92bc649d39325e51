#pragma once
#include <string>

// Types of the save dialog, numbered as its filter entries.
enum SaveFileType : int {
    SaveTypeNone = 0,
    SaveTypeBmp = 1,
    SaveTypeJpeg = 2,
    SaveTypePng = 3,
    SaveTypeTiff = 4,
    SaveTypeAll = 5,
};

// ".bmp" 1, ".jpg" 2, ".png" 3, ".tif"/".tiff" 4 (ASCII case ignored); 0 otherwise.
int SaveTypeFromName(const std::string& name);

// The type the dialog opens with: the default name's extension when it names
// one, else the type chosen last time.
int PreselectedSaveType(const std::string& defaultName, int lastType);

// The dialog's subsampling choice runs opposite to the image's code.
int SubsamplingChoiceFromCode(int code);
int SubsamplingCodeFromChoice(int choice);

// The extension (with its dot) of the last path component, or "".
std::string ExtensionOf(const std::string& path);

// The name with its extension replaced by that of `type`; type 5 (all files)
// removes the extension, any other type leaves the name.
std::string NameForSaveType(const std::string& name, int type);

// The quality buttons of the JPEG panel, in order: Low, Medium, High, Same as Input.
inline constexpr int kJpegQualities[4] = { 24, 40, 60, 200 };
inline constexpr int kSameAsInputQuality = 200;
