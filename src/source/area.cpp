// The area's state and settings, its files and their open state, error reporting and logs.
#include "tessaglyph/area.hpp"

#include <algorithm>

#include "source/area_settings.hpp"
#include "support/component_settings.hpp"
#include "support/conversions.hpp"
#include "support/method_scope.hpp"
#include "support/timer.hpp"
#include "tessaglyph/area_rate_log.hpp"
#include "tessaglyph/error.hpp"

namespace tg {

namespace {

constexpr const char* kCrLf = "\r\n";

void appendUnderlined(std::string& text, const std::string& heading) {
  text += heading;
  text += kCrLf;
  text.append(heading.size(), '-');
  text += kCrLf;
}

}  // namespace

TessaglyphArea::TessaglyphArea() : TessaglyphArea(Clock(timer)) {}

TessaglyphArea::TessaglyphArea(Clock clock)
    : m_clock(std::move(clock)),
      m_maximumOpenFiles(settings::maxOpenAreaFiles()),
      m_boundaryResolution(areaBoundaryResolutionSetting()),
      m_declined(std::make_shared<TessaglyphFile::DeclinedMedia>()) {}

TessaglyphArea::~TessaglyphArea() {
  // The files may outlive the area in a host's hands; they go back to being plain files.
  for (AreaFile& entry : m_files) {
    if (entry.open) {
      try {
        closeFile(std::size_t(&entry - m_files.data()));
      } catch (...) {
        // A file that fails to close while the area goes is left as it is.
      }
    }
    entry.file->setAreaFile(false);
    entry.file->setLogSink({});
  }
}

// ---- Error reporting ----------------------------------------------------------------------

void TessaglyphArea::reportError(std::int32_t number, const std::string& source,
                                 const std::string& description) {
  switch (m_interactionOption) {
    case TG_S_AIO_NORMAL:
      throw Error(number, source.empty() ? "Tessaglyph DLL" : source, description);
    case TG_S_AIO_SILENTLOGGED:
      logMessage("Error: # " + longToText(number) + " (" + source + ")");
      return;
    case TG_S_AIO_SILENTIGNORE:
      return;
  }
}

void TessaglyphArea::reportError(const Error& error) {
  reportError(error.number(), error.source(), error.description());
}

TessaglyphArea::AreaFile* TessaglyphArea::fileAt(Integer index) {
  if (index < 1 || std::size_t(index) > m_files.size()) {
    reportError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, "DLL User", "Subscript out of range");
    return nullptr;
  }
  return &m_files[std::size_t(index) - 1];
}

const TessaglyphArea::AreaFile* TessaglyphArea::fileAt(Integer index) const {
  // Reporting may log, which is the one change a read-only member makes.
  return const_cast<TessaglyphArea*>(this)->fileAt(index);
}

// ---- Settings -----------------------------------------------------------------------------

void TessaglyphArea::setMaximumOpenFiles(Integer value) {
  MethodScope scope(profiler(), "TessaglyphArea::maximumOpenFiles Let");
  if (value < 1 || value > kMaxAreaOpenFiles) {
    reportError(TG_S_E_INVALIDSETTING, "TessaglyphArea::maximumOpenFiles [Let]",
                std::string("The value for maximumOpenFiles must be in the range ") +
                    "1 <= maximumOpenFiles <= 225");
    return;
  }
  m_maximumOpenFiles = value;
  while (m_numOpenFiles > m_maximumOpenFiles) {
    const Integer victim = mostIgnoredOpenFile();
    if (victim == -1) break;
    setFileOpen(victim, false);
  }
}

Integer TessaglyphArea::mostIgnoredOpenFile() const {
  Single oldest = m_clock();
  Integer result = -1;
  for (std::size_t i = 0; i < m_files.size(); ++i) {
    if (!m_files[i].open) continue;
    const Single access = m_files[i].file->lastAccess();
    if (access <= oldest) {
      oldest = access;
      result = Integer(i + 1);
    }
  }
  return result;
}

Boolean TessaglyphArea::fileOpen(Integer index) const {
  const AreaFile* entry = fileAt(index);
  return entry != nullptr && entry->open;
}

