// Build, dump, build: scripts and what a dump must declare come back byte for
// byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "program/assembler.hpp"
#include "program/disassembler.hpp"
#include "program/program_file_test_support.hpp"
#include "tessaglyph/program.hpp"

namespace tg {
namespace {

using test::readFile;

class ScriptRoundTrip : public test::ProgramFileTest {
 protected:
  // The bytes writeProgram gives for this program (written to a fresh file).
  std::string written(const TessaglyphProgram& program, const std::string& name) {
    const auto at = path(name);
    std::filesystem::remove(at);
    TessaglyphProgram copy = program;
    EXPECT_GT(copy.writeProgram(at, 1), 0) << supportLog();
    return readFile(at);
  }
};

// Read, print, assemble, write: the bytes of writing what was read.
TEST_F(ScriptRoundTrip, EveryScriptBuildsDumpsAndBuildsToTheSameBytes) {
  int scripts = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::filesystem::path(TG_SOURCE_DIR) / "scripts")) {
    if (entry.path().extension() != ".tgs") continue;
    ++scripts;
    SCOPED_TRACE(entry.path().filename().string());
    const auto built = path("built.tgp");
    const Long size = buildProgramFile(entry.path().string(), built);
    EXPECT_EQ(Long(readFile(built).size()), size);
    TessaglyphProgram read;
    ASSERT_GT(read.readProgram(built, 1), 0) << supportLog();
    const auto source = disassembleProgram(read);
    EXPECT_EQ(written(assembleProgram(source, "dumped.tgs"), "rebuilt.tgp"),
              written(read, "expected.tgp"))
        << source;
  }
  EXPECT_GE(scripts, 1);
}

// Literals that cannot be written in place (repeated, or one never used), a one-byte size, a
// name that needs quotes and names given twice.
TEST_F(ScriptRoundTrip, WhatTheDumpMustDeclareComesBack) {
  for (const char* source :
       {".literal a 5\n.literal b 5\nload a\nadd b\nstop\n",
        ".literal a 5\n.literal b 6\nload a\nstop\n", ".attribute t var ascii 1 read r\nr: stop\n",
        ".property \"with blank\" \"1\"\n.property A \"2\"\n.property a \"3\" duplicate\n"
        ".routine init\n.routine init duplicate\n.attribute t var double read init\n"
        ".attribute t var double read init duplicate\ninit: stop\n"}) {
    const auto program = assembleProgram(source, "t.tgs");
    EXPECT_EQ(written(assembleProgram(disassembleProgram(program), "dumped.tgs"), "rebuilt.tgp"),
              written(program, "expected.tgp"))
        << source;
  }
}

}  // namespace
}  // namespace tg
