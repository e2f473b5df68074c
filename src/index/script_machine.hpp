// A machine loaded from a compiled script file, for the objects that open source files.
#pragma once

#include <memory>
#include <string>

#include "tessaglyph/machine.hpp"

namespace tg::index {

// The script's program loaded into a new machine. A script file the program reader gives up on
// raises 14005 "Could not open the file." with the source given.
std::shared_ptr<TessaglyphMachine> machineFromScript(const std::string& scriptFilename,
                                                     const std::string& source);

}  // namespace tg::index
