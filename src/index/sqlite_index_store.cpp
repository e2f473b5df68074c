// The index's tables in SQLite. Each folder holds one database file; a table is the table of
// its base name in it. Record numbers map onto rowids through a sorted list per table kept in
// step with the table: our own writes update it, and a commit by another connection (seen as a
// new data_version) reloads it.
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <type_traits>
#include <unordered_map>

#include "index/index_store.hpp"
#include "support/paths.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"

namespace tg {

std::string sourceKeyOf(std::string_view path, std::string_view file) {
  return toUpper(std::string(path) + std::string(file));
}

std::string scriptKeyOf(std::string_view name) {
  return toUpper(trimBlanks(name));
}

namespace {

constexpr const char* kDatabaseName = "tessaglyph-index.db";
constexpr int kBusyTimeoutMs = 30000;

[[noreturn]] void raiseEngineError(sqlite3* db, const std::string& what) {
  throw Error(PLATFORM_E_PATHFILEACCESSERROR, "TessaglyphIndex",
              what + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

std::string quoted(std::string_view name) {
  std::string result = "\"";
  for (char c : name) {
    if (c == '"') result += '"';
    result += c;
  }
  return result + "\"";
}

// A prepared statement, reset and unbound for each use.
class Statement {
 public:
  Statement(sqlite3* db, const std::string& sql) : m_db(db) {
    if (sqlite3_prepare_v3(db, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &m_stmt, nullptr) !=
        SQLITE_OK) {
      raiseEngineError(db, "preparing " + sql);
    }
  }
  ~Statement() { sqlite3_finalize(m_stmt); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& start() {
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    m_next = 1;
    return *this;
  }
  Statement& bind(std::string_view text) {
    sqlite3_bind_text(m_stmt, m_next++, text.data(), int(text.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Statement& bind(double value) {
    sqlite3_bind_double(m_stmt, m_next++, value);
    return *this;
  }
  Statement& bind(std::int64_t value) {
    sqlite3_bind_int64(m_stmt, m_next++, value);
    return *this;
  }
  // True while a row is there.
  bool step() {
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    const std::string message = sqlite3_errmsg(m_db);
    sqlite3_reset(m_stmt);
    throw Error(PLATFORM_E_PATHFILEACCESSERROR, "TessaglyphIndex", message);
  }
  std::string text(int column) const {
    if (sqlite3_column_type(m_stmt, column) == SQLITE_NULL) return " ";
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    return std::string(p, std::size_t(sqlite3_column_bytes(m_stmt, column)));
  }
  double real(int column) const { return sqlite3_column_double(m_stmt, column); }
  std::int64_t integer(int column) const { return sqlite3_column_int64(m_stmt, column); }

 private:
  sqlite3* m_db;
  sqlite3_stmt* m_stmt = nullptr;
  int m_next = 1;
};

// One database file, shared by the tables of its folder.
class Database {
 public:
  explicit Database(const std::string& folder) {
    ensureFolder(folder);
    const std::string path = joinPath(resolvePath(folder), kDatabaseName);
    if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
      const std::string message = m_db ? sqlite3_errmsg(m_db) : "out of memory";
      sqlite3_close(m_db);
      throw Error(PLATFORM_E_PATHFILEACCESSERROR, "TessaglyphIndex",
                  "opening " + path + ": " + message);
    }
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    // WAL keeps the database whole when a writer dies and lets readers go on while one writes.
    execute("PRAGMA journal_mode=WAL");
    execute("PRAGMA synchronous=NORMAL");
    m_dataVersion = std::make_unique<Statement>(m_db, "PRAGMA data_version");
    m_lastVersion = currentVersion();
  }
  ~Database() {
    m_dataVersion.reset();
    sqlite3_close_v2(m_db);
  }
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  sqlite3* handle() const { return m_db; }

  void execute(const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
      std::string text = message ? message : sqlite3_errmsg(m_db);
      sqlite3_free(message);
      throw Error(PLATFORM_E_PATHFILEACCESSERROR, "TessaglyphIndex", text);
    }
  }

  // True when another connection committed since the last call.
  bool changedElsewhere() {
    const std::int64_t version = currentVersion();
    if (version == m_lastVersion) return false;
    m_lastVersion = version;
    return true;
  }

  // Runs `work` as one write transaction, taking the write lock first so that the work sees
  // the latest rows.
  template <typename Work>
  auto write(Work&& work) {
    execute("BEGIN IMMEDIATE");
    try {
      if constexpr (std::is_void_v<decltype(work())>) {
        work();
        execute("COMMIT");
      } else {
        auto result = work();
        execute("COMMIT");
        return result;
      }
    } catch (...) {
      sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
      throw;
    }
  }

 private:
  std::int64_t currentVersion() {
    m_dataVersion->start();
    m_dataVersion->step();
    const std::int64_t version = m_dataVersion->integer(0);
    m_dataVersion->start();
    return version;
  }

  sqlite3* m_db = nullptr;
  std::unique_ptr<Statement> m_dataVersion;
  std::int64_t m_lastVersion = 0;
};

// The rowids of a table in ascending order, and for keyed tables each key's rowid.
struct RecordSet {
  std::vector<std::int64_t> rowids;
  std::unordered_map<std::string, std::int64_t> keys;

  Long position(std::int64_t rowid) const {
    const auto it = std::lower_bound(rowids.begin(), rowids.end(), rowid);
    return it != rowids.end() && *it == rowid ? Long(it - rowids.begin()) : -1;
  }
  void insert(std::int64_t rowid, const std::string& key) {
    rowids.insert(std::upper_bound(rowids.begin(), rowids.end(), rowid), rowid);
    if (!key.empty()) keys[key] = rowid;
  }
};

constexpr const char* kSourceColumns =
    "SOURCEPATH, SOURCEFILE, SCRIPTFILE, SCRIPTNAME, PRIORITY, DATUM, WLON, ELON, SLAT, NLAT, "
    "XRES, YRES, REMMEDIA, USESET, RMDescID";
constexpr const char* kScriptColumns = "SCRIPTFILE, SCRIPTNAME, FILTER, PRIORITY, USEVALID";

SourceRow readSourceRow(const Statement& s, int first = 0) {
  SourceRow row;
  row.sourcePath = s.text(first + 0);
  row.sourceFile = s.text(first + 1);
  row.scriptFile = s.text(first + 2);
  row.scriptName = s.text(first + 3);
  row.priority = s.text(first + 4);
  row.datum = s.text(first + 5);
  row.westLon = s.real(first + 6);
  row.eastLon = s.real(first + 7);
  row.southLat = s.real(first + 8);
  row.northLat = s.real(first + 9);
  row.xRes = s.real(first + 10);
  row.yRes = s.real(first + 11);
  row.removable = s.integer(first + 12) != 0;
  row.useSettings = Long(s.integer(first + 13));
  row.rmDescID = s.text(first + 14);
  return row;
}

ScriptRow readScriptRow(const Statement& s) {
  ScriptRow row;
  row.scriptFile = s.text(0);
  row.scriptName = s.text(1);
  row.filter = s.text(2);
  row.priority = s.text(3);
  row.useValid = Long(s.integer(4));
  return row;
}

// A table path split into its folder and its table name.
struct TableName {
  std::string folder;
  std::string table;
};

TableName splitTablePath(const std::string& path) {
  return {std::string(folderOf(path)), toUpper(trimBlanks(fileTitleOf(path)))};
}

class SqliteIndexStore final : public IndexStore {
 public:
  SqliteIndexStore(const IndexTablePaths& paths, const SourceLoadProgress& progress) {
    const TableName source = splitTablePath(paths.source);
    const TableName script = splitTablePath(paths.script);
    m_source = database(source.folder);
    m_script = database(script.folder);
    m_sourceTable = quoted(source.table);
    m_boundsTable = quoted(source.table + "_BOUNDS");
    m_scriptTable = quoted(script.table);
    createSourceTable();
    createScriptTable();
    if (!trimBlanks(paths.descriptions).empty()) {
      const TableName descriptions = splitTablePath(paths.descriptions);
      m_descriptions = database(descriptions.folder);
      m_descriptionTable = quoted(descriptions.table);
      m_descriptions->execute("CREATE TABLE IF NOT EXISTS " + m_descriptionTable +
                              " (RM_ID TEXT, RM_Desc TEXT)");
    }
    prepareStatements();
    reloadSources(progress);
    reloadScripts();
  }

  // ---- Sources ----------------------------------------------------------------------------

  Long sourceCount() override {
    syncSources();
    return Long(m_sources.rowids.size());
  }

  SourceRow source(Long recordNum) override {
    const std::int64_t rowid = sourceRowid(recordNum);
    Statement& s = m_sourceByRowid->start().bind(rowid);
    if (!s.step()) raiseSubscriptOutOfRange();
    SourceRow row = readSourceRow(s);
    s.start();
    return row;
  }

  Long findSourceKey(const std::string& key) override {
    syncSources();
    const auto it = m_sources.keys.find(key);
    return it == m_sources.keys.end() ? -1 : m_sources.position(it->second);
  }

  void forEachSourceKey(const std::function<void(const std::string&)>& visit) override {
    syncSources();
    for (const auto& entry : m_sources.keys)
      visit(entry.first);
  }

  bool addSource(const SourceRow& row) override {
    syncSources();
    const std::string key = sourceKeyOf(row.sourcePath, row.sourceFile);
    const std::int64_t rowid = m_source->write([&]() -> std::int64_t {
      Statement& s = m_insertSource->start();
      s.bind(row.sourcePath).bind(row.sourceFile).bind(row.scriptFile).bind(row.scriptName);
      s.bind(row.priority).bind(row.datum).bind(row.westLon).bind(row.eastLon);
      s.bind(row.southLat).bind(row.northLat).bind(row.xRes).bind(row.yRes);
      s.bind(std::int64_t(row.removable ? -1 : 0)).bind(std::int64_t(row.useSettings));
      s.bind(row.rmDescID).bind(key);
      s.step();
      s.start();
      if (sqlite3_changes(m_source->handle()) == 0) return 0;
      return sqlite3_last_insert_rowid(m_source->handle());
    });
    if (rowid == 0) {
      reloadSources();  // another process indexed it meanwhile
      return false;
    }
    if (m_source->changedElsewhere()) {
      reloadSources();
    } else {
      m_sources.insert(rowid, key);
    }
    return true;
  }

  void setSourcePriority(Long recordNum, const std::string& priority) override {
    const std::int64_t rowid = sourceRowid(recordNum);
    m_source->write([&] { m_setSourcePriority->start().bind(priority).bind(rowid).step(); });
  }

  void setSourceUseSettings(Long recordNum, Long useSettings) override {
    const std::int64_t rowid = sourceRowid(recordNum);
    m_source->write([&] {
      m_setSourceUseSettings->start().bind(std::int64_t(useSettings)).bind(rowid).step();
    });
  }

  void deleteSource(Long recordNum) override {
    const std::int64_t rowid = sourceRowid(recordNum);
    m_source->write([&] { m_deleteSource->start().bind(rowid).step(); });
    m_sources.rowids.erase(m_sources.rowids.begin() + recordNum);
    std::erase_if(m_sources.keys, [rowid](const auto& entry) { return entry.second == rowid; });
  }

  void forEachSource(const std::function<void(const SourceRow&)>& visit) override {
    Statement s(m_source->handle(), std::string("SELECT ") + kSourceColumns + " FROM " +
                                        m_sourceTable + " ORDER BY rowid");
    while (s.step())
      visit(readSourceRow(s));
  }

  std::optional<SourceRow> sourceByFileName(const std::string& file, bool ignoreCase) override {
    Statement& s = ignoreCase ? *m_sourceByFileNoCase : *m_sourceByFile;
    return firstSource(s.start().bind(ignoreCase ? toUpper(file) : file));
  }

  std::optional<SourceRow> sourceByPathAndFile(const std::string& path,
                                               const std::string& file) override {
    return firstSource(m_sourceByPathAndFile->start().bind(path).bind(file));
  }

  std::vector<std::string> sourcesOfScriptFile(const std::string& scriptFile) override {
    std::vector<std::string> paths;
    Statement& s = m_sourcesOfScript->start().bind(scriptFile);
    while (s.step())
      paths.push_back(s.text(0) + s.text(1));
    s.start();
    return paths;
  }

  std::vector<Long> sourcesMeeting(Double northLat, Double westLon, Double southLat,
                                   Double eastLon) override {
    syncSources();
    std::vector<Long> found;
    Statement& s = m_sourcesMeeting->start();
    s.bind(eastLon).bind(westLon).bind(northLat).bind(southLat);
    s.bind(eastLon).bind(westLon).bind(northLat).bind(southLat);
    while (s.step()) {
      const Long position = m_sources.position(s.integer(0));
      if (position >= 0) found.push_back(position);
    }
    s.start();
    std::sort(found.begin(), found.end());
    return found;
  }

  // ---- Scripts ----------------------------------------------------------------------------

  Long scriptCount() override {
    syncScripts();
    return Long(m_scripts.rowids.size());
  }

  ScriptRow script(Long recordNum) override {
    const std::int64_t rowid = scriptRowid(recordNum);
    Statement& s = m_scriptByRowid->start().bind(rowid);
    if (!s.step()) raiseSubscriptOutOfRange();
    ScriptRow row = readScriptRow(s);
    s.start();
    return row;
  }

  Long findScriptKey(const std::string& key) override {
    syncScripts();
    const auto it = m_scripts.keys.find(key);
    return it == m_scripts.keys.end() ? -1 : m_scripts.position(it->second);
  }

  bool addScript(const ScriptRow& row) override {
    syncScripts();
    const std::string key = scriptKeyOf(row.scriptName);
    const std::int64_t rowid = m_script->write([&]() -> std::int64_t {
      Statement& s = m_insertScript->start();
      s.bind(row.scriptFile).bind(row.scriptName).bind(row.filter).bind(row.priority);
      s.bind(std::int64_t(row.useValid)).bind(key);
      s.step();
      s.start();
      if (sqlite3_changes(m_script->handle()) == 0) return 0;
      return sqlite3_last_insert_rowid(m_script->handle());
    });
    if (rowid == 0) {
      reloadScripts();
      return false;
    }
    if (m_script->changedElsewhere()) {
      reloadScripts();
    } else {
      m_scripts.insert(rowid, key);
    }
    return true;
  }

  void setScriptPriority(Long recordNum, const std::string& priority) override {
    const std::int64_t rowid = scriptRowid(recordNum);
    m_script->write([&] { m_setScriptPriority->start().bind(priority).bind(rowid).step(); });
  }

  void deleteScript(Long recordNum) override {
    const std::int64_t rowid = scriptRowid(recordNum);
    m_script->write([&] { m_deleteScript->start().bind(rowid).step(); });
    m_scripts.rowids.erase(m_scripts.rowids.begin() + recordNum);
    std::erase_if(m_scripts.keys, [rowid](const auto& entry) { return entry.second == rowid; });
  }

  void forEachScript(const std::function<void(const ScriptRow&)>& visit) override {
    Statement s(m_script->handle(), std::string("SELECT ") + kScriptColumns + " FROM " +
                                        m_scriptTable + " ORDER BY rowid");
    while (s.step())
      visit(readScriptRow(s));
  }

  std::optional<ScriptRow> scriptByFile(const std::string& file) override {
    Statement& s = m_scriptByFile->start().bind(toUpper(trimBlanks(file)));
    if (!s.step()) return std::nullopt;
    ScriptRow row = readScriptRow(s);
    s.start();
    return row;
  }

  // ---- Descriptions -----------------------------------------------------------------------

  std::string addDescription(const std::string& description) override {
    if (!m_descriptions) return {};
    const std::string cut = description.substr(0, kDescriptionWidth);
    return m_descriptions->write([&] {
      Statement count(m_descriptions->handle(), "SELECT count(*) FROM " + m_descriptionTable);
      count.step();
      std::int64_t n = count.integer(0);
      Statement exists(m_descriptions->handle(),
                       "SELECT 1 FROM " + m_descriptionTable + " WHERE RM_ID = ?");
      std::string id;
      do {
        char buffer[48];
        std::snprintf(buffer, sizeof buffer, "%07lld", static_cast<long long>(++n));
        id = buffer;
      } while (exists.start().bind(id).step());
      exists.start();
      Statement insert(m_descriptions->handle(),
                       "INSERT INTO " + m_descriptionTable + " (RM_ID, RM_Desc) VALUES (?, ?)");
      insert.start().bind(id).bind(cut).step();
      return id;
    });
  }

  std::optional<std::string> description(const std::string& id) override {
    if (!m_descriptions) return std::nullopt;
    Statement s(m_descriptions->handle(), "SELECT RM_Desc FROM " + m_descriptionTable +
                                              " WHERE RM_ID = ? ORDER BY rowid LIMIT 1");
    if (!s.start().bind(std::string(trimBlanks(id))).step()) return std::nullopt;
    return s.text(0);
  }

 private:
  std::shared_ptr<Database> database(const std::string& folder) {
    const std::string key = toNativePath(folder);
    auto& slot = m_databases[key];
    if (!slot) slot = std::make_shared<Database>(key.empty() ? "./" : key);
    return slot;
  }

  void createSourceTable() {
    m_source->write([&] {
      m_source->execute("CREATE TABLE IF NOT EXISTS " + m_sourceTable +
                        " (SOURCEPATH TEXT, SOURCEFILE TEXT, SCRIPTFILE TEXT, SCRIPTNAME TEXT,"
                        " PRIORITY TEXT, DATUM TEXT, WLON REAL, ELON REAL, SLAT REAL, NLAT REAL,"
                        " XRES REAL, YRES REAL, REMMEDIA INTEGER, USESET INTEGER, RMDescID TEXT,"
                        " SOURCEKEY TEXT UNIQUE)");
      // The bounds in an R*Tree, kept in step by triggers, for the area queries.
      m_source->execute("CREATE VIRTUAL TABLE IF NOT EXISTS " + m_boundsTable +
                        " USING rtree(id, westLon, eastLon, southLat, northLat)");
      m_source->execute("CREATE TRIGGER IF NOT EXISTS " + quoted(triggerName("INSERT")) +
                        " AFTER INSERT ON " + m_sourceTable + " BEGIN INSERT INTO " +
                        m_boundsTable +
                        " VALUES (new.rowid, new.WLON, new.ELON, new.SLAT, new.NLAT); END");
      m_source->execute("CREATE TRIGGER IF NOT EXISTS " + quoted(triggerName("DELETE")) +
                        " AFTER DELETE ON " + m_sourceTable + " BEGIN DELETE FROM " +
                        m_boundsTable + " WHERE id = old.rowid; END");
      m_source->execute("CREATE TRIGGER IF NOT EXISTS " + quoted(triggerName("UPDATE")) +
                        " AFTER UPDATE OF WLON, ELON, SLAT, NLAT ON " + m_sourceTable +
                        " BEGIN UPDATE " + m_boundsTable +
                        " SET westLon = new.WLON, eastLon = new.ELON, southLat = new.SLAT,"
                        " northLat = new.NLAT WHERE id = new.rowid; END");
      m_source->execute("CREATE INDEX IF NOT EXISTS " + quoted(triggerName("SCRIPTFILE")) + " ON " +
                        m_sourceTable + " (SCRIPTFILE)");
      m_source->execute("CREATE INDEX IF NOT EXISTS " + quoted(triggerName("SOURCEFILE")) + " ON " +
                        m_sourceTable + " (upper(SOURCEFILE))");
    });
  }

  std::string fileTitleOfTable() const { return m_sourceTable.substr(1, m_sourceTable.size() - 2); }
  std::string triggerName(const char* what) const { return fileTitleOfTable() + "_" + what; }

  void createScriptTable() {
    m_script->write([&] {
      m_script->execute("CREATE TABLE IF NOT EXISTS " + m_scriptTable +
                        " (SCRIPTFILE TEXT, SCRIPTNAME TEXT, FILTER TEXT, PRIORITY TEXT,"
                        " USEVALID INTEGER, SCRIPTKEY TEXT UNIQUE)");
    });
  }

  void prepareStatements() {
    sqlite3* src = m_source->handle();
    sqlite3* scr = m_script->handle();
    const std::string sourceSelect =
        std::string("SELECT ") + kSourceColumns + " FROM " + m_sourceTable;
    m_sourceByRowid = std::make_unique<Statement>(src, sourceSelect + " WHERE rowid = ?");
    m_sourceByFile = std::make_unique<Statement>(
        src, sourceSelect + " WHERE SOURCEFILE = ? ORDER BY rowid LIMIT 1");
    m_sourceByFileNoCase = std::make_unique<Statement>(
        src, sourceSelect + " WHERE upper(SOURCEFILE) = ? ORDER BY rowid LIMIT 1");
    m_sourceByPathAndFile = std::make_unique<Statement>(
        src, sourceSelect + " WHERE SOURCEPATH = ? AND SOURCEFILE = ? ORDER BY rowid LIMIT 1");
    m_sourcesOfScript =
        std::make_unique<Statement>(src, "SELECT SOURCEPATH, SOURCEFILE FROM " + m_sourceTable +
                                             " WHERE SCRIPTFILE = ? ORDER BY rowid");
    m_sourcesMeeting = std::make_unique<Statement>(
        src, "SELECT b.id FROM " + m_boundsTable + " AS b JOIN " + m_sourceTable +
                 " AS t ON t.rowid = b.id"
                 " WHERE b.westLon <= ? AND b.eastLon >= ? AND b.southLat <= ? AND b.northLat >= ?"
                 " AND t.WLON <= ? AND t.ELON >= ? AND t.SLAT <= ? AND t.NLAT >= ?");
    m_insertSource = std::make_unique<Statement>(
        src, "INSERT OR IGNORE INTO " + m_sourceTable + " (" + kSourceColumns +
                 ", SOURCEKEY) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    m_setSourcePriority = std::make_unique<Statement>(
        src, "UPDATE " + m_sourceTable + " SET PRIORITY = ? WHERE rowid = ?");
    m_setSourceUseSettings = std::make_unique<Statement>(
        src, "UPDATE " + m_sourceTable + " SET USESET = ? WHERE rowid = ?");
    m_deleteSource =
        std::make_unique<Statement>(src, "DELETE FROM " + m_sourceTable + " WHERE rowid = ?");

    const std::string scriptSelect =
        std::string("SELECT ") + kScriptColumns + " FROM " + m_scriptTable;
    m_scriptByRowid = std::make_unique<Statement>(scr, scriptSelect + " WHERE rowid = ?");
    m_scriptByFile = std::make_unique<Statement>(
        scr, scriptSelect + " WHERE upper(trim(SCRIPTFILE)) = ? ORDER BY rowid LIMIT 1");
    m_insertScript = std::make_unique<Statement>(scr, "INSERT OR IGNORE INTO " + m_scriptTable +
                                                          " (" + kScriptColumns +
                                                          ", SCRIPTKEY) VALUES (?, ?, ?, ?, ?, ?)");
    m_setScriptPriority = std::make_unique<Statement>(
        scr, "UPDATE " + m_scriptTable + " SET PRIORITY = ? WHERE rowid = ?");
    m_deleteScript =
        std::make_unique<Statement>(scr, "DELETE FROM " + m_scriptTable + " WHERE rowid = ?");
  }

  std::optional<SourceRow> firstSource(Statement& s) {
    if (!s.step()) return std::nullopt;
    SourceRow row = readSourceRow(s);
    s.start();
    return row;
  }

  void syncSources() {
    if (m_source->changedElsewhere()) reloadSources();
  }
  void syncScripts() {
    if (m_script->changedElsewhere()) reloadScripts();
  }

  void reloadSources(const SourceLoadProgress& progress = {}) {
    m_sources = {};
    Long count = 0;
    if (progress) {
      Statement counting(m_source->handle(), "SELECT count(*) FROM " + m_sourceTable);
      if (counting.step()) count = Long(counting.integer(0));
    }
    Statement s(m_source->handle(), "SELECT rowid, SOURCEKEY, SOURCEPATH, SOURCEFILE FROM " +
                                        m_sourceTable + " ORDER BY rowid");
    while (s.step()) {
      // Rows written by other programs may lack the key; it is the folder and name then.
      std::string key = s.text(1);
      if (trimBlanks(key).empty()) key = sourceKeyOf(s.text(2), s.text(3));
      if (progress) progress(Long(m_sources.rowids.size()), count, s.text(3));
      m_sources.rowids.push_back(s.integer(0));
      m_sources.keys.emplace(std::move(key), s.integer(0));
    }
  }

  void reloadScripts() {
    m_scripts = {};
    Statement s(m_script->handle(),
                "SELECT rowid, SCRIPTNAME FROM " + m_scriptTable + " ORDER BY rowid");
    while (s.step()) {
      m_scripts.rowids.push_back(s.integer(0));
      m_scripts.keys.emplace(scriptKeyOf(s.text(1)), s.integer(0));
    }
  }

  std::int64_t sourceRowid(Long recordNum) {
    syncSources();
    if (recordNum < 0 || std::size_t(recordNum) >= m_sources.rowids.size()) {
      raiseSubscriptOutOfRange();
    }
    return m_sources.rowids[std::size_t(recordNum)];
  }

  std::int64_t scriptRowid(Long recordNum) {
    syncScripts();
    if (recordNum < 0 || std::size_t(recordNum) >= m_scripts.rowids.size()) {
      raiseSubscriptOutOfRange();
    }
    return m_scripts.rowids[std::size_t(recordNum)];
  }

  std::map<std::string, std::shared_ptr<Database>> m_databases;
  std::shared_ptr<Database> m_source, m_script, m_descriptions;
  std::string m_sourceTable, m_boundsTable, m_scriptTable, m_descriptionTable;
  RecordSet m_sources, m_scripts;

  std::unique_ptr<Statement> m_sourceByRowid, m_sourceByFile, m_sourceByFileNoCase,
      m_sourceByPathAndFile, m_sourcesOfScript, m_sourcesMeeting, m_insertSource,
      m_setSourcePriority, m_setSourceUseSettings, m_deleteSource;
  std::unique_ptr<Statement> m_scriptByRowid, m_scriptByFile, m_insertScript, m_setScriptPriority,
      m_deleteScript;
};

}  // namespace

std::unique_ptr<IndexStore> openSqliteIndexStore(const IndexTablePaths& paths,
                                                 const SourceLoadProgress& progress) {
  return std::make_unique<SqliteIndexStore>(paths, progress);
}

}  // namespace tg
