// The index of source files and scripts: which data files exist on the user's disks (with their
// coverage, resolution and datum) and which compiled scripts are installed (with the pattern of
// the file names each reads). Every TessaglyphIndex object works on the one index of the
// process: starting or stopping it through one object affects all.
//
// Record numbers of the source and the script table are 0-based positions in the order the rows
// were added; they change when rows are added or deleted. "Not found" is -1.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "tessaglyph/source_file.hpp"
#include "tessaglyph/types.hpp"

namespace tg {

class TessaglyphArea;
class TessaglyphSPR;

enum TG_I_ERRORS : std::int32_t {
  TG_I_E_ERRBASE = 32000,
  TG_I_E_INDEXSYSTEMNOTINITIALIZED = 32001,
  TG_I_E_SCRIPTNOTFOUND = 32002,
  TG_I_E_PREPAREAREACANCELED = 32003,
};

enum TG_I_USESETTINGS : std::int32_t {
  TG_I_US_INCLUDE = 0,
  TG_I_US_IGNORE = 1,
};

enum TG_I_USEVALIDSETTINGS : std::int32_t {
  TG_I_UVS_YES = 0,
  TG_I_UVS_NO = 1,
  TG_I_UVS_YESIFDEFINED = 2,
};

// One indexed source file. `sRMDesc` holds the identifier of the removable disk's description,
// not the description itself.
struct TG_I_INDEXRECORD {
  std::string sourcePath;  // folder, ending with a separator
  std::string sourceFile;  // name without folder
  std::string scriptFile;
  std::string priorityName;
  TG_FILEMETRICS metrics;
  TG_I_USESETTINGS useSettings = TG_I_US_INCLUDE;
  Boolean onRemovableMedia = false;
  std::string sRMDesc;
};

// One registered script.
struct TG_I_SCRIPTINDEXRECORD {
  std::string scriptFile;
  std::string scriptName;
  std::string sourceFileFilter;
  std::string priorityName;
  Boolean useValid = false;  // the script's VALID routine must accept a file first
};

// A script that may read a file: `strongMatch` when its VALID routine accepted the file.
struct TG_I_SCRIPTCANDIDATE {
  Boolean strongMatch = false;
  std::string scriptName;
  std::string scriptFilename;
  std::string scriptPriority;
};

struct TG_I_CIRCULARBOUNDS {
  Double centerLatitude = 0;
  Double centerLongitude = 0;
  Double radiusMeters = 0;
};

// What indexSourceFile reports through iFound.
enum : Long {
  TG_I_FOUND_NEW = 0,           // newly indexed
  TG_I_FOUND_ALREADY = -1,      // already indexed: nothing changed
  TG_I_FOUND_NOTINDEXED = -88,  // the file's metrics are unusable: nothing written
};

class TessaglyphIndex {
 public:
  // ---- Life cycle -------------------------------------------------------------------------
  Boolean initialized() const;
  // Opens the three tables. Each empty table path comes from the settings file, then from the
  // default name; a path names a folder (which holds the database file tessaglyph-index.db)
  // and a table (the name without folder and extension, in upper case). A second call while
  // the index is open does nothing. The system path is only reported in diagnostics.
  void initIndexSystem(const std::string& systemPath = {}, const std::string& sourceDBFile = {},
                       const std::string& scriptDBFile = {});
  // Closes the tables. The set of known source files is kept: it lives for the process.
  void stopIndexSystem();

  // Every member below raises 32001 while the index is not open, except the two sorts and the
  // two file-name properties.

  // ---- Scripts for a file -----------------------------------------------------------------
  // The scripts whose filter matches the file's name, in table order. A script that asks for
  // validation is offered only when its VALID routine accepts the file (then as a strong match);
  // any error while trying it rejects it. `useFilters` has no effect.
  Array<TG_I_SCRIPTCANDIDATE> findScriptFile(const std::string& sourceFile,
                                             std::optional<Boolean> useFilters = std::nullopt);
  // Quicksorts (not stable) of the candidates between two indices (-1: the first, the last):
  // strong matches first, respectively by the numeric value of the script priority.
  static void sortScriptCandidatesByMatch(Array<TG_I_SCRIPTCANDIDATE>& candidates,
                                          Long startIndex = -1, Long endIndex = -1);
  static void sortScriptCandidatesByPriority(Array<TG_I_SCRIPTCANDIDATE>& candidates,
                                             Long startIndex = -1, Long endIndex = -1);

