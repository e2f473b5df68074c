// Tessaglyph::OpenFile: the basic road from a source file and its script to an open file.
#include "index/script_machine.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/program.hpp"
#include "tessaglyph/source_file.hpp"
#include "tessaglyph/top_level_object.hpp"

namespace tg {

namespace index {

std::shared_ptr<TessaglyphMachine> machineFromScript(const std::string& scriptFilename,
                                                     const std::string& source) {
  // The program is only the vehicle that fills the machine; it goes once the machine is loaded.
  TessaglyphProgram program;
  if (program.readProgram(scriptFilename, 1) == -1) {
    // The reader has reported what went wrong; a half-read program must not run.
    throw Error(TG_F_E_CANTOPENFILE, source, "Could not open the file.");
  }
  auto machine = std::make_shared<TessaglyphMachine>();
  program.prepareMachine(machine);
  return machine;
}

}  // namespace index

std::shared_ptr<TessaglyphFile> Tessaglyph::OpenFile(const std::string& sourceFilename,
                                                     const std::string& scriptFilename) const {
  auto file = std::make_shared<TessaglyphFile>();
  file->setAreaFile(false);
  file->setExecuteMode(TG_F_EM_NORMAL);
  file->setMachine(index::machineFromScript(scriptFilename, "Tessaglyph::OpenFile"));
  file->setFilename(sourceFilename);
  file->openSource();
  return file;
}

}  // namespace tg
