// TessaglyphArea: many source files joined into one seamless surface. The area divides its
// extent into a grid of sectors, remembers which files overlap each sector, keeps at most
// maximumOpenFiles files open (closing the least recently used one when it needs room) and
// answers a point query from the first file, in priority order, that holds data there. Near a
// file border it can look into the neighbouring sector, and an interpolation that lacks points
// at a border can be completed by its macro interpolation option.
//
// File positions (files, fileOpen, sectorFile, mostIgnoredOpenFile, interpolationIncapableFiles)
// are 1-based, as are the lines of the area log. Sector locations (x, y) are 0-based columns from
// the west and rows from the north.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tessaglyph/error.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/method_counter.hpp"
#include "tessaglyph/source_file.hpp"
#include "tessaglyph/types.hpp"

namespace tg {

class TessaglyphAreaRateLog;

// What a point query does when an interpolation lacks points at a file border.
enum TG_S_MACROINTERPOLATIONOPTIONS : std::int32_t {
  TG_S_MIO_DEFAULTTOCLOSESTPOINT = 0,  // read the closest point instead
  TG_S_MIO_USEAVAILDATA = 1,           // interpolate over what was gathered
  TG_S_MIO_MERGEFILEDATA = 2,          // fill the gaps from files on the same grid
  TG_S_MIO_RETURNLOWELEVATION = 3,     // no data here
  TG_S_MIO_RAISEERROR = 4,             // 17005
};

// How the area reports its own errors.
enum TG_S_AREAINTERACTIONOPTIONS : std::int32_t {
  TG_S_AIO_NORMAL = 0,        // raised
  TG_S_AIO_SILENTLOGGED = 1,  // a line in the area log
  TG_S_AIO_SILENTIGNORE = 2,  // nothing
};

// Which bounds a point query checks before reading.
enum TG_S_VALIDATEOPTIONS : std::int32_t {
  TG_S_VO_PREVALIDATE = 0,  // the area's extent and each file's bounds
  TG_S_VO_NOVALIDATE = 1,
  TG_S_VO_AREAONLY = 2,
  TG_S_VO_SOURCEONLY = 3,
};

// What a query outside the area's extent gives.
enum TG_S_INVALIDHANDLINGOPTIONS : std::int32_t {
  TG_S_IHO_RETURNLOWELEVATION = 0,  // -32100
  TG_S_IHO_RAISEERROR = 1,          // 17004
};

enum TG_S_ERRORS : std::int32_t {
  TG_S_E_ERRBASE = 17000,
  TG_S_E_AREANOTREADY = 17001,
  TG_S_E_AREAALREADYINITIALIZED = 17002,
  TG_S_E_NOFILES = 17003,
  TG_S_E_POINTNOTINAREA = 17004,
  TG_S_E_NOTENOUGHDATA = 17005,
  TG_S_E_INVALIDSETTING = 17006,
  TG_S_E_BADSECTORLOCATION = 17007,
  TG_S_E_ALLFILESLOST = 17008,
};

// The largest number of sectors an area divides itself into.
inline constexpr Long kMaxAreaSectors = 32767;
// The range of maximumOpenFiles.
inline constexpr Integer kMaxAreaOpenFiles = 225;

class TessaglyphArea {
 public:
  // The clock gives seconds since local midnight; it is the "now" the least-recently-used rule
  // compares the files' last accesses with. The default is the system timer.
  using Clock = std::function<Single()>;

  // maximumOpenFiles comes from the settings file ("max open area files"), boundaryResolution
  // from the area's debug settings ("m_boundaryResolution" in section "TessaglyphArea").
  TessaglyphArea();
  explicit TessaglyphArea(Clock clock);
  ~TessaglyphArea();
  TessaglyphArea(const TessaglyphArea&) = delete;
  TessaglyphArea& operator=(const TessaglyphArea&) = delete;

  // ---- Members, in interface order --------------------------------------------------------