  // ---- Source files -----------------------------------------------------------------------
  // Indexes a file with a registered script (32002 when there is none of that name). With
  // `bRemovable` the file lies on a removable disk; `sRMDesc` "GetRMDesc" asks the user for the
  // disk's description and replaces the request with the new description's identifier (empty
  // when the user gave none), so that the next file of the disk is not asked again; any other
  // text is taken as an identifier. `iFound` receives TG_I_FOUND_NEW, TG_I_FOUND_ALREADY or
  // TG_I_FOUND_NOTINDEXED. A file is looked up in the process's set of known source files (every
  // row of each table opened, every file tried before, whether or not it could be indexed, and
  // kept when a row is deleted), not in the table: a known file reports TG_I_FOUND_ALREADY.
  void indexSourceFile(const std::string& sourceFile, const std::string& scriptName,
                       const std::string& sCategory = {}, Boolean bRemovable = false,
                       std::string* sRMDesc = nullptr, Long* iFound = nullptr);
  void indexSourceFileEx(const std::string& sourceFile, const std::string& scriptName,
                         const std::string& category = {});
  // Checks that the index is open; a row holds nothing that could be brought up to date.
  void updateSource(Long recordNum);
  void setPriorityName(Long recordNum, const std::string& priorityName);
  void setUseSettings(Long recordNum, TG_I_USESETTINGS useSettings);
  void deleteIndexedFile(Long recordNum);
  Long numIndexRecords();
  TG_I_INDEXRECORD getIndexRecord(Long recordNum);
  // The full paths of the files read by a script: element 0 empty, the files from 1.
  Array<std::string> getAssociatedFilesList(const std::string& scriptFile);

  // ---- Scripts ----------------------------------------------------------------------------
  // Registers a script unless one of that name exists. An empty filter becomes the program's
  // "filetypefilter" property, or "*.*".
  void indexScriptFileEx(const std::string& filename, const std::string& scriptName,
                         const std::string& category = {}, const std::string& sourceFilter = {},
                         Long useValid = 0);
  void indexScriptFile(const std::string& filename, const std::string& scriptName,
                       const std::string& sourceFilter = {}, Long useValid = 0);
  // Deletes a script unless files still use it (then nothing happens), or regardless with
  // `ignoreInUse`.
  void deleteIndexedScript(Long recordNum, Boolean ignoreInUse = false);
  Long numScriptIndexRecords();
  TG_I_SCRIPTINDEXRECORD getScriptIndexRecord(Long recordNum);
  void setScriptPriorityName(Long recordNum, const std::string& priorityName);

  // ---- Look-ups ---------------------------------------------------------------------------
  // Record numbers of a source file (its full path, without regard to case) and of a script
  // (its name); -1 when none.
  Long findSource(const std::string& path);
  Long findScript(const std::string& name);
  std::string getSourceScriptFile(const std::string& sourceFile);
  std::string getSourceFilePath(const std::string& sourceFile);
  std::string getSourceFileRMDesc(const std::string& sourceFile);
  std::string getScriptFileName(const std::string& scriptName);
  // Always empty.
  Array<std::string> getPriorityNames();
  // The distinct priority names in order of first appearance; one empty element when none.
  Array<std::string> getScriptPriorityNames();
  Array<std::string> getSourcePriorityNames();

  // ---- Finding and importing files --------------------------------------------------------
  // The files below `root` that some script's filter matches and that are not in the process's
  // set of known source files (see indexSourceFile):
  // element 0 empty, the files from 1; their number is added to `lFound`.
  Array<std::string> directoryScan(const std::string& root, Long& lFound);
  // Indexes the data folders the host program's settings file configures (`INIFile` when
  // `iniFilename` is empty), registering the default scripts first. `iIndexDisabled` -88 asks
  // the user whether disabled folders are to be indexed.
  void importFromHarrowfeldIniFile(const std::string& iniFilename = {},
                                   Integer* iIndexDisabled = nullptr, Long* iFound = nullptr);

