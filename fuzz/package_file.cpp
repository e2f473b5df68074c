// Package files from arbitrary bytes. Checked beyond "no crash": reading never raises for what
// the file holds, every recorded problem names its line, and what was read writes a file that
// reads back to the same text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_file.hpp"
#include "package/package_index.hpp"
#include "tessaglyph/package.hpp"

namespace {

void check(bool condition) {
  if (!condition) __builtin_trap();
}

// Fixed folders, so that the path variables never depend on the machine running the target.
class FixedFolders final : public tg::PackageIndex {
 public:
  std::string harrowfeldDirectory() override { return "/nonexistent/base/"; }
  std::string programsDirectory() override { return "/nonexistent/base/Scripts"; }
  std::string sourceDataDirectory() override { return "/nonexistent/base/Source Data"; }
  std::string uninstallLogName(std::string_view, tg::Date) override { return {}; }
  std::vector<std::string> uninstallLogs(std::string_view) override { return {}; }
  void ensureInitialised() override {}
  tg::Long findSource(const std::string&) override { return -1; }
  tg::Long findScript(const std::string&) override { return -1; }
  void deleteIndexedFile(tg::Long) override {}
  void deleteIndexedScript(tg::Long, bool) override {}
  void indexScriptFile(const std::string&, const std::string&, const std::string&, bool) override {}
  bool indexSourceFile(const std::string&, const std::string&, const std::string&, bool) override {
    return true;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static FixedFolders folders;
  static tg::fuzz::ScratchFile file("tessaglyph-fuzz-qpk");
  tg::setPackageIndex(&folders);
  if (!file.write(data, size)) return 0;
  tg::TessaglyphQPK qpk;
  check(qpk.readQPK(file.path()));
  for (tg::Long i = 0; i < qpk.numQPKErrors(); ++i)
    check(qpk.qpkError(i).rfind("[Line ", 0) == 0);
  const std::string text = qpk.qpkText();
  if (!file.write(text.data(), text.size())) return 0;
  tg::TessaglyphQPK again;
  check(again.readQPK(file.path()));
  check(again.qpkText() == text);
  return 0;
}
