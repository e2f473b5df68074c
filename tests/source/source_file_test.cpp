#include "tessaglyph/source_file.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "source/removable_media.hpp"
#include "source/source_file_test_support.hpp"
#include "support/error_report.hpp"
#include "support/trace.hpp"
#include "tessaglyph/method_counter.hpp"
#include "test_support.hpp"

namespace tg {
namespace {

using test::raises;
using test::ScriptSpec;

class SourceFile : public test::SourceFileTest {
 protected:
  // The log lines without their "[hh:mm:ss] " stamp (which is checked).
  std::vector<std::string> logTexts() const {
    std::vector<std::string> texts;
    const std::regex stamp(R"(^\[\d\d:\d\d:\d\d\] )");
    for (const std::string& line : log) {
      EXPECT_TRUE(std::regex_search(line, stamp)) << line;
      texts.push_back(line.substr(11));
    }
    return texts;
  }
};

TEST_F(SourceFile, ClosedFileRefusesEveryAccess) {
  auto file = makeFile(test::ScriptSpec());
  EXPECT_TRUE(raises([&] { file->point(35, -99); }, 14004,
                     "You must open the file prior to attempting to read data."));
  EXPECT_TRUE(raises([&] { file->setPoint(35, -99, 1); }, 14004,
                     "You must open the file prior to attempting to write data."));
  EXPECT_TRUE(raises([&] { file->inBounds(35, -99); }, 14004,
                     "The file must be open before attempting to check the boundaries."));
}

TEST_F(SourceFile, OpenRunsInitAndValidThenEveryCloseRunsTerminate) {
  auto file = openFile(test::ScriptSpec().withAttributes(test::latLonBounds()).withValid("-1"));
  TessaglyphMachine& machine = *file->machine();
  EXPECT_TRUE(file->isOpen());
  EXPECT_EQ(variable(machine, "inits"), "1");
  file->closeSource();
  EXPECT_FALSE(file->isOpen());
  EXPECT_EQ(variable(machine, "terms"), "1");
  // Closed already: TERMINATE runs again all the same (the script appends a "1" per run).
  file->closeSource();
  EXPECT_EQ(variable(machine, "terms"), "11");
  file->setIsLost(true);
  file->closeSource();  // a lost file does nothing
  EXPECT_EQ(variable(machine, "terms"), "11");
  file->setIsLost(false);
  file->openSource();
  EXPECT_EQ(variable(machine, "inits"), "2");
}

TEST_F(SourceFile, ValidAnswersOtherThanTrueRefuseTheFileButLeaveItOpen) {
  const struct {
    const char* answer;
    bool valid;
  } cases[] = {{"-1", true}, {"True", true},   {" -1.2 ", true}, {"0", false},
               {"1", false}, {"False", false}, {"valid", false}};
  for (const auto& c : cases) {
    auto file =
        makeFile(test::ScriptSpec().withAttributes(test::latLonBounds()).withValid(c.answer));
    if (c.valid) {
      EXPECT_NO_THROW(file->openSource()) << c.answer;
    } else {
      EXPECT_TRUE(raises([&] { file->openSource(); }, 14006,
                         "The source file is invalid for the given script"))
          << c.answer;
    }
    EXPECT_TRUE(file->isOpen()) << c.answer;
  }
}

TEST_F(SourceFile, OwnerStateErrors) {
  auto file = makeFile(test::ScriptSpec().withAttributes(test::latLonBounds()));
  file->setAreaFile(true);
  EXPECT_TRUE(raises([&] { file->openSource(); }, 14003, "File is marked as an area file."));
  EXPECT_TRUE(raises([&] { file->closeSource(); }, 14003,
                     "Files marked as \"Area\" files cannot be closed manually."));
  EXPECT_TRUE(raises([&] { file->setFilename("other"); }, 14003,
                     "Cannot set the filename of files designated as \"area files\"",
                     "TessaglyphFile::filename Let"));
  EXPECT_EQ(file->filename(), dataPath());

  TessaglyphFile unnamed;
  unnamed.setMachine(machineFor(test::ScriptSpec()));
  EXPECT_TRUE(raises([&] { unnamed.openSource(); }, 14005, "Could not open the file."));
  TessaglyphFile bare;
  bare.setFilename(dataPath());
  EXPECT_TRUE(raises([&] { bare.openSource(); }, 14005, "Could not open the file."));
  EXPECT_TRUE(raises([&] { bare.currentDatum(); }, 14005, "Could not open the file."));
}

TEST_F(SourceFile, FilenameReachesTheMachine) {
  auto file = makeFile(test::ScriptSpec());
  TessaglyphMachine& machine = *file->machine();
  EXPECT_EQ(machine.predefinedVariables(TG_M_PVI_FILESIZE), "4");
  EXPECT_EQ(machine.predefinedVariables(TG_M_PVI_FILETITLE), "GRID");
}

TEST_F(SourceFile, ReadsGoToTheMachineLongitudeFirst) {
  auto file = openFile(test::ScriptSpec().withAttributes(test::latLonBounds()));
  EXPECT_FLOAT_EQ(file->point(35.5, -99.25), -99250 + 35.5);
  EXPECT_GE(file->accessCount(), 0);
}

TEST_F(SourceFile, WritesNeedAWriteRoutine) {
  auto readOnly = openFile(test::ScriptSpec().withAttributes(test::latLonBounds()));
  EXPECT_TRUE(raises([&] { readOnly->setPoint(35.5, -99.5, 7); }, 14001,
                     "Datapoint is defined as read-only."));

  auto writable =
      openFile(test::ScriptSpec().withAttributes(test::latLonBounds()).withWrite(), "w.dat");
  writable->setDataLock(TG_M_DL_FALSE);
  writable->setPoint(35.5, -99.5, 7.5f);
  EXPECT_EQ(variable(*writable->machine(), "written"), "7.5");
}

TEST_F(SourceFile, ExecuteModeSetsTheMachineBoxModes) {
  const struct {
    TG_F_EXECTUEMODE mode;
    TG_M_MESSAGEBOXMODES messages;
    TG_M_INPUTBOXMODES inputs;
  } cases[] = {{TG_F_EM_SILENT, TG_M_MBM_IGNORE, TG_M_IBM_IGNORE},
               {TG_F_EM_SILENTLOGGED, TG_M_MBM_EVENT, TG_M_IBM_EVENT},
               {TG_F_EM_NOINTERACTION, TG_M_MBM_IGNORE, TG_M_IBM_IGNORE},
               {TG_F_EM_NORMAL, TG_M_MBM_NORMAL, TG_M_IBM_NORMAL}};
  auto file = makeFile(test::ScriptSpec());
  for (const auto& c : cases) {
    file->setExecuteMode(c.mode);
    EXPECT_EQ(file->machine()->messageBoxMode(), c.messages) << c.mode;
    EXPECT_EQ(file->machine()->inputBoxMode(), c.inputs) << c.mode;
  }
  // A machine handed over later takes the mode the file already has.
  file->setExecuteMode(TG_F_EM_SILENTLOGGED);
  file->setMachine(machineFor(test::ScriptSpec()));
  EXPECT_EQ(file->machine()->messageBoxMode(), TG_M_MBM_EVENT);
}

// A read north of latitude 80 divides by zero in the script.
TEST_F(SourceFile, ScriptErrorsDuringReadsByExecuteMode) {
  const std::string box =
      "Tessaglyph encountered a script error during execution.  Your data may be invalid."
      "\r\n\r\nError 11; Instruction ";
  const struct {
    TG_F_EXECTUEMODE mode;
    bool errorEvents;
    bool raised;  // the error reaches the caller
    bool silentValue;
    const char* logged;  // the start of the log line, or empty
    bool boxShown;
  } cases[] = {
      {TG_F_EM_NORMAL, true, false, false, "", true},
      {TG_F_EM_NOINTERACTION, true, false, false, "", true},
      {TG_F_EM_SILENT, true, false, true, "", false},
      {TG_F_EM_SILENTLOGGED, true, false, true,
       "Script Error: # 11 (Division by zero) - Instruction: ", false},
      {TG_F_EM_NORMAL, false, true, false, "", false},
      {TG_F_EM_SILENT, false, false, true, "", false},
      {TG_F_EM_SILENTLOGGED, false, false, true, "Internal Error: # 11 (Division by zero)", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " events " << c.errorEvents);
    log.clear();
    ui.boxes.clear();
    auto file = openFile(test::ScriptSpec().withAttributes(test::latLonBounds()));
    file->setExecuteMode(c.mode);
    file->machine()->setErrorEventEnabled(c.errorEvents);
    if (c.raised) {
      EXPECT_TRUE(raises([&] { file->point(85, -99); }, 11, "Division by zero"));
    } else {
      const Single value = file->point(85, -99);
      if (c.silentValue) {
        EXPECT_EQ(value, -52000);
      }
    }
    if (*c.logged) {
      ASSERT_EQ(logTexts().size(), 1u);
      EXPECT_EQ(logTexts()[0].rfind(c.logged, 0), 0u) << logTexts()[0];
    } else {
      EXPECT_TRUE(log.empty());
    }
    ASSERT_EQ(ui.boxes.size(), c.boxShown ? 1u : 0u);
    if (c.boxShown) {
      EXPECT_EQ(ui.boxes[0].title, "Tessaglyph");
      EXPECT_EQ(ui.boxes[0].style, MB_OKONLY | MB_CRITICAL);
      EXPECT_EQ(ui.boxes[0].prompt.rfind(box, 0), 0u) << ui.boxes[0].prompt;
      EXPECT_EQ(ui.boxes[0].prompt.substr(ui.boxes[0].prompt.size() - 19), ":\r\nDivision by zero");
    }
    // The next good read is not affected by the failed one.
    EXPECT_FLOAT_EQ(file->point(35.5, -99.25), -99250 + 35.5);
  }
}

// The machine raises these only in the logged mode; the file answers them without the user.
TEST_F(SourceFile, LoggedModeAnswersScriptBoxesInTheLog) {
  auto file = makeFile(test::ScriptSpec());
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
  EXPECT_EQ(logTexts(),
            (std::vector<std::string>{"Script Message Box: Go on?", "Script Message Box: Go on?",
                                      "Script Input Box: Name?"}));
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(SourceFile, ProgressWindowFollowsTheScriptUnlessInteractionIsForbidden) {
  const ScriptSpec spec = test::ScriptSpec()
                              .withAttributes(test::latLonBounds())
                              .withInit(
                                  " cast_ascii register\n load \"40\"\n raiseevent \"progress\"\n"
                                  " load \"Reading\"\n raiseevent \"p_tip\"\n");
  auto file = makeFile(spec);
  file->openSource();
  EXPECT_EQ(ui.windowEvents,
            (std::vector<std::string>{"create Execution Progress", "show", "progress 0.400000",
                                      "text Reading", "hide", "destroy"}));
  for (TG_F_EXECTUEMODE mode : {TG_F_EM_NOINTERACTION, TG_F_EM_SILENT, TG_F_EM_SILENTLOGGED}) {
    ui.windowEvents.clear();
    auto quiet = makeFile(spec);
    quiet->setExecuteMode(mode);
    quiet->openSource();
    EXPECT_TRUE(ui.windowEvents.empty()) << mode;
  }
}

TEST_F(SourceFile, GridSizeFromPropertyOrAttribute) {
  auto fixed = openFile(test::ScriptSpec()
                            .withProperties(".property mex_numrows \"120\"\n"
                                            ".property mex_numcolumns \"80\"\n")
                            .withAttributes(test::latLonBounds()));
  EXPECT_EQ(fixed->NumRows(), 120);
  EXPECT_EQ(fixed->NumColumns(), 80);

  auto attributes = test::latLonBounds();
  attributes["mex_numrows"] = "77";
  auto byFile = openFile(test::ScriptSpec()
                             .withProperties(".property mex_numrows \"byfile\"\n"
                                             ".property mex_numcolumns \"ByFile\"\n")
                             .withAttributes(attributes),
                         "b.dat");
  EXPECT_EQ(byFile->NumRows(), 77);
  EXPECT_TRUE(raises([&] { byFile->NumColumns(); }, 11010,
                     "The mex_numcolumns attribute must be defined when the \"mex_numcolumns\" "
                     "property is \"byfile\""));
}

TEST_F(SourceFile, ProfilerSeesEachOperationByName) {
  auto file = makeFile(test::ScriptSpec().withAttributes(test::latLonBounds()));
  auto profiler = std::make_shared<MethodCounter>();
  file->setMethodProfiler(profiler);
  file->openSource();
  file->point(35.5, -99.5);
  file->point(35.5, -99.5);
  file->inBounds(35.5, -99.5);
  file->setIsLost(file->isLost());
  file->setRmHandle(file->rmHandle());
  (void)file->metrics();
  (void)file->filename();
  file->machine()->setInterpolationMode(file->machine()->interpolationMode());
  file->closeSource();
  for (const auto& [name, calls] :
       std::vector<std::pair<std::string, Long>>{{"TessaglyphFile::openSource", 1},
                                                 {"TessaglyphFile::point Get", 2},
                                                 {"TessaglyphFile::inBounds", 1},
                                                 {"TessaglyphFile::closeSource", 1},
                                                 {"TessaglyphFile::isLost Get", 1},
                                                 {"TessaglyphFile::isLost Let", 1},
                                                 {"TessaglyphFile::rmHandle Get", 1},
                                                 {"TessaglyphFile::rmHandle Let", 1},
                                                 {"TessaglyphFile::metrics Get", 1},
                                                 {"TessaglyphFile::filename Get", 1},
                                                 {"TessaglyphFile::machine Get", 2}}) {
    const Long index = profiler->methodIndex(name);
    ASSERT_GE(index, 0) << name;
    EXPECT_EQ(profiler->methodCallCount(Integer(index)), calls) << name;
  }
}

TEST_F(SourceFile, PassThroughsAndTheReadTrace) {
  auto file = openFile(test::ScriptSpec().withAttributes(test::latLonBounds()));
  file->setInterpolationMode(TG_M_IM_4POINT);
  EXPECT_EQ(file->machine()->interpolationMode(), TG_M_IM_4POINT);
  file->setInterpolationMode(TG_M_IM_NONE);
  EXPECT_EQ(file->interpolationMode(), TG_M_IM_NONE);
  EXPECT_EQ(file->PointRowCol(0, 0), nullptr);  // no direct grid access

  const std::string trace = home.root() + "trace.log";
  setTraceFile(trace);
  file->point(35.5, -99.25);
  disableTrace();
  // The machine traces its own steps first; the file's line comes last.
  const std::string written = home.readFile("trace.log").value_or("");
  const std::string line =
      "file.point filename = " + dataPath() + ", lat = 35.5, lon = -99.25, point = -99214.5\n";
  ASSERT_GE(written.size(), line.size());
  EXPECT_EQ(written.substr(written.size() - line.size()), line);
  EXPECT_EQ(written.find("file.point"), written.size() - line.size());
}

TEST_F(SourceFile, LogGoesToTheDiagnosticLogWithoutAnOwner) {
  auto file = makeFile(test::ScriptSpec());
  file->setLogSink(nullptr);
  file->logMessage("opened by nobody");
  std::ifstream in(diagnosticLogPath());
  const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(content.find("] opened by nobody"), std::string::npos) << content;
}

TEST_F(SourceFile, MachineForgetsTheFileWhenItGoes) {
  std::shared_ptr<TessaglyphMachine> machine;
  {
    auto file = makeFile(test::ScriptSpec());
    machine = file->machine();
    EXPECT_NE(machine->eventSink(), nullptr);
  }
  EXPECT_EQ(machine->eventSink(), nullptr);
}

// ---- Removable media --------------------------------------------------------------------------

class SwapHost : public TessaglyphFileEvents {
 public:
  std::vector<std::string> asked;
  bool cancel = true;
  void rmSwap(const std::string& filename, Boolean& Cancel) override {
    asked.push_back(filename);
    Cancel = cancel;
  }
};

class Media : public MediumDescriptions {
 public:
  std::string mediumDescription(const std::string& id) const override {
    return id == "CD1" ? "Survey CD 1" : "";
  }
};

TEST_F(SourceFile, CancelledSwapLosesTheFileAndEveryFileOnThatMedium) {
  SwapHost host;
  auto declined = std::make_shared<TessaglyphFile::DeclinedMedia>();
  std::vector<std::shared_ptr<TessaglyphFile>> files;
  for (const char* name : {"one.dat", "two.dat"}) {
    auto file = makeFile(test::ScriptSpec().withAttributes(test::latLonBounds()).withWrite(), name);
    file->setOnRemovableMedia(true);
    file->setRMDescID("CD1");
    file->setRmHandle(TG_F_RMH_EVENTONLY);
    file->setDeclinedMedia(declined);
    file->setEventSink(&host);
    file->openSource();
    files.push_back(file);
  }
  EXPECT_TRUE(host.asked.empty());
  std::filesystem::remove(dataPath("one.dat"));
  std::filesystem::remove(dataPath("two.dat"));

  EXPECT_EQ(files[0]->point(35.5, -99.5), 0);
  EXPECT_EQ(host.asked, std::vector<std::string>{dataPath("one.dat")});
  EXPECT_TRUE(files[0]->isLost());
  EXPECT_EQ(*declined, std::vector<std::string>{"CD1"});

  EXPECT_EQ(files[1]->point(35.5, -99.5), 0);
  EXPECT_EQ(host.asked.size(), 1u);
  EXPECT_TRUE(files[1]->isLost());

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
  SwapHost host;
  host.cancel = false;
  auto file = openFile(test::ScriptSpec().withAttributes(test::latLonBounds()));
  file->setOnRemovableMedia(true);
  file->setRMDescID("CD2");
  file->setRmHandle(TG_F_RMH_EVENTONLY);
  std::filesystem::rename(dataPath(), dataPath("away.dat"));
  struct Restorer : SwapHost {
    std::function<void()> restore;
    void rmSwap(const std::string& filename, Boolean& Cancel) override {
      SwapHost::rmSwap(filename, Cancel);
      if (asked.size() == 3) restore();
    }
  } restorer;
  restorer.cancel = false;
  restorer.restore = [&] { std::filesystem::rename(dataPath("away.dat"), dataPath()); };
  file->setEventSink(&restorer);
  EXPECT_FLOAT_EQ(file->point(35.5, -99.25), -99250 + 35.5);
  EXPECT_EQ(restorer.asked.size(), 3u);
  EXPECT_FALSE(file->isLost());

  // Without a host to ask, the medium is given up rather than asked for forever.
  file->setEventSink(nullptr);
  std::filesystem::remove(dataPath());
  EXPECT_EQ(file->point(35.5, -99.25), 0);
  EXPECT_TRUE(file->isLost());
  EXPECT_EQ(*file->declinedMedia(), std::vector<std::string>{"CD2"});
}

TEST_F(SourceFile, DiskSwapDialogNamesTheIndexedDisk) {
  auto file = makeFile(test::ScriptSpec().withAttributes(test::latLonBounds()));
  file->setOnRemovableMedia(true);
  file->setRMDescID("CD1");
  file->setMediumDescriptions(std::make_shared<Media>());
  std::filesystem::remove(dataPath());
  ui.answers = {MBR_RETRY, MBR_CANCEL};
  file->openSource();  // lost: returns quietly without opening
  EXPECT_FALSE(file->isOpen());
  EXPECT_TRUE(file->isLost());
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[1].title, "Disk Swap");
  EXPECT_EQ(ui.boxes[1].prompt, diskSwapMessage(dataPath(), "Survey CD 1"));

  // Ignoring removable media, nothing is checked.
  auto ignoring = makeFile(test::ScriptSpec().withAttributes(test::latLonBounds()), "i.dat");
  ignoring->setOnRemovableMedia(true);
  ignoring->setRmHandle(TG_F_RMH_IGNORERM);
  ignoring->openSource();
  std::filesystem::remove(dataPath("i.dat"));
  EXPECT_FLOAT_EQ(ignoring->point(35.5, -99.25), -99250 + 35.5);
  EXPECT_EQ(ui.boxes.size(), 2u);
}

}  // namespace
}  // namespace tg