  const std::shared_ptr<MethodCounter>& methodProfiler() const noexcept { return m_profiler; }
  void setMethodProfiler(std::shared_ptr<MethodCounter> profiler) noexcept {
    m_profiler = std::move(profiler);
  }
  // How close (degrees) to a sector's north or west edge a query also tries the neighbour.
  Double boundaryResolution() const noexcept { return m_boundaryResolution; }
  void setBoundaryResolution(Double value) noexcept { m_boundaryResolution = value; }
  Boolean checkBoundaryPoints() const noexcept { return m_checkBoundaryPoints; }
  void setCheckBoundaryPoints(Boolean value) noexcept { m_checkBoundaryPoints = value; }
  // Told of every query, sector change, file opened and file closed while it is started.
  const std::shared_ptr<TessaglyphAreaRateLog>& rateLog() const noexcept { return m_rateLog; }
  void setRateLog(std::shared_ptr<TessaglyphAreaRateLog> log) noexcept {
    m_rateLog = std::move(log);
  }
  Integer maximumOpenFiles() const noexcept { return m_maximumOpenFiles; }
  // 17006 outside 1..225 (the old value stays); a lower limit closes files until it holds.
  void setMaximumOpenFiles(Integer value);
  // The open file accessed longest ago (a later file wins a tie); -1 when none qualifies.
  Integer mostIgnoredOpenFile() const;
  Integer numOpenFiles() const noexcept { return m_numOpenFiles; }
  Boolean fileOpen(Integer index) const;
  // Opens or closes a file of the area, making room first when the limit is reached. A file
  // whose medium the user declined is marked lost instead.
  void setFileOpen(Integer index, Boolean open);
  Long totalAccessCount() const;
  // Sets the datum positions are given in on every file.
  void setAreaDatum(const std::string& datum);
  // Leaves files without direct grid access out of the sectors built by initialize.
  Boolean disableMEXIncapableFiles() const noexcept { return m_disableMEXIncapableFiles; }
  void setDisableMEXIncapableFiles(Boolean value) noexcept { m_disableMEXIncapableFiles = value; }
  Integer numFiles() const noexcept { return Integer(m_files.size()); }
  // 9 "Subscript out of range" from "DLL User" outside 1..numFiles.
  std::shared_ptr<TessaglyphFile> files(Integer index) const;
  // The value at a position: the first file of the position's sector, in priority order, that
  // holds data there. Missing data travels as -32100; 17001
  // before initialize, 17004 outside the extent under TG_S_IHO_RAISEERROR, 17005 from
  // TG_S_MIO_RAISEERROR.
  Single point(Double latitude, Double longitude);
  TG_M_INTERPOLATIONMODES interpolationMode() const noexcept { return m_interpolationMode; }
  // Sets the mode of every file as well.
  void setInterpolationMode(TG_M_INTERPOLATIONMODES mode);
  TG_S_MACROINTERPOLATIONOPTIONS macroInterpolationOption() const noexcept {
    return m_macroInterpolationOption;
  }
  void setMacroInterpolationOption(TG_S_MACROINTERPOLATIONOPTIONS value) noexcept {
    m_macroInterpolationOption = value;
  }
  // Whether every file's script declares the mode (NONE always).
  Boolean allFilesCanInterpolate(TG_M_INTERPOLATIONMODES mode) const;
  // The files whose scripts do not declare the mode (lower bound 1).
  Array<std::shared_ptr<TessaglyphFile>> interpolationIncapableFiles(
      TG_M_INTERPOLATIONMODES mode) const;
  TG_S_AREAINTERACTIONOPTIONS interactionOption() const noexcept { return m_interactionOption; }
  void setInteractionOption(TG_S_AREAINTERACTIONOPTIONS value) noexcept {
    m_interactionOption = value;
  }
  TG_S_VALIDATEOPTIONS pointValidateOption() const noexcept { return m_pointValidateOption; }
  void setPointValidateOption(TG_S_VALIDATEOPTIONS value) noexcept {
    m_pointValidateOption = value;
  }
  TG_S_INVALIDHANDLINGOPTIONS invalidPointHandlingOption() const noexcept {
    return m_invalidPointHandlingOption;
  }
  void setInvalidPointHandlingOption(TG_S_INVALIDHANDLINGOPTIONS value) noexcept {
    m_invalidPointHandlingOption = value;
  }
  Integer numAreaLogMessages() const noexcept { return Integer(m_areaLog.size()); }
  // Reported like files() outside 1..numAreaLogMessages.
  std::string areaLogMessages(Integer index) const;
  Integer numSectorsX() const noexcept { return m_numSectorsX; }
  Integer numSectorsY() const noexcept { return m_numSectorsY; }
  Integer numSectors() const noexcept { return Integer(m_numSectorsX * m_numSectorsY); }
  Double sectorXRes() const noexcept { return m_sectorXRes; }
  Double sectorYRes() const noexcept { return m_sectorYRes; }
  // 17007 "Bad sector location" for a location outside the sector grid.
  TG_BOUNDS sectorBoundaries(Integer x, Integer y) const;
  Integer sectorFileCount(Integer x, Integer y) const;
  std::shared_ptr<TessaglyphFile> sectorFile(Integer x, Integer y, Integer index) const;
  Double areaMinX() const noexcept { return m_areaMinX; }
  Double areaMaxX() const noexcept { return m_areaMaxX; }
  Double areaMinY() const noexcept { return m_areaMinY; }
  Double areaMaxY() const noexcept { return m_areaMaxY; }
  // The sector column of a longitude and row of a latitude (outside the grid for a position
  // outside the extent).
  Integer getSectorX(Double longitude) const noexcept;
  Integer getSectorY(Double latitude) const noexcept;
  void setDatalock(TG_M_DATALOCK value);
  // Closes every open file; the area stays initialized.
  void closeArea();
  // Appends "[" time "] " message to the area log.
  void logMessage(const std::string& message);
  // The area's lines and every file's lines as one text.
  std::string createAreaLog() const;
  void clearAreaLog() noexcept { m_areaLog.clear(); }
  void clearAllLogs() noexcept;
  // rElv(i) = point(dLAT(i), dLON(i)) for every index; rElv takes the bounds of dLAT. bErr is
  // set when the two position arrays differ in their bounds (nothing is read) or when a query
  // raised an error (that sample holds -52000 and the others are still read).
  void Get_Path(const Array<Double>& dLAT, const Array<Double>& dLON, Array<Single>& rElv,
                Boolean& bErr);

