// The source file: its state, the owner's settings, opening and closing, data points, the
// execute modes and the machine events the file answers for its host.
#include "tessaglyph/source_file.hpp"

#include <ctime>

#include "source/removable_media.hpp"
#include "source/source_metrics.hpp"
#include "support/conversions.hpp"
#include "support/error_report.hpp"
#include "support/method_scope.hpp"
#include "support/text.hpp"
#include "support/timer.hpp"
#include "support/trace.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/user_interface.hpp"

namespace tg {

namespace {

constexpr const char* kCrLf = "\r\n";

// The trace line of a read, out of the read's way.
[[gnu::cold, gnu::noinline]] void traceRead(const std::string& filename, Double latitude,
                                            Double longitude, Single value) {
  traceLine("file.point filename = " + filename + ", lat = " + doubleToText(latitude) +
            ", lon = " + doubleToText(longitude) + ", point = " + singleToText(value));
}

bool isSilent(TG_F_EXECTUEMODE mode) {
  return mode == TG_F_EM_SILENT || mode == TG_F_EM_SILENTLOGGED;
}

// A VALID routine's answer as the Integer it stands for; a text that is no number cannot be
// the true (-1) the routine must give for a valid file.
bool validAnswerIsTrue(const std::string& answer) {
  const std::string_view text = trimBlanks(answer);
  if (equalsIgnoreCase(text, "True")) return true;
  const std::optional<double> number = parseNumber(text);
  return number && roundHalfEven(*number) == -1;
}

// Why the script refused its file, from its "refusal" attribute where it publishes one.
std::string refusalOf(TessaglyphMachine& machine) {
  try {
    const Integer index = machine.getAttributeIndex("refusal");
    if (index >= 0) return std::string(trimBlanks(machine.attribute_read(index)));
  } catch (const Error&) {
    // the reason cannot be had; the refusal stands without it
  }
  return {};
}

}  // namespace

TessaglyphFile::TessaglyphFile() = default;

TessaglyphFile::~TessaglyphFile() {
  if (m_machine && m_machine->eventSink() == this) m_machine->setEventSink(nullptr);
}

void TessaglyphFile::setMediumDescriptions(
    std::shared_ptr<const MediumDescriptions> descriptions) noexcept {
  m_descriptions = std::move(descriptions);
}

// ---- Properties ---------------------------------------------------------------------------

TessaglyphMachine& TessaglyphFile::requireMachine() const {
  if (!m_machine) throw Error(TG_F_E_CANTOPENFILE, {}, "Could not open the file.");
  return *m_machine;
}

Long TessaglyphFile::accessCount() const {
  MethodScope scope(profiler(), "TessaglyphFile::accessCount Get");
  return requireMachine().accessCount();
}

Single TessaglyphFile::lastAccess() const {
  MethodScope scope(profiler(), "TessaglyphFile::lastAccess Get");
  return requireMachine().lastAccess();
}

std::string TessaglyphFile::currentDatum() const {
  MethodScope scope(profiler(), "TessaglyphFile::currentDatum Get");
  return requireMachine().currentDatum();
}

void TessaglyphFile::setCurrentDatum(const std::string& datum) {
  MethodScope scope(profiler(), "TessaglyphFile::currentDatum Let");
  requireMachine().setCurrentDatum(datum);
  m_boundaryComputed = false;
  if (m_open) {
    inBounds(0, 0);
    if (!m_isLost) {
      m_metrics = computeSourceMetrics(*m_machine, datum, [this] { closeProgressWindow(); });
    }
  }
}

TG_M_INTERPOLATIONMODES TessaglyphFile::interpolationMode() const {
  MethodScope scope(profiler(), "TessaglyphFile::interpolationMode Get");
  return requireMachine().interpolationMode();
}

void TessaglyphFile::setInterpolationMode(TG_M_INTERPOLATIONMODES mode) {
  MethodScope scope(profiler(), "TessaglyphFile::interpolationMode Let");
  requireMachine().setInterpolationMode(mode);
}

TG_M_DATALOCK TessaglyphFile::dataLock() const {
  MethodScope scope(profiler(), "TessaglyphFile::dataLock Get");
  return requireMachine().dataLock();
}

void TessaglyphFile::setDataLock(TG_M_DATALOCK value) {
  MethodScope scope(profiler(), "TessaglyphFile::dataLock Let");
  requireMachine().setDataLock(value);
}

std::string TessaglyphFile::scriptFilename() const {
  MethodScope scope(profiler(), "TessaglyphFile::scriptFilename Get");
  return requireMachine().scriptFilename();
}

const std::string& TessaglyphFile::filename() const {
  MethodScope scope(profiler(), "TessaglyphFile::filename Get");
  return m_filename;
}

const std::string& TessaglyphFile::RMDescID() const {
  MethodScope scope(profiler(), "TessaglyphFile::RMDescID Get");
  return m_rmDescID;
}

Boolean TessaglyphFile::onRemovableMedia() const {
  MethodScope scope(profiler(), "TessaglyphFile::onRemovableMedia Get");
  return m_onRemovableMedia;
}

TG_F_RMHANDLE TessaglyphFile::rmHandle() const {
  MethodScope scope(profiler(), "TessaglyphFile::rmHandle Get");
  return m_rmHandle;
}

void TessaglyphFile::setRmHandle(TG_F_RMHANDLE value) {
  MethodScope scope(profiler(), "TessaglyphFile::rmHandle Let");
  m_rmHandle = value;
}

Boolean TessaglyphFile::isLost() const {
  MethodScope scope(profiler(), "TessaglyphFile::isLost Get");
  return m_isLost;
}

void TessaglyphFile::setIsLost(Boolean value) {
  MethodScope scope(profiler(), "TessaglyphFile::isLost Let");
  m_isLost = value;
}

const TG_FILEMETRICS& TessaglyphFile::metrics() const {
  MethodScope scope(profiler(), "TessaglyphFile::metrics Get");
  return m_metrics;
}

const std::shared_ptr<TessaglyphMachine>& TessaglyphFile::machine() const {
  MethodScope scope(profiler(), "TessaglyphFile::machine Get");
  return m_machine;
}

// ---- The owner's settings -----------------------------------------------------------------

void TessaglyphFile::setMachine(std::shared_ptr<TessaglyphMachine> machine) {
  MethodScope scope(profiler(), "TessaglyphFile::machine Set");
  if (m_machine && m_machine->eventSink() == this) m_machine->setEventSink(nullptr);
  m_machine = std::move(machine);
  m_boundaryComputed = false;
  if (m_machine) {
    m_machine->setEventSink(this);
    applyExecuteMode();
  }
}

void TessaglyphFile::setFilename(const std::string& filename) {
  MethodScope scope(profiler(), "TessaglyphFile::filename Let");
  if (m_areaFile) {
    throw Error(TG_F_E_AREAFILE, "TessaglyphFile::filename Let",
                std::string("Cannot set the filename of files designated as ") + "\"area files\"");
  }
  m_filename = filename;
  if (m_machine) m_machine->setFileInfo(filename);
}

void TessaglyphFile::setExecuteMode(TG_F_EXECTUEMODE mode) {
  MethodScope scope(profiler(), "TessaglyphFile::executeMode Let");
  m_executeMode = mode;
  applyExecuteMode();
}

void TessaglyphFile::applyExecuteMode() {
  if (!m_machine) return;
  switch (m_executeMode) {
    case TG_F_EM_NORMAL:
      m_machine->setMessageBoxMode(TG_M_MBM_NORMAL);
      m_machine->setInputBoxMode(TG_M_IBM_NORMAL);
      break;
    case TG_F_EM_NOINTERACTION:
    case TG_F_EM_SILENT:
      m_machine->setMessageBoxMode(TG_M_MBM_IGNORE);
      m_machine->setInputBoxMode(TG_M_IBM_IGNORE);
      break;
    case TG_F_EM_SILENTLOGGED:
      m_machine->setMessageBoxMode(TG_M_MBM_EVENT);
      m_machine->setInputBoxMode(TG_M_IBM_EVENT);
      break;
  }
}

void TessaglyphFile::logMessage(const std::string& text) {
  std::string line = "[" + localTimeText("%H:%M:%S") + "] " + text;
  if (m_logSink) {
    m_logSink(line);
  } else {
    appendLogLine(diagnosticLogPath(), line);
  }
}

// ---- Removable media ----------------------------------------------------------------------

bool TessaglyphFile::checkRemovableMedia() {
  if (!m_onRemovableMedia || m_rmHandle == TG_F_RMH_IGNORERM || m_isLost) return m_isLost;
  // The request is made only for a file that is missing: the check runs before every read.
  const auto swap = [this](const std::string& filename) {
    if (!m_declined) m_declined = std::make_shared<DeclinedMedia>();
    SwapRequest request;
    request.filename = filename;
    request.RMDescID = m_rmDescID;
    request.handle = m_rmHandle;
    request.declined = m_declined.get();
    request.descriptions = m_descriptions.get();
    // Without a host to bring the medium back, asking again could only loop.
    request.raiseSwapEvent = [this](const std::string& name) {
      if (m_eventSink == nullptr) return true;
      Boolean cancel = false;
      m_eventSink->rmSwap(name, cancel);
      return cancel;
    };
    if (!swapMedium(request)) m_isLost = true;
  };
  if (!fileIsReachable(m_filename)) swap(m_filename);
  if (!m_isLost && m_machine) {
    for (Integer index = 0; index < m_machine->numOpenFiles() && !m_isLost; ++index) {
      const std::string name = m_machine->OpenFile(index);
      if (!fileIsReachable(name)) swap(name);
    }
  }
  return m_isLost;
}

// ---- Opening and closing ------------------------------------------------------------------

void TessaglyphFile::openSource() {
  MethodScope scope(profiler(), "TessaglyphFile::openSource");
  if (m_areaFile) throw Error(TG_F_E_AREAFILE, {}, "File is marked as an area file.");
  if (checkRemovableMedia()) return;
  if (m_filename.empty() || !m_machine) {
    throw Error(TG_F_E_CANTOPENFILE, {}, "Could not open the file.");
  }
  m_open = true;
  m_boundaryComputed = false;
  if (m_machine->routineLocations(TG_M_RAI_INIT) != -1) m_machine->routine(TG_M_RAI_INIT);
  closeProgressWindow();
  if (m_machine->routineLocations(TG_M_RAI_VALID) != -1) {
    const std::string answer = m_machine->routine(TG_M_RAI_VALID);
    closeProgressWindow();
    if (!validAnswerIsTrue(answer)) {
      if (traceEnabled()) {
        const std::string reason = refusalOf(*m_machine);
        TG_TRACE("file.openSource " + m_filename + ": refused by its script" +
                 (reason.empty() ? std::string() : ": " + reason));
      }
      throw Error(TG_F_E_FILEINVALID, {},
                  std::string("The source file is invalid ") + "for the given script");
    }
  }
  m_metrics = computeSourceMetrics(*m_machine, m_machine->currentDatum(),
                                   [this] { closeProgressWindow(); });
  // Reads go straight to the cells from here on when the script declares its grid layout.
  m_machine->setEnableMEX(true);
}

void TessaglyphFile::closeSource() {
  MethodScope scope(profiler(), "TessaglyphFile::closeSource");
  if (m_areaFile) {
    throw Error(
        TG_F_E_AREAFILE, {},
        std::string("Files marked as ") + "\"Area\"" + " files cannot be " + "closed manually.");
  }
  if (m_open && checkRemovableMedia()) return;
  if (m_isLost) return;
  m_open = false;
  // The direct access object reads the handle the script is about to close (and that the next
  // open may hand to another file): it goes first.
  if (m_machine) m_machine->setEnableMEX(false);
  // TERMINATE runs on every close, open or not: a script may hold state of its own (files it
  // opened from a routine, say) that only TERMINATE releases.
  if (m_machine && m_machine->routineLocations(TG_M_RAI_TERMINATE) != -1) {
    m_machine->routine(TG_M_RAI_TERMINATE);
  }
  m_boundaryComputed = false;
  closeProgressWindow();
}

// ---- Data points --------------------------------------------------------------------------

Single TessaglyphFile::point(Double latitude, Double longitude) {
  MethodScope scope(profiler(), "TessaglyphFile::point Get");
  if (!m_open) {
    throw Error(TG_F_E_FILENOTOPEN, {},
                std::string("You must open the file prior to attempting ") + "to read data.");
  }
  try {
    return readPoint(latitude, longitude);
  } catch (const Error& error) {
    if (m_executeMode == TG_F_EM_SILENTLOGGED) {
      logMessage("Internal Error: # " + longToText(error.number()) + " (" + error.description() +
                 ")");
    }
    if (isSilent(m_executeMode)) return Single(TG_M_DPEC_RETRIEVALERROR);
    throw;
  } catch (const std::exception& error) {
    if (m_executeMode == TG_F_EM_SILENTLOGGED) {
      logMessage(std::string("Internal Error: # 0 (") + error.what() + ")");
    }
    if (isSilent(m_executeMode)) return Single(TG_M_DPEC_RETRIEVALERROR);
    throw;
  }
}

Single TessaglyphFile::readPoint(Double latitude, Double longitude) {
  // A file that is neither lost nor on a removable medium needs no check.
  if ((m_onRemovableMedia || m_isLost) && checkRemovableMedia()) return 0;
  TessaglyphMachine& machine = requireMachine();
  m_scriptError = false;
  const Single value = machine.datapoint_read(longitude, latitude);
  if (traceEnabled()) traceRead(m_filename, latitude, longitude, value);
  if (m_progressWindow) closeProgressWindow();
  if (m_scriptError && isSilent(m_executeMode)) return Single(TG_M_DPEC_RETRIEVALERROR);
  return value;
}

void TessaglyphFile::setPoint(Double latitude, Double longitude, Single value) {
  MethodScope scope(profiler(), "TessaglyphFile::point Let");
  if (!m_open) {
    throw Error(TG_F_E_FILENOTOPEN, {},
                std::string("You must open the file prior to attempting ") + "to write data.");
  }
  if (checkRemovableMedia()) return;
  TessaglyphMachine& machine = requireMachine();
  if (machine.routineLocations(TG_M_RAI_DATAPOINT_WRITE) == -1 && !machine.enableMEX()) {
    throw Error(TG_F_E_DATAPOINTISREADONLY, {}, "Datapoint is defined as read-only.");
  }
  machine.datapoint_write(longitude, latitude, value);
  closeProgressWindow();
}

std::shared_ptr<XYZPoint> TessaglyphFile::PointRowCol(Long row, Long col) {
  MethodScope scope(profiler(), "TessaglyphFile::PointRowCol");
  return requireMachine().datapoint_read_rowcol(row, col);
}

Boolean TessaglyphFile::GetHiLoValues(std::shared_ptr<XYZPoint>& pHi,
                                      std::shared_ptr<XYZPoint>& pLo, Boolean ShowProgress) {
  MethodScope scope(profiler(), "TessaglyphFile::GetHiLoValues");
  return requireMachine().GetHiLoValues(pHi, pLo, ShowProgress);
}

void TessaglyphFile::ClosestRowCol(Double lon, Double lat, Long& row, Long& col) {
  MethodScope scope(profiler(), "TessaglyphFile::ClosestRowCol");
  requireMachine().ClosestRowCol(lon, lat, row, col);
}

// ---- Grid size ----------------------------------------------------------------------------

Long TessaglyphFile::gridSize(const char* name) {
  TessaglyphMachine& machine = requireMachine();
  const std::string property(trimBlanks(machine.getPropertyValue(name)));
  if (property != "byfile") return textToLong(property);
  const Integer attribute = machine.getAttributeIndex(name);
  if (attribute < 0) {
    throw Error(TG_M_E_ATTRIBUTEMISSING, {},
                std::string("The ") + name + " attribute must be defined when the \"" + name +
                    "\" property is \"byfile\"");
  }
  const std::string value = machine.attribute_read(attribute);
  closeProgressWindow();
  return textToLong(value);
}

Long TessaglyphFile::NumRows() {
  MethodScope scope(profiler(), "TessaglyphFile::NumRows Get");
  return gridSize("mex_numrows");
}

Long TessaglyphFile::NumColumns() {
  MethodScope scope(profiler(), "TessaglyphFile::NumColumns Get");
  return gridSize("mex_numcolumns");
}

// ---- Machine events -----------------------------------------------------------------------

void TessaglyphFile::closeProgressWindow() noexcept {
  if (!m_progressWindow) return;
  try {
    m_progressWindow->hide();
  } catch (...) {
    // A window that fails to hide is dropped all the same.
  }
  m_progressWindow.reset();
}

void TessaglyphFile::dataChanged(const std::string& dataName, const std::string& newValue) {
  const std::string_view name = trimBlanks(dataName);
  const bool progress = equalsIgnoreCase(name, "progress") || equalsIgnoreCase(name, "p_progress");
  const bool tip = equalsIgnoreCase(name, "tip") || equalsIgnoreCase(name, "p_tip");
  if ((!progress && !tip) || m_executeMode != TG_F_EM_NORMAL) return;
  if (!m_progressWindow) {
    m_progressWindow = userInterface().createProgressWindow("Execution Progress");
    if (!m_progressWindow) return;
    m_progressWindow->show();
  }
  if (progress) {
    // Scripts count progress in percent; anything else shows as unknown progress.
    const std::optional<double> percent = parseNumber(newValue);
    m_progressWindow->setProgress(percent ? *percent / 100 : -1);
  } else {
    m_progressWindow->setText(newValue);
  }
}

void TessaglyphFile::executionErrorExt(Long errorNumber, const std::string& description,
                                       Integer instrNum, Integer /*lineNum*/, Boolean& continue_) {
  m_scriptError = true;
  continue_ = false;
  switch (m_executeMode) {
    case TG_F_EM_SILENTLOGGED:
      logMessage("Script Error: # " + longToText(errorNumber) + " (" + description + ") - " +
                 "Instruction: " + longToText(instrNum));
      break;
    case TG_F_EM_SILENT:
      break;
    default:
      userInterface().messageBox(
          std::string("Tessaglyph encountered a script error during execution.  Your data ") +
              "may be invalid." + kCrLf + kCrLf + "Error " + longToText(errorNumber) +
              "; Instruction " + longToText(instrNum) + ":" + kCrLf + description,
          MB_OKONLY | MB_CRITICAL, "Tessaglyph");
      break;
  }
}

void TessaglyphFile::scriptMessageBox(std::string& message, TG_M_MESSAGEBOXBUTTONSTYLES& buttons,
                                      TG_M_MESSAGEBOXBUTTONS& returnValue) {
  logMessage("Script Message Box: " + message);
  returnValue = buttons > 0 ? TG_M_MBB_NO : TG_M_MBB_OK;
}

void TessaglyphFile::scriptInputBox(std::string& message, std::string& /*returnValue*/) {
  logMessage("Script Input Box: " + message);
}

}  // namespace tg
