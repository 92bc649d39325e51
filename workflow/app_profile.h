#pragma once
#include <string>
#include <string_view>

// The application's profile: a small INI file of its own, beside the settings
// store, for choices that belong to the user's habits rather than to the
// image work (how the open dialog lists a folder). Reads and writes go to the
// file at once; a write keeps every other section, key, comment and blank
// line of the file as it was, so that hand edits and other writers survive.
//
// Section and key names compare without regard to ASCII case, as INI readers
// generally do.

// $XDG_CONFIG_HOME/speckwash/speckwash.INI, with ~/.config when the variable
// is unset or not absolute; empty when neither it nor $HOME is usable.
std::string AppProfilePath();

// The key's value as a decimal integer. `fallback` when the file, the
// section or the key is missing; a value that is not a number reads as 0,
// one beyond the int range is clamped to it.
int ReadProfileInt(const std::string& path, std::string_view section, std::string_view key, int fallback);

// Sets the key to the decimal text of `value`, creating the folder, the file,
// the section or the key as needed. The file is replaced in one rename, so a
// failed write leaves the old file whole. False when the file could not be
// written.
bool WriteProfileInt(const std::string& path, std::string_view section, std::string_view key, int value);

// The same two on the text of a profile, without touching the disk.
int ProfileTextInt(std::string_view text, std::string_view section, std::string_view key, int fallback);
std::string ProfileTextWithInt(std::string_view text, std::string_view section, std::string_view key, int value);