  // ---- For area preparation -----------------------------------------------------------

  // Adds a file after those already there: it becomes an area file that shares the area's
  // declined-media list and writes its log lines into the area. The file must hold its machine
  // and name and know its metrics, so it is given open (it counts as open, and beyond
  // maximumOpenFiles the least recently used file is closed) or was opened once before.
  // 17002 once the area is initialized.
  void addFile(std::shared_ptr<TessaglyphFile> file);
  // Computes the extent and the sectors and lists the files of each. 17002 a second time,
  // 17003 without files, 17008 when every file is lost.
  void initialize();
  Boolean initialized() const noexcept { return m_initialized; }
  // The media identifiers the user declined to insert, shared by every file of the area.
  const std::shared_ptr<TessaglyphFile::DeclinedMedia>& declinedMedia() const noexcept {
    return m_declined;
  }

 private:
  struct Sector {
    std::vector<Integer> files;  // 0-based positions in m_files, in file-list order
    Double west = 0, east = 0, south = 0, north = 0;
  };
  struct AreaFile {
    std::shared_ptr<TessaglyphFile> file;
    std::shared_ptr<std::vector<std::string>> log;
    Boolean open = false;
  };

  // The area's error reporting by interactionOption: raised (an empty source becomes
  // "Tessaglyph DLL"), logged, or ignored; the caller goes on with its failure value.
  void reportError(std::int32_t number, const std::string& source, const std::string& description);
  void reportError(const Error& error);
  // The file at a 1-based position, or nullptr after reporting 9 from "DLL User".
  AreaFile* fileAt(Integer index);
  const AreaFile* fileAt(Integer index) const;
  MethodCounter* profiler() const noexcept { return m_profiler.get(); }
  const Sector* sectorAt(Integer x, Integer y, const char* source) const;
  void openFile(std::size_t position);
  void closeFile(std::size_t position);
  // True when the file's open state could be set (a file that fails to open is passed over).
  bool ensureOpen(std::size_t position);
  void initializeExtent();
  void limitSectors();
  void buildSectors();
  // Reads the files of one sector; true once one gave the answer.
  bool readSector(Integer column, Integer row, Double latitude, Double longitude,
                  bool checkSourceBounds, Single& answer);
  bool readFile(std::size_t position, Double latitude, Double longitude, bool checkSourceBounds,
                Single& answer);
  Single macroInterpolate(std::size_t position, Double latitude, Double longitude);
  Single mergeFileData(std::size_t position, Double latitude, Double longitude);
  void countPoint(Single value);
  void logRateEvent(std::int32_t type, Long data);

  Clock m_clock;
  std::vector<AreaFile> m_files;
  Integer m_numOpenFiles = 0;
  Double m_areaMinX = 0, m_areaMaxX = 0, m_areaMinY = 0, m_areaMaxY = 0;
  Double m_sectorXRes = 0, m_sectorYRes = 0;
  Integer m_numSectorsX = 0, m_numSectorsY = 0;
  std::vector<Sector> m_sectors;
  Long m_currentSector = -1;

  Integer m_maximumOpenFiles = kMaxAreaOpenFiles;
  Double m_boundaryResolution = 0;
  Boolean m_checkBoundaryPoints = true;
  Boolean m_disableMEXIncapableFiles = false;
  TG_M_INTERPOLATIONMODES m_interpolationMode = TG_M_IM_NONE;
  TG_S_MACROINTERPOLATIONOPTIONS m_macroInterpolationOption = TG_S_MIO_DEFAULTTOCLOSESTPOINT;
  TG_S_AREAINTERACTIONOPTIONS m_interactionOption = TG_S_AIO_NORMAL;
  TG_S_VALIDATEOPTIONS m_pointValidateOption = TG_S_VO_PREVALIDATE;
  TG_S_INVALIDHANDLINGOPTIONS m_invalidPointHandlingOption = TG_S_IHO_RETURNLOWELEVATION;
  Boolean m_initialized = false;

  std::shared_ptr<TessaglyphFile::DeclinedMedia> m_declined;
  std::vector<std::string> m_areaLog;
  std::shared_ptr<TessaglyphAreaRateLog> m_rateLog;
  std::shared_ptr<MethodCounter> m_profiler;
};

}  // namespace tg
