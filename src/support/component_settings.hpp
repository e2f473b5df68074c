// Reading the component's settings file "Tessaglyph.ini" in the base directory: where it is,
// whether it holds data, and the keys every layer reads. Writing keys and the default file
// belong to the settings object of the index layer.
#pragma once

#include <string>

#include "tessaglyph/types.hpp"

namespace tg::settings {

inline constexpr const char* kSection = "Tessa Glyph";
inline constexpr const char* kMaxOpenAreaFilesKey = "max open area files";
inline constexpr Integer kMaxOpenAreaFilesLimit = 225;

// The base directory with at most one separator at its end.
std::string harrowfeldDirectory();
// The settings file's path; a missing file is created holding "exists=False".
std::string iniFileName();
// True when the settings file's "exists" key reads as True.
bool iniFileHasData();
// A key of section "Tessa Glyph" as stored, or the default while the file has no data.
std::string storedSetting(const char* key, const char* defaultValue);
// 75 "Path/File access error": the settings file cannot be written.
[[noreturn]] void raiseAccessError();
// The open-file limit of areas: the stored number when it lies in 1..225, else 225.
Integer maxOpenAreaFiles();

}  // namespace tg::settings
