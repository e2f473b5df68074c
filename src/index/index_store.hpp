// Where the index keeps its three tables. Every statement the index runs against its database
// lives behind this interface, so that another engine (a server database shared by a team) can
// take the place of the local one without touching the index's own rules.
//
// Columns, types and widths of the tables (the one place they are written down):
//   source table   SOURCEPATH text (folder with its trailing separator), SOURCEFILE text,
//                  SCRIPTFILE text, SCRIPTNAME text, PRIORITY text, DATUM text (lower case),
//                  WLON, ELON, SLAT, NLAT real (degrees), XRES, YRES real (metres),
//                  REMMEDIA integer (0 or -1), USESET integer, RMDescID text (7 characters),
//                  SOURCEKEY text, unique: the upper-case full path
//   script table   SCRIPTFILE text, SCRIPTNAME text, FILTER text, PRIORITY text,
//                  USEVALID integer, SCRIPTKEY text, unique: the upper-case trimmed name
//   descriptions   RM_ID text (7 digits), RM_Desc text (at most kDescriptionWidth characters)
// Texts have no width limit except RM_ID and RM_Desc. A Null text reads as " " and a Null
// number as 0.
//
// Record numbers are 0-based positions in the order rows were added; reaching one, counting
// the rows and finding a source file by its key cost no table scan.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tessaglyph/types.hpp"

namespace tg {

inline constexpr std::size_t kDescriptionWidth = 100;

struct SourceRow {
  std::string sourcePath;
  std::string sourceFile;
  std::string scriptFile;
  std::string scriptName;
  std::string priority;
  std::string datum;
  Double westLon = 0, eastLon = 0, southLat = 0, northLat = 0;
  Double xRes = 0, yRes = 0;
  Boolean removable = false;
  Long useSettings = 0;
  std::string rmDescID;
};

struct ScriptRow {
  std::string scriptFile;
  std::string scriptName;
  std::string filter;
  std::string priority;
  Long useValid = 0;
};

// The key of a source file: its folder and name joined, in upper case.
std::string sourceKeyOf(std::string_view path, std::string_view file);
// The key of a script: its name trimmed, in upper case.
std::string scriptKeyOf(std::string_view name);

class IndexStore {
 public:
  virtual ~IndexStore() = default;

  // Source table. A record number outside 0..count-1 raises 9.
  virtual Long sourceCount() = 0;
  virtual SourceRow source(Long recordNum) = 0;
  // The record number of the file with this key, -1 when none.
  virtual Long findSourceKey(const std::string& key) = 0;
  // The key of every row, in no particular order.
  virtual void forEachSourceKey(const std::function<void(const std::string&)>& visit) = 0;
  // Adds the row in one transaction; false (nothing written) when its key is already there.
  virtual bool addSource(const SourceRow& row) = 0;
  virtual void setSourcePriority(Long recordNum, const std::string& priority) = 0;
  virtual void setSourceUseSettings(Long recordNum, Long useSettings) = 0;
  virtual void deleteSource(Long recordNum) = 0;
  // Every row in record order.
  virtual void forEachSource(const std::function<void(const SourceRow&)>& visit) = 0;
  // The first row whose SOURCEFILE equals `file` (exactly, or without regard to case).
  virtual std::optional<SourceRow> sourceByFileName(const std::string& file, bool ignoreCase) = 0;
  // The first row with exactly this SOURCEPATH and SOURCEFILE.
  virtual std::optional<SourceRow> sourceByPathAndFile(const std::string& path,
                                                       const std::string& file) = 0;
  // The full paths of the rows whose SCRIPTFILE equals `scriptFile`, in record order.
  virtual std::vector<std::string> sourcesOfScriptFile(const std::string& scriptFile) = 0;
  // The record numbers, ascending, of the rows whose bounds meet the rectangle (edges count).
  virtual std::vector<Long> sourcesMeeting(Double northLat, Double westLon, Double southLat,
                                           Double eastLon) = 0;

  // Script table.
  virtual Long scriptCount() = 0;
  virtual ScriptRow script(Long recordNum) = 0;
  virtual Long findScriptKey(const std::string& key) = 0;
  virtual bool addScript(const ScriptRow& row) = 0;
  virtual void setScriptPriority(Long recordNum, const std::string& priority) = 0;
  virtual void deleteScript(Long recordNum) = 0;
  virtual void forEachScript(const std::function<void(const ScriptRow&)>& visit) = 0;
  // The first row whose SCRIPTFILE, trimmed, equals `file` without regard to case.
  virtual std::optional<ScriptRow> scriptByFile(const std::string& file) = 0;

  // Removable-disk descriptions. A new row takes the first free identifier after the row count
  // ("0000001", ...); the description is cut to kDescriptionWidth.
  virtual std::string addDescription(const std::string& description) = 0;
  virtual std::optional<std::string> description(const std::string& id) = 0;
};

// Paths of the three tables: the folder of each names its database (created when missing), the
// name without folder and extension, upper case, its table.
struct IndexTablePaths {
  std::string source;
  std::string script;
  std::string descriptions;  // empty: no description table
};

// Told of each row of the source table as the store first learns the table's keys: its 0-based
// number, the number of rows and the row's file name.
using SourceLoadProgress = std::function<void(Long row, Long count, const std::string& file)>;

// The index on SQLite: one database file "tessaglyph-index.db" per folder, in WAL mode with a
// busy timeout, so that a killed process leaves it whole and two processes may write at once.
std::unique_ptr<IndexStore> openSqliteIndexStore(const IndexTablePaths& paths,
                                                 const SourceLoadProgress& progress = {});

}  // namespace tg
