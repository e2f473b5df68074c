// TessaglyphFile: one source data file paired with the machine that runs its script. Through it
// a host (or an area) opens the file, reads and writes data points by latitude and longitude,
// tests whether a position lies inside the file's coverage and learns the file's metrics. It
// also looks after files on removable media: before each operation it makes sure the file, and
// every file its script has open, can be reached, and asks for the medium when one cannot.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tessaglyph/machine.hpp"
#include "tessaglyph/medium_descriptions.hpp"
#include "tessaglyph/method_counter.hpp"
#include "tessaglyph/script_collection.hpp"
#include "tessaglyph/types.hpp"
#include "tessaglyph/xyz_point.hpp"

namespace tg {

class ProgressWindow;

// A geographic rectangle in decimal degrees, and the data types an area selection wants.
struct TG_BOUNDS {
  Double northLat = 0;
  Double westLon = 0;
  Double southLat = 0;
  Double eastLon = 0;
  std::shared_ptr<ScriptCollection> scriptCollection;
};

// What is known of a source file's coverage; resolutions are in metres.
struct TG_FILEMETRICS {
  std::string datum;
  Double xResolution = 0;
  Double yResolution = 0;
  TG_BOUNDS bounds;
};

// How much a file may involve the user while its script runs.
enum TG_F_EXECTUEMODE : std::int32_t {
  TG_F_EM_NORMAL = 0,
  TG_F_EM_NOINTERACTION = 1,
  TG_F_EM_SILENT = 2,
  TG_F_EM_SILENTLOGGED = 3,
};

// What happens when a needed file on removable media is missing.
enum TG_F_RMHANDLE : std::int32_t {
  TG_F_RMH_DIALOG = 0,     // the "Disk Swap" box asks for the medium
  TG_F_RMH_EVENTONLY = 1,  // rmSwap asks the host
  TG_F_RMH_IGNORERM = 2,   // no check at all
};

enum TG_F_ERRORS : std::int32_t {
  TG_F_E_ERRBASE = 14000,
  TG_F_E_DATAPOINTISREADONLY = 14001,
  TG_F_E_ALREADYOPEN = 14002,  // never raised: opening an open file runs INIT again
  TG_F_E_AREAFILE = 14003,
  TG_F_E_FILENOTOPEN = 14004,
  TG_F_E_CANTOPENFILE = 14005,
  TG_F_E_FILEINVALID = 14006,
};

// The file's outgoing events, raised synchronously.
class TessaglyphFileEvents {
 public:
  virtual ~TessaglyphFileEvents() = default;
  // A needed file is missing (rmHandle TG_F_RMH_EVENTONLY). Leave Cancel false once the medium
  // is back, to have the file looked for again; set it true to give the medium up.
  virtual void rmSwap(const std::string& /*filename*/, Boolean& /*Cancel*/) {}
};

// The machine's script errors, message boxes, input boxes and progress changes are handled by
// the file itself (it is the machine's event sink while it holds the machine); they are not
// passed on to the host.
class TessaglyphFile : private TessaglyphMachineEvents {
 public:
  using LogSink = std::function<void(const std::string&)>;
  using DeclinedMedia = std::vector<std::string>;

  TessaglyphFile();
  ~TessaglyphFile() override;
  TessaglyphFile(const TessaglyphFile&) = delete;
  TessaglyphFile& operator=(const TessaglyphFile&) = delete;

  // The sink of rmSwap; not owned (nullptr = none).
  void setEventSink(TessaglyphFileEvents* sink) noexcept { m_eventSink = sink; }

  const std::shared_ptr<MethodCounter>& methodProfiler() const noexcept { return m_profiler; }
  void setMethodProfiler(std::shared_ptr<MethodCounter> profiler) noexcept {
    m_profiler = std::move(profiler);
  }

  // ---- Properties -------------------------------------------------------------------------
  // Those that pass through to the machine raise 14005 "Could not open the file." while the file
  // has none.

  Long accessCount() const;
  Single lastAccess() const;
  // The datum positions are given in. A change drops the boundary; on an open file the
  // boundary and the metrics are rebuilt at once in the new datum.
  std::string currentDatum() const;
  void setCurrentDatum(const std::string& datum);
  TG_M_INTERPOLATIONMODES interpolationMode() const;
  void setInterpolationMode(TG_M_INTERPOLATIONMODES mode);
  TG_M_DATALOCK dataLock() const;
  void setDataLock(TG_M_DATALOCK value);
  const std::string& filename() const;
  std::string scriptFilename() const;
  const std::string& RMDescID() const;
  Boolean onRemovableMedia() const;
  TG_F_RMHANDLE rmHandle() const;
  void setRmHandle(TG_F_RMHANDLE value);
  Boolean isLost() const;
  void setIsLost(Boolean value);
  const TG_FILEMETRICS& metrics() const;
  const std::shared_ptr<TessaglyphMachine>& machine() const;

  // ---- Data points ------------------------------------------------------------------------

  // The value at a position in currentDatum. 14004 on a closed file; 0 once the file is lost.
  // A failing read raises its error again, except in the silent modes, where it gives -52000
  // (logged in TG_F_EM_SILENTLOGGED). In those modes a read during which the script reported
  // an error gives -52000 as well, since its value cannot be trusted.
  Single point(Double latitude, Double longitude);
  // Writes the value at a position. 14004 on a closed file, 14001 when the script cannot write
  // data points; nothing at all once the file is lost.
  void setPoint(Double latitude, Double longitude, Single value);
  // The grid point at a row and column through direct grid access; nullptr without it.
  std::shared_ptr<XYZPoint> PointRowCol(Long row, Long col);
  // The grid's highest and lowest values through direct grid access; false without it.
  Boolean GetHiLoValues(std::shared_ptr<XYZPoint>& pHi, std::shared_ptr<XYZPoint>& pLo,
                        Boolean ShowProgress);
  // The grid row and column nearest a position in currentDatum; -1 and -1 without direct
  // grid access.
  void ClosestRowCol(Double lon, Double lat, Long& row, Long& col);