  // ---- Pertinent files and areas ---------------------------------------------------------
  // The searches give records with lower bound 0; an empty result is one record whose texts
  // are all empty. Only files marked TG_I_US_INCLUDE are found; a file that is not on removable
  // media and no longer exists is left out and reported ("Possible Missing Files"). Each
  // record's bounds are moved to `datum` before they are compared; the records keep the metrics
  // the index holds. Message boxes are not shown while the process-wide silent flag is set
  // (the preparation members and setupArea set it); their texts always go to the diagnostic log.

  // The files whose bounds overlap the rectangle (boundsOverlap), of the data types selected in
  // its scriptCollection (created empty when missing). A data type the collection does not know
  // is asked about once ("Use Data Type?", not asked while silent: then it is used), and the
  // answer is stored under its name.
  Array<TG_I_INDEXRECORD> getPertinentFilesList(TG_BOUNDS& area);
  Array<TG_I_INDEXRECORD> getPertinentFilesListEx(TG_BOUNDS& area, const std::string& datum);
  // The files with at least one corner within the radius of the centre (in the UTM zone of the
  // centre): a circle lying inside a file without reaching a corner finds nothing.
  Array<TG_I_INDEXRECORD> getPertinentFilesListCircular(const TG_I_CIRCULARBOUNDS& area);
  Array<TG_I_INDEXRECORD> getPertinentFilesListCircularEx(const TG_I_CIRCULARBOUNDS& area,
                                                          const std::string& datum);
  // The files holding the position, edges included.
  Array<TG_I_INDEXRECORD> getPertinentFilesListByPoint(Double lat, Double lon);
  Array<TG_I_INDEXRECORD> getPertinentFilesListByPointEx(Double lat, Double lon,
                                                         const std::string& datum);
  // An initialized area of the files in list order (the first wins where files overlap), its
  // positions given in `datum`. The first maximumOpenFiles files stay open; the others are
  // opened once, to learn their metrics, and closed. A progress window shows once preparation
  // has taken 2 seconds with no more than half the files done; cancelling it raises 32003.
  // An empty list raises 12009 unless `iSilent` is non-zero (then no area).
  std::shared_ptr<TessaglyphArea> setupArea(const Array<TG_I_INDEXRECORD>& filesList,
                                            const std::string& datum = "NAD83",
                                            Integer iSilent = 0);
  // The pertinent files of the rectangle ordered by the rules, as an area. With no file: no
  // area, and unless `iSilent` is non-zero 12009 is reported through the error report.
  std::shared_ptr<TessaglyphArea> prepareArea(TG_BOUNDS& area, TessaglyphSPR& spr);
  std::shared_ptr<TessaglyphArea> prepareAreaEx(TG_BOUNDS& area, TessaglyphSPR& spr,
                                                const std::string& datum, Integer iSilent = 0);
  // The same for a circle; no file raises 12009.
  std::shared_ptr<TessaglyphArea> prepareAreaCircular(const TG_I_CIRCULARBOUNDS& area,
                                                      TessaglyphSPR& spr);
  std::shared_ptr<TessaglyphArea> prepareAreaCircularEx(const TG_I_CIRCULARBOUNDS& area,
                                                        TessaglyphSPR& spr,
                                                        const std::string& datum);
  // False when one rectangle lies wholly east, west, north or south of the other: rectangles
  // touching along a meridian overlap, along a parallel they do not.
  static Boolean boundsOverlap(const TG_BOUNDS& bounds1, const TG_BOUNDS& bounds2);

  // ---- Files of the host ------------------------------------------------------------------
  // The host program's settings file; while unset, its default in the base directory.
  std::string INIFile() const;
  void setINIFile(const std::string& value);
  // The defaults file of the table library; while unset, "HFDEFAULTS.INI" in the base directory.
  std::string DFTFile() const;
  void setDFTFile(const std::string& value);
};

}  // namespace tg
