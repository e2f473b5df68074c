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

// A --script argument as a path: a bundled script's name ("srtm_hgt": no folder, no ".tgp",
// no such file here) becomes its program in the scripts folder beside the tool, else in the
// installed one; anything else is kept.
std::string scriptPath(const std::string& script);

// The value of the script's attribute, trimmed; empty when it has none.
std::string scriptAttribute(TessaglyphMachine& machine, std::string_view name);

// Opens the file with its script; on failure prints why (prefixed by "tessaglyph `command`: ")
// and returns null.
std::shared_ptr<TessaglyphFile> openWithScript(const std::string& command, const std::string& file,
                                               const std::string& script);

// A value as text: the shortest that reads back as the same Single.
std::string valueText(Single value);

// What a reserved value means, or nothing for an ordinary one.
const char* reservedMeaning(Single value);

// The datum the script gives the file's data, at the middle of its bounds.
std::string scriptDatum(TessaglyphFile& file);

}  // namespace tg::tools