void TessaglyphArea::setFileOpen(Integer index, Boolean open) {
  MethodScope scope(profiler(), "TessaglyphArea::fileOpen Let");
  AreaFile* entry = fileAt(index);
  if (entry == nullptr) return;
  TessaglyphFile& file = *entry->file;
  if (!file.RMDescID().empty() &&
      std::find(m_declined->begin(), m_declined->end(), file.RMDescID()) != m_declined->end()) {
    file.setIsLost(true);
    return;
  }
  if (entry->open == open) return;
  const std::size_t position = std::size_t(index) - 1;
  if (open) {
    openFile(position);
  } else {
    closeFile(position);
  }
}

void TessaglyphArea::closeFile(std::size_t position) {
  AreaFile& entry = m_files[position];
  entry.file->setAreaFile(false);
  try {
    entry.file->closeSource();
  } catch (...) {
    entry.file->setAreaFile(true);
    throw;
  }
  entry.file->setAreaFile(true);
  entry.open = false;
  --m_numOpenFiles;
  logRateEvent(TG_ARL_RET_FILECLOSE, Long(position + 1));
}

void TessaglyphArea::openFile(std::size_t position) {
  while (m_numOpenFiles >= m_maximumOpenFiles) {
    const Integer victim = mostIgnoredOpenFile();
    if (victim == -1) break;
    closeFile(std::size_t(victim) - 1);
  }
  AreaFile& entry = m_files[position];
  TessaglyphFile& file = *entry.file;
  file.setAreaFile(false);
  try {
    file.openSource();
  } catch (...) {
    // A file that fails half-way may hold what INIT opened; TERMINATE gives it back.
    try {
      if (file.isOpen()) file.closeSource();
    } catch (...) {
      // The first failure is the one to report.
    }
    file.setAreaFile(true);
    throw;
  }
  if (file.isLost()) {
    if (!file.RMDescID().empty()) m_declined->push_back(file.RMDescID());
    file.closeSource();
    file.setAreaFile(true);
    return;
  }
  file.setAreaFile(true);
  entry.open = true;
  ++m_numOpenFiles;
  logRateEvent(TG_ARL_RET_FILEOPEN, Long(position + 1));
}

Long TessaglyphArea::totalAccessCount() const {
  Long total = 0;
  for (const AreaFile& entry : m_files)
    total += entry.file->accessCount();
  return total;
}

void TessaglyphArea::setAreaDatum(const std::string& datum) {
  MethodScope scope(profiler(), "TessaglyphArea::areaDatum Let");
  for (AreaFile& entry : m_files)
    entry.file->setCurrentDatum(datum);
}

std::shared_ptr<TessaglyphFile> TessaglyphArea::files(Integer index) const {
  const AreaFile* entry = fileAt(index);
  return entry != nullptr ? entry->file : nullptr;
}

void TessaglyphArea::setInterpolationMode(TG_M_INTERPOLATIONMODES mode) {
  MethodScope scope(profiler(), "TessaglyphArea::interpolationMode Let");
  for (AreaFile& entry : m_files)
    entry.file->setInterpolationMode(mode);
  m_interpolationMode = mode;
}

namespace {

// Whether a file's script declares a mode itself.
bool scriptDeclares(TessaglyphMachine& machine, TG_M_INTERPOLATIONMODES mode) {
  switch (mode) {
    case TG_M_IM_NONE:
      return true;
    case TG_M_IM_CLOSESTPOINT:
      return machine.scriptClosestPointCapable();
    case TG_M_IM_4POINT:
    case TG_M_IM_MAX4:
      return machine.script4PointCapable();
    case TG_M_IM_12POINT:
      return machine.script12PointCapable();
  }
  return false;
}

}  // namespace

Boolean TessaglyphArea::allFilesCanInterpolate(TG_M_INTERPOLATIONMODES mode) const {
  if (mode == TG_M_IM_NONE) return true;
  return std::all_of(m_files.begin(), m_files.end(), [mode](const AreaFile& entry) {
    return entry.file->machine() && scriptDeclares(*entry.file->machine(), mode);
  });
}

