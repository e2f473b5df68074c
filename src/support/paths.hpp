// Paths as the system sees them: both "\" and "/" separate folders, names are found without
// regard to case, and the base ("Harrowfeld") and settings folders are looked up here.
#pragma once

#include <string>
#include <string_view>

namespace tg {

// Every "\" turned into "/".
std::string toNativePath(std::string_view path);
// True for "\" and "/".
constexpr bool isPathSeparator(char c) {
  return c == '\\' || c == '/';
}
// The folder part of a path up to and including its last separator (empty when none).
std::string_view folderOf(std::string_view path) noexcept;
// The name after the last separator.
std::string_view fileNameOf(std::string_view path) noexcept;
// The text after the last "." of the name (empty when none or when the name ends with it).
std::string_view extensionOf(std::string_view path) noexcept;
// The name without its extension.
std::string_view fileTitleOf(std::string_view path) noexcept;
// `folder` and `name` joined with exactly one "/" (folder may end with either separator).
std::string joinPath(std::string_view folder, std::string_view name);
// True when the path names a folder part (holds a separator).
bool hasFolder(std::string_view path) noexcept;

// The path as it exists on disk: tried exactly first, then each component is matched without
// regard to case (the exact spelling first, then the others in byte order). When no match
// exists, the native form of the path is returned unchanged (so that creating a file uses the
// name as given); when only its folders exist in another case, they are matched and the rest is
// kept as given, so that a new file lands in the existing folder.
std::string resolvePath(std::string_view path);

// The default settings folder ($XDG_CONFIG_HOME/tessaglyph/, default ~/.config/tessaglyph/),
// always ending with "/". Not created here.
std::string settingsFolder();
// A settings file named without a folder lives in the settings folder; one with a folder is
// taken as it is. The result is native and resolved.
std::string settingsFilePath(std::string_view fileName);

// The base directory: TESSAGLYPH_HOME; else key "HarrowfeldDirectory" of section "CONFIG" in
// "HFRegistry.INI" in the settings folder; else $XDG_DATA_HOME/tessaglyph/ (default
// ~/.local/share/tessaglyph/), created on demand. Always ends with "/".
std::string baseDirectory();

// The folder where an installed library keeps its data (the NADCON grids): DATADIR/tessaglyph
// of the installation prefix the library was built for.
std::string installedDataFolder();

// Creates a folder and its parents; true when it exists afterwards.
bool ensureFolder(std::string_view folder);

}  // namespace tg
