// Opening a source file with its compiled format script, as the `point` and `info` subcommands
// do, and the names they share.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "tessaglyph/error.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/source_file.hpp"

namespace tg::tools {

// The `--interp` names and the modes they stand for.
const std::map<std::string, TG_M_INTERPOLATIONMODES>& interpolationNames();

// An error as "description (error N)".
std::string errorText(const Error& error);

// Nothing for a readable regular file, or a message saying why it is not one.
std::optional<std::string> unreadable(const std::string& path, const char* what);

// The script's own text property (as written), empty when it has none.
std::string scriptText(TessaglyphMachine& machine, std::string_view name);

// Opens the file with its script; on failure prints why (prefixed by "tessaglyph `command`: ")
// and returns null.
std::shared_ptr<TessaglyphFile> openWithScript(const std::string& command, const std::string& file,
                                               const std::string& script);

// The datum the script gives the file's data, at the middle of its bounds.
std::string scriptDatum(TessaglyphFile& file);

}  // namespace tg::tools
