// The scripts that come with the library, as the index registers them by default.
#pragma once

#include <array>
#include <string>

namespace tg {

class TessaglyphIndex;

struct DefaultScript {
  const char* program;  // the program file's name, in the scripts folder
  const char* pattern;  // the names of the files it reads
  const char* name;     // the name it is registered under
};

// In the order of the host's data types 0, 1, 2, 3.
inline constexpr std::array<DefaultScript, 4> kDefaultScripts{{
    {"srtm_hgt.tgp", "*.HGT", "SRTM HGT"},
    {"esri_ascii.tgp", "*.ASC", "ESRI ASCII"},
    {"esri_bil.tgp", "*.BIL", "ESRI BIL"},
    {"example_grid.tgp", "*.SEG", "SEG1 Example Grid"},
}};

// Registers each default script whose program file lies in `folder` (no category, no
// validation); a name already registered stays as it is. Returns how many programs were found.
int registerDefaultScripts(TessaglyphIndex& index, const std::string& folder);

}  // namespace tg
