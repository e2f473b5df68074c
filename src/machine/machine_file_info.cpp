// The source file's name and size in the machine's file predefined variables.
#include <filesystem>
#include <string>
#include <system_error>

#include "machine/machine_access.hpp"
#include "support/method_scope.hpp"
#include "support/paths.hpp"
#include "support/text.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/vocabulary.hpp"

namespace tg {

// Scripts compare and open these names in upper case; the file layer finds them on disk
// whatever their case. The extension and title come from the name after the folder, so a "."
// in a folder name is never taken for an extension.
void TessaglyphMachine::setFileInfo(std::string_view filename) {
  constexpr const char* source = "TessaglyphMachine::setFileInfo";
  MethodScope scope(profiler(), source);
  const std::string name = toUpper(filename);
  storeText(TG_M_PVI_FILENAME, name, source);
  storeText(TG_M_PVI_PATH, folderOf(name), source);
  storeText(TG_M_PVI_EXTENSION, extensionOf(name), source);
  storeText(TG_M_PVI_FILETITLE, fileTitleOf(name), source);

  std::error_code error;
  const std::filesystem::path onDisk = resolvePath(filename);
  if (std::filesystem::is_regular_file(onDisk, error)) {
    const auto size = std::filesystem::file_size(onDisk, error);
    if (!error) storeText(TG_M_PVI_FILESIZE, std::to_string(size), source);
  }
}

}  // namespace tg
