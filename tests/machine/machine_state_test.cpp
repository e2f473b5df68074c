// The machine's state: what a new machine holds, what Clear resets and keeps, the files a script
// opened, the access counters and the method profiler.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include "machine/machine_test_support.hpp"
#include "support/file_layer.hpp"
#include "support/test_environment.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/method_counter.hpp"

namespace tg {
namespace {

const std::string kEmpty =
    "register:I:0 offset:L:0 return:I:0 x:D:0 y:D:0 index:L:0 row:L:0 col:L:0 value:D:0 "
    "filesize:L:0 path:T: filename:T: extension:T: progress:T: tip:T: filetitle:T: "
    "-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1-1 0000true-1truetruefalse00";

class MachineState : public ::testing::Test {
 protected:
  test::TemporaryFolder folder;
  Integer openNew(const std::string& name) {
    std::ofstream(folder.folder() + name, std::ios::binary) << "data";
    return openFile(folder.folder() + name, FileOpenMode::ReadOnly);
  }
};

TEST_F(MachineState, LastAccessMovesBackADayOnceMidnightHasPassed) {
  Single now = 86000.0f;
  TessaglyphMachine machine([&now] { return now; });
  now = 100.0f;  // just after midnight
  EXPECT_EQ(machine.lastAccess(), -400.0f);
  now = 86100.0f;
  EXPECT_EQ(machine.lastAccess(), -400.0f);  // moved once, and the move stays
}

}  // namespace
}  // namespace tg