  // ---- Opening, closing, bounds -----------------------------------------------------------

  // Runs INIT and VALID, computes the metrics in currentDatum, then enables direct grid access
  // (which stays off when the script does not declare its grid layout). 14003 for an area file,
  // 14005 without a file name or a machine, 14006 when VALID refuses the file (which then
  // stays open). A file found lost returns quietly.
  void openSource();
  // Runs TERMINATE. 14003 for an area file; nothing for a lost one.
  void closeSource();
  // True when the position (in currentDatum) lies inside the file's coverage, edges included.
  // 14004 on a closed file; false once the file is lost.
  Boolean inBounds(Double latitude, Double longitude);

  // ---- Grid size ------------------------------------------------------------------------

  // The "mex_numrows" / "mex_numcolumns" property as a Long, or when it is "byfile" the
  // attribute of the same name.
  Long NumRows();
  Long NumColumns();

  // ---- For the owner (top-level object, area, index) -------------------------------------

  // Hands the file its machine; the file becomes the machine's event sink and applies its
  // execute mode to it.
  void setMachine(std::shared_ptr<TessaglyphMachine> machine);
  // Stores the name and hands it to the machine (setFileInfo). 14003 for an area file.
  void setFilename(const std::string& filename);
  Boolean isAreaFile() const noexcept { return m_areaFile; }
  void setAreaFile(Boolean value) noexcept { m_areaFile = value; }
  Boolean isOpen() const noexcept { return m_open; }
  TG_F_EXECTUEMODE executeMode() const noexcept { return m_executeMode; }
  // Also sets the machine's message-box and input-box modes.
  void setExecuteMode(TG_F_EXECTUEMODE mode);
  void setOnRemovableMedia(Boolean value) noexcept { m_onRemovableMedia = value; }
  void setRMDescID(const std::string& id) { m_rmDescID = id; }
  // The identifiers of media the user gave up, shared by the files of an area. A file that is
  // given none makes its own list when it first needs one.
  const std::shared_ptr<DeclinedMedia>& declinedMedia() const noexcept { return m_declined; }
  void setDeclinedMedia(std::shared_ptr<DeclinedMedia> list) noexcept {
    m_declined = std::move(list);
  }
  // Where the "Disk Swap" box finds the description of a medium; none leaves it out.
  void setMediumDescriptions(std::shared_ptr<const MediumDescriptions> descriptions) noexcept;
  // Where logMessage writes; with none, lines go to the diagnostic log.
  void setLogSink(LogSink sink) { m_logSink = std::move(sink); }
  // Adds "[" time "] " text to the owner's log.
  void logMessage(const std::string& text);

 private:
  // Machine events.
  void dataChanged(const std::string& dataName, const std::string& newValue) override;
  void executionErrorExt(Long errorNumber, const std::string& description, Integer instrNum,
                         Integer lineNum, Boolean& continue_) override;
  void scriptMessageBox(std::string& message, TG_M_MESSAGEBOXBUTTONSTYLES& buttons,
                        TG_M_MESSAGEBOXBUTTONS& returnValue) override;
  void scriptInputBox(std::string& message, std::string& returnValue) override;

  TessaglyphMachine& requireMachine() const;
  MethodCounter* profiler() const noexcept { return m_profiler.get(); }
  // The removable-media check; true when the file is lost afterwards.
  bool checkRemovableMedia();
  void closeProgressWindow() noexcept;
  void applyExecuteMode();
  Single readPoint(Double latitude, Double longitude);
  Long gridSize(const char* name);
  // The boundary in currentDatum, built on the first test after open or a datum change.
  void buildBoundary();
  bool boundaryContains(Double latitude, Double longitude) const;

  std::shared_ptr<TessaglyphMachine> m_machine;
  Boolean m_areaFile = false;
  std::string m_filename;
  Boolean m_open = false;
  TG_FILEMETRICS m_metrics;
  TG_F_EXECTUEMODE m_executeMode = TG_F_EM_NORMAL;

  Boolean m_onRemovableMedia = false;
  TG_F_RMHANDLE m_rmHandle = TG_F_RMH_DIALOG;
  Boolean m_isLost = false;
  std::string m_rmDescID;

  // The boundary: a rectangle (m_top, m_bottom, m_left, m_right) or a ring of five points
  // whose last repeats the first.
  Boolean m_boundaryComputed = false;
  Boolean m_boundaryIsPolygon = false;
  Double m_top = 0, m_bottom = 0, m_left = 0, m_right = 0;
  std::array<Double, 5> m_ringLat{};
  std::array<Double, 5> m_ringLon{};

  Boolean m_scriptError = false;
  std::unique_ptr<ProgressWindow> m_progressWindow;

  std::shared_ptr<DeclinedMedia> m_declined;
  std::shared_ptr<const MediumDescriptions> m_descriptions;
  std::shared_ptr<MethodCounter> m_profiler;
  TessaglyphFileEvents* m_eventSink = nullptr;
  LogSink m_logSink;
};

}  // namespace tg