Array<std::shared_ptr<TessaglyphFile>> TessaglyphArea::interpolationIncapableFiles(
    TG_M_INTERPOLATIONMODES mode) const {
  std::vector<std::shared_ptr<TessaglyphFile>> incapable;
  for (const AreaFile& entry : m_files) {
    if (!entry.file->machine() || !scriptDeclares(*entry.file->machine(), mode)) {
      incapable.push_back(entry.file);
    }
  }
  return Array<std::shared_ptr<TessaglyphFile>>(1, std::move(incapable));
}

void TessaglyphArea::setDatalock(TG_M_DATALOCK value) {
  MethodScope scope(profiler(), "TessaglyphArea::setDatalock");
  for (AreaFile& entry : m_files)
    entry.file->setDataLock(value);
}

void TessaglyphArea::closeArea() {
  MethodScope scope(profiler(), "TessaglyphArea::closeArea");
  for (std::size_t i = 0; i < m_files.size(); ++i) {
    if (m_files[i].open) closeFile(i);
  }
}

// ---- Files from area preparation ----------------------------------------------------------

void TessaglyphArea::addFile(std::shared_ptr<TessaglyphFile> file) {
  if (!file) raisePlatformError(PLATFORM_E_INVALIDPROCEDURECALL, "TessaglyphArea::addFile");
  if (m_initialized) {
    reportError(TG_S_E_AREAALREADYINITIALIZED, "TessaglyphArea::addFile",
                std::string("The area has already been ") + "initialized.");
    return;
  }
  AreaFile entry;
  entry.log = std::make_shared<std::vector<std::string>>();
  file->setAreaFile(true);
  file->setDeclinedMedia(m_declined);
  // The sink holds the list, not the area, so a file the host keeps stays safe to use.
  file->setLogSink([log = entry.log](const std::string& line) { log->push_back(line); });
  entry.open = file->isOpen();
  entry.file = std::move(file);
  m_files.push_back(std::move(entry));
  // A file preparation opened (to learn its metrics) counts as open; beyond the limit the least
  // recently used one goes.
  if (m_files.back().open) {
    ++m_numOpenFiles;
    while (m_numOpenFiles > m_maximumOpenFiles) {
      const Integer victim = mostIgnoredOpenFile();
      if (victim == -1) break;
      closeFile(std::size_t(victim) - 1);
    }
  }
}

// ---- Logs ---------------------------------------------------------------------------------

std::string TessaglyphArea::areaLogMessages(Integer index) const {
  if (index < 1 || std::size_t(index) > m_areaLog.size()) {
    const_cast<TessaglyphArea*>(this)->reportError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, "DLL User",
                                                   "Subscript out of range");
    return {};
  }
  return m_areaLog[std::size_t(index) - 1];
}

void TessaglyphArea::logMessage(const std::string& message) {
  m_areaLog.push_back("[" + localTimeText("%H:%M:%S") + "] " + message);
}

std::string TessaglyphArea::createAreaLog() const {
  std::string text = "Log (Created " + localTimeText("%Y-%m-%d %H:%M:%S") + ")" + kCrLf;
  appendUnderlined(text, "AREA MESSAGES");
  for (const std::string& line : m_areaLog)
    text += line + kCrLf;
  for (std::size_t i = 0; i < m_files.size(); ++i) {
    appendUnderlined(
        text, "FILE " + std::to_string(i + 1) + " (" + m_files[i].file->filename() + ") MESSAGES");
    for (const std::string& line : *m_files[i].log)
      text += line + kCrLf;
  }
  return text;
}

void TessaglyphArea::clearAllLogs() noexcept {
  m_areaLog.clear();
  for (AreaFile& entry : m_files)
    entry.log->clear();
}

// ---- Rate log -----------------------------------------------------------------------------

void TessaglyphArea::logRateEvent(std::int32_t type, Long data) {
  if (!m_rateLog || !m_rateLog->started()) return;
  try {
    m_rateLog->logEvent(TG_ARL_RATEEVENTTYPES(type), data);
  } catch (const Error& error) {
    reportError(error);
  }
}

void TessaglyphArea::countPoint(Single value) {
  if (!m_rateLog || !m_rateLog->started()) return;
  try {
    m_rateLog->countPoint(value);
  } catch (const Error& error) {
    reportError(error);
  }
}

}  // namespace tg
