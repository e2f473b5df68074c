// Source files: open and close, VALID, execute modes, script errors, writes, removable media.
#include "tessaglyph/source_file.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "source/removable_media.hpp"
#include "source/source_file_test_support.hpp"
#include "support/error_report.hpp"
#include "test_support.hpp"

namespace tg {
namespace {

using test::raises;
using test::ScriptSpec;

class SourceFile : public test::SourceFileTest {
 protected:
  // A script on the 35..36 N, 100..99 W rectangle.
  static ScriptSpec grid() { return ScriptSpec().withAttributes(test::latLonBounds()); }
  // The log lines without their "[hh:mm:ss] " stamp (which is checked).
  std::vector<std::string> logTexts() const {
    std::vector<std::string> texts;
    for (const std::string& line : log) {
      EXPECT_TRUE(std::regex_search(line, std::regex(R"(^\[\d\d:\d\d:\d\d\] )"))) << line;
      texts.push_back(line.substr(11));
    }
    return texts;
  }
};

TEST_F(SourceFile, ClosedFileRefusesEveryAccess) {
  auto file = makeFile(grid());
  const std::string must = "You must open the file prior to attempting to ";
  EXPECT_TRUE(raises([&] { file->point(35, -99); }, 14004, must + "read data."));
  EXPECT_TRUE(raises([&] { file->setPoint(35, -99, 1); }, 14004, must + "write data."));
  EXPECT_TRUE(raises([&] { file->inBounds(35, -99); }, 14004,
                     "The file must be open before attempting to check the boundaries."));
  // The file's name and size reach the machine.
  EXPECT_EQ(file->machine()->predefinedVariables(TG_M_PVI_FILESIZE), "4");
  EXPECT_EQ(file->machine()->predefinedVariables(TG_M_PVI_FILETITLE), "GRID");
}

TEST_F(SourceFile, OpenRunsInitAndValidThenEveryCloseRunsTerminate) {
  auto file = openFile(grid().withValid("-1"));
  TessaglyphMachine& machine = *file->machine();
  EXPECT_EQ(variable(machine, "inits"), "1");
  file->closeSource();
  EXPECT_FALSE(file->isOpen());
  EXPECT_EQ(variable(machine, "terms"), "1");
  file->closeSource();  // closed already: TERMINATE runs again (the script appends a "1")
  EXPECT_EQ(variable(machine, "terms"), "11");
  file->setIsLost(true);
  file->closeSource();  // a lost file does nothing
  EXPECT_EQ(variable(machine, "terms"), "11");
  file->setIsLost(false);
  file->openSource();
  EXPECT_EQ(variable(machine, "inits"), "2");
}

TEST_F(SourceFile, ValidAnswersOtherThanTrueRefuseTheFileButLeaveItOpen) {
  const std::pair<const char*, bool> cases[] = {{"-1", true}, {"TRUE", true}, {" -1.2 ", true},
                                                {"0", false}, {"1", false},   {"False", false}};
  for (const auto& [answer, valid] : cases) {
    auto file = makeFile(grid().withValid(answer));
    if (valid) {
      EXPECT_NO_THROW(file->openSource()) << answer;
    } else {
      EXPECT_TRUE(raises([&] { file->openSource(); }, 14006,
                         "The source file is invalid for the given script"))
          << answer;
    }
    EXPECT_TRUE(file->isOpen()) << answer;
  }
}

TEST_F(SourceFile, OwnerStateErrors) {
  auto file = makeFile(grid());
  file->setAreaFile(true);
  EXPECT_TRUE(raises([&] { file->openSource(); }, 14003, "File is marked as an area file."));
  EXPECT_TRUE(raises([&] { file->closeSource(); }, 14003,
                     "Files marked as \"Area\" files cannot be closed manually."));
  EXPECT_TRUE(raises([&] { file->setFilename("other"); }, 14003,
                     "Cannot set the filename of files designated as \"area files\"",
                     "TessaglyphFile::filename Let"));
  EXPECT_EQ(file->filename(), dataPath());

  TessaglyphFile unnamed, bare;
  unnamed.setMachine(machineFor(ScriptSpec()));
  bare.setFilename(dataPath());
  for (const auto& action : std::vector<std::function<void()>>{
           [&] { unnamed.openSource(); }, [&] { bare.openSource(); }, [&] { bare.currentDatum(); }})
    EXPECT_TRUE(raises(action, 14005, "Could not open the file."));
}

TEST_F(SourceFile, ReadsAndWritesGoToTheMachineLongitudeFirst) {
  auto readOnly = openFile(grid());
  EXPECT_FLOAT_EQ(readOnly->point(35.5, -99.25), -99250 + 35.5);
  EXPECT_TRUE(raises([&] { readOnly->setPoint(35.5, -99.5, 7); }, 14001,
                     "Datapoint is defined as read-only."));
  auto writable = openFile(grid().withWrite(), "w.dat");
  writable->setDataLock(TG_M_DL_FALSE);
  writable->setPoint(35.5, -99.5, 7.5f);
  EXPECT_EQ(variable(*writable->machine(), "written"), "7.5");
}

// A machine handed over later takes the box modes of the file's execute mode.
TEST_F(SourceFile, ExecuteModeReachesAMachineHandedOverLater) {
  auto file = makeFile(ScriptSpec());
  file->setExecuteMode(TG_F_EM_SILENTLOGGED);
  file->setMachine(machineFor(ScriptSpec()));
  EXPECT_EQ(file->machine()->messageBoxMode(), TG_M_MBM_EVENT);
  EXPECT_EQ(file->machine()->inputBoxMode(), TG_M_IBM_EVENT);
}

// A read north of latitude 80 divides by zero in the script.
TEST_F(SourceFile, ScriptErrorsDuringReadsByExecuteMode) {
  const std::string box =
      "Tessaglyph encountered a script error during execution.  Your data "
      "may be invalid.\r\n\r\nError 11; Instruction ";
  const struct {
    TG_F_EXECTUEMODE mode;
    bool errorEvents, raised, silentValue, boxShown;  // raised: the error reaches the caller
    const char* logged;                               // the start of the log line, or empty
  } cases[] = {
      {TG_F_EM_NORMAL, true, false, false, true, ""},
      {TG_F_EM_NOINTERACTION, true, false, false, true, ""},
      {TG_F_EM_SILENT, true, false, true, false, ""},
      {TG_F_EM_SILENTLOGGED, true, false, true, false, "Script Error: # 11 (Division by zero) - "},
      {TG_F_EM_NORMAL, false, true, false, false, ""},
      {TG_F_EM_SILENT, false, false, true, false, ""},
      {TG_F_EM_SILENTLOGGED, false, false, true, false, "Internal Error: # 11 (Division by zero)"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " events " << c.errorEvents);
    log.clear();
    ui.boxes.clear();
    auto file = openFile(grid());
    file->setExecuteMode(c.mode);
    file->machine()->setErrorEventEnabled(c.errorEvents);
    if (c.raised) {
      EXPECT_TRUE(raises([&] { file->point(85, -99); }, 11, "Division by zero"));
    } else {
      const Single value = file->point(85, -99);
      EXPECT_TRUE(!c.silentValue || value == -52000) << value;
    }
    ASSERT_EQ(log.size(), *c.logged ? 1u : 0u);
    if (*c.logged) {
      EXPECT_EQ(logTexts()[0].rfind(c.logged, 0), 0u) << logTexts()[0];
    }
    ASSERT_EQ(ui.boxes.size(), c.boxShown ? 1u : 0u);
    if (c.boxShown) {
      EXPECT_EQ(ui.boxes[0].prompt.rfind(box, 0), 0u) << ui.boxes[0].prompt;
    }
    // The next good read is not affected by the failed one.
    EXPECT_FLOAT_EQ(file->point(35.5, -99.25), -99250 + 35.5);
  }
}

// The machine raises these only in the logged mode; the file answers them without the user.
TEST_F(SourceFile, LoggedModeAnswersScriptBoxesInTheLog) {
  auto file = makeFile(ScriptSpec());
  file->setExecuteMode(TG_F_EM_SILENTLOGGED);
  TessaglyphMachineEvents& events = *file->machine()->eventSink();
  std::string message = "Go on?", input = "Name?", answer;
  TG_M_MESSAGEBOXBUTTONSTYLES buttons = TG_M_MBBS_YESNO;
  TG_M_MESSAGEBOXBUTTONS pressed = TG_M_MBB_YES;
  events.scriptMessageBox(message, buttons, pressed);
  EXPECT_EQ(pressed, TG_M_MBB_NO);
  buttons = TG_M_MBBS_OKONLY;
  events.scriptMessageBox(message, buttons, pressed);
  EXPECT_EQ(pressed, TG_M_MBB_OK);
  events.scriptInputBox(input, answer);
  EXPECT_EQ(answer, "");
  EXPECT_EQ(logTexts().back(), "Script Input Box: Name?");
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(SourceFile, GridSizeFromPropertyOrAttribute) {
  auto fixed = openFile(
      grid().withProperties(".property mex_numrows \"120\"\n.property mex_numcolumns \"80\"\n"));
  EXPECT_EQ(std::make_pair(fixed->NumRows(), fixed->NumColumns()), std::make_pair(120, 80));
  auto attributes = test::latLonBounds();
  attributes["mex_numrows"] = "77";
  auto byFile = openFile(ScriptSpec()
                             .withProperties(".property mex_numrows \"byfile\"\n"
                                             ".property mex_numcolumns \"ByFile\"\n")
                             .withAttributes(attributes),
                         "b.dat");
  EXPECT_EQ(byFile->NumRows(), 77);
  EXPECT_TRUE(raises([&] { byFile->NumColumns(); }, 11010,
                     "The mex_numcolumns attribute must be defined when the \"mex_numcolumns\" "
                     "property is \"byfile\""));
}

// Without an owner the log goes to the diagnostic log.
TEST_F(SourceFile, LogWithoutAnOwnerGoesToTheDiagnosticLog) {
  auto file = openFile(grid());
  EXPECT_EQ(file->PointRowCol(0, 0), nullptr);  // no direct grid access
  file->setLogSink(nullptr);
  file->logMessage("opened by nobody");
  std::ifstream in(diagnosticLogPath());
  const std::string content(std::istreambuf_iterator<char>(in), {});
  EXPECT_NE(content.find("] opened by nobody"), std::string::npos) << content;
}

TEST_F(SourceFile, MachineForgetsTheFileWhenItGoes) {
  std::shared_ptr<TessaglyphMachine> machine;
  {
    auto file = makeFile(ScriptSpec());
    machine = file->machine();
    EXPECT_NE(machine->eventSink(), nullptr);
  }
  EXPECT_EQ(machine->eventSink(), nullptr);
}

// ---- Removable media --------------------------------------------------------------------------

// Marks the file as on the removable medium `id`, handled by `handle`.
void onMedium(TessaglyphFile& file, const char* id, TG_F_RMHANDLE handle) {
  file.setOnRemovableMedia(true);
  file.setRMDescID(id);
  file.setRmHandle(handle);
}

class SwapHost : public TessaglyphFileEvents {
 public:
  std::vector<std::string> asked;
  bool cancel = true;
  std::function<void()> onThirdAsk;
  void rmSwap(const std::string& filename, Boolean& Cancel) override {
    asked.push_back(filename);
    Cancel = cancel;
    if (asked.size() == 3 && onThirdAsk) onThirdAsk();
  }
};

TEST_F(SourceFile, CancelledSwapLosesTheFileAndEveryFileOnThatMedium) {
  SwapHost host;
  auto declined = std::make_shared<TessaglyphFile::DeclinedMedia>();
  std::vector<std::shared_ptr<TessaglyphFile>> files;
  for (const char* name : {"one.dat", "two.dat"}) {
    auto file = makeFile(grid().withWrite(), name);
    onMedium(*file, name[0] == 'o' ? "CD1" : " cd1 ", TG_F_RMH_EVENTONLY);  // names without case
    file->setDeclinedMedia(declined);
    file->setEventSink(&host);
    file->openSource();
    files.push_back(file);
    std::filesystem::remove(dataPath(name));
  }
  for (const auto& file : files) {
    EXPECT_EQ(file->point(35.5, -99.5), 0);
    EXPECT_TRUE(file->isLost());
  }
  EXPECT_EQ(host.asked, std::vector<std::string>{dataPath("one.dat")});  // asked once
  EXPECT_EQ(*declined, std::vector<std::string>{"CD1"});
  // A lost file does nothing at all.
  EXPECT_FALSE(files[0]->inBounds(35.5, -99.5));
  files[0]->setDataLock(TG_M_DL_FALSE);
  files[0]->setPoint(35.5, -99.5, 3);
  EXPECT_EQ(variable(*files[0]->machine(), "written"), "0");
  files[0]->closeSource();
  EXPECT_TRUE(files[0]->isOpen());
  EXPECT_EQ(variable(*files[0]->machine(), "terms"), "0");
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(SourceFile, SwapEventAsksAgainUntilTheMediumIsBack) {
  auto file = openFile(grid());
  onMedium(*file, "CD2", TG_F_RMH_EVENTONLY);
  std::filesystem::rename(dataPath(), dataPath("away.dat"));
  SwapHost host;
  host.cancel = false;
  host.onThirdAsk = [&] { std::filesystem::rename(dataPath("away.dat"), dataPath()); };
  file->setEventSink(&host);
  EXPECT_FLOAT_EQ(file->point(35.5, -99.25), -99250 + 35.5);
  EXPECT_EQ(host.asked.size(), 3u);
  EXPECT_FALSE(file->isLost());
  // Without a host to ask, the medium is given up rather than asked for forever.
  file->setEventSink(nullptr);
  std::filesystem::remove(dataPath());
  EXPECT_EQ(file->point(35.5, -99.25), 0);
  EXPECT_TRUE(file->isLost());
  EXPECT_EQ(*file->declinedMedia(), std::vector<std::string>{"CD2"});
}

class Media : public MediumDescriptions {
 public:
  std::string mediumDescription(const std::string& id) const override {
    return id == "CD1" ? "Survey CD 1" : "";
  }
};

TEST_F(SourceFile, DiskSwapDialogNamesTheIndexedDisk) {
  auto file = makeFile(grid());
  onMedium(*file, "CD1", TG_F_RMH_DIALOG);
  file->setMediumDescriptions(std::make_shared<Media>());
  std::filesystem::remove(dataPath());
  ui.answers = {MBR_RETRY, MBR_CANCEL};
  file->openSource();  // lost: returns quietly without opening
  EXPECT_FALSE(file->isOpen());
  EXPECT_TRUE(file->isLost());
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[1].prompt, diskSwapMessage(dataPath(), "Survey CD 1"));
  EXPECT_EQ(ui.boxes[1].title, "Disk Swap");
  EXPECT_EQ(ui.boxes[1].style, MB_RETRYCANCEL | MB_EXCLAMATION);
  // Ignoring removable media, nothing is checked.
  auto ignoring = makeFile(grid(), "i.dat");
  onMedium(*ignoring, "", TG_F_RMH_IGNORERM);
  ignoring->openSource();
  std::filesystem::remove(dataPath("i.dat"));
  EXPECT_FLOAT_EQ(ignoring->point(35.5, -99.25), -99250 + 35.5);
  EXPECT_EQ(ui.boxes.size(), 2u);
}

}  // namespace
}  // namespace tg
