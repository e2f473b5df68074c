// Uninstall logs from arbitrary bytes. Checked beyond "no crash": a failing load raises only the
// log's own errors (67003, 67004), and a log that loads writes a text that loads back to itself.
#include <cstddef>
#include <cstdint>

#include "fuzz_file.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/package_uninstall.hpp"

namespace {

void check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static tg::fuzz::ScratchFile file("tessaglyph-fuzz-log");
  if (!file.write(data, size)) return 0;
  tg::TessaglyphQPKUninstall log;
  try {
    log.load(file.path());
  } catch (const tg::Error& error) {
    check(error.number() == tg::TG_QPKU_E_NOSUCHCOMMAND ||
          error.number() == tg::TG_QPKU_E_BADLOGFILEDATA);
    return 0;
  }
  const std::string text = log.logText();
  std::size_t commands = 0;
  for (const auto count : {log.numCreatedDirs(), log.numCopiedFiles(), log.numIndexedScripts(),
                           log.numIndexedSources()}) {
    commands += std::size_t(count);
  }
  check(std::size_t(log.numUninstallCommands()) <= commands);
  if (!file.write(text.data(), text.size())) return 0;
  tg::TessaglyphQPKUninstall again;
  again.load(file.path());
  check(again.logText() == text);
  return 0;
}
