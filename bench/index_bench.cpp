// The index on 100,000 generated source records (quarter-degree tiles, 400 x 250): indexing
// rows through the store, reaching every record by number, finding a file by its path, finding
// the scripts for a file name, the rows meeting a 1 x 1 degree area (against a scan of every
// row's bounds), and opening the index (the set of known files) from its tables. Then the
// pertinent files of a 2 x 2 degree area over an index of 1,000 one-degree tiles, against the
// bare bounds query that pre-selects them.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <fstream>

#include "index/index_store.hpp"
#include "tessaglyph/index.hpp"
#include "tessaglyph/script_collection.hpp"

namespace {

constexpr int kColumns = 400;
constexpr int kRows = 250;
constexpr int kRecords = kColumns * kRows;

tg::SourceRow tile(int i) {
  tg::SourceRow row;
  row.sourcePath = "/data/tiles/";
  row.sourceFile = "tile" + std::to_string(i) + ".hgt";
  row.scriptFile = "/scripts/srtm_hgt.tgp";
  row.scriptName = "SRTM HGT";
  row.datum = "wgs84";
  row.westLon = -120 + 0.25 * (i % kColumns);
  row.eastLon = row.westLon + 0.25;
  row.southLat = 0 + 0.25 * (i / kColumns);
  row.northLat = row.southLat + 0.25;
  row.xRes = row.yRes = 30;
  return row;
}

struct Folder {
  std::string path;
  Folder(const char* name) {
    path = (std::filesystem::temp_directory_path() /
            (std::string(name) + "-" + std::to_string(getpid())))
               .string() +
           "/";
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
  }
  ~Folder() { std::filesystem::remove_all(path); }
  tg::IndexTablePaths tables() const {
    return {path + "hfsrcidx.dbf", path + "hfscript.dbf", path + "hfrmdesc.dbf"};
  }
};

// Opens the folder's tables as the process's index, closing whatever index was open.
void openAsProcessIndex(tg::TessaglyphIndex& index, const Folder& folder) {
  index.stopIndexSystem();
  const tg::IndexTablePaths t = folder.tables();
  index.initIndexSystem("", t.source, t.script);
}

// The 100,000-row index, built once and opened through TessaglyphIndex.
struct LargeIndex {
  Folder folder{"tessaglyph-index-bench"};
  std::unique_ptr<tg::IndexStore> store;
  tg::TessaglyphIndex index;

  LargeIndex() {
    setenv("TESSAGLYPH_HOME", folder.path.c_str(), 1);
    store = tg::openSqliteIndexStore(folder.tables());
    for (int i = 0; i < kRecords; ++i)
      store->addSource(tile(i));
    const char* scripts[][2] = {{"SRTM HGT", "*.HGT"},
                                {"ESRI ASCII", "*.ASC"},
                                {"ESRI BIL", "*.BIL"},
                                {"SEG1", "*.SEG"},
                                {"USGS DEM", "*.DEM"}};
    for (const auto& s : scripts)
      store->addScript({"/scripts/" + std::string(s[0]) + ".tgp", s[0], s[1], "", 0});
    reopen();
  }
  void reopen() { openAsProcessIndex(index, folder); }
};

LargeIndex& largeIndex() {
  static LargeIndex instance;
  return instance;
}

void BM_IndexRows(benchmark::State& state) {
  Folder folder("tessaglyph-index-rows");
  auto store = tg::openSqliteIndexStore(folder.tables());
  int i = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(store->addSource(tile(i++)));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IndexRows);

void BM_GetIndexRecord(benchmark::State& state) {
  tg::TessaglyphIndex& index = largeIndex().index;
  tg::Long n = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(index.getIndexRecord(n));
    if (++n == kRecords) n = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetIndexRecord);

// Baseline: one row read straight from SQLite by its rowid through a prepared statement, the
// least a record read can cost.
void BM_RowByRowidBaseline(benchmark::State& state) {
  LargeIndex& large = largeIndex();
  sqlite3* db = nullptr;
  sqlite3_open((large.folder.path + "tessaglyph-index.db").c_str(), &db);
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(db,
                     "SELECT SOURCEPATH, SOURCEFILE, SCRIPTFILE, PRIORITY, DATUM, WLON, ELON, "
                     "SLAT, NLAT, XRES, YRES, REMMEDIA, USESET, RMDescID FROM HFSRCIDX "
                     "WHERE rowid = ?",
                     -1, &stmt, nullptr);
  std::int64_t rowid = 1;
  for (auto _ : state) {
    sqlite3_bind_int64(stmt, 1, rowid);
    sqlite3_step(stmt);
    std::string path(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    std::string file(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)));
    benchmark::DoNotOptimize(sqlite3_column_double(stmt, 5) + sqlite3_column_double(stmt, 10));
    sqlite3_reset(stmt);
    if (++rowid > kRecords) rowid = 1;
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RowByRowidBaseline);

void BM_FindSource(benchmark::State& state) {
  tg::TessaglyphIndex& index = largeIndex().index;
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(index.findSource("/DATA/TILES/TILE" + std::to_string(i) + ".HGT"));
    i = (i + 7919) % kRecords;
  }
}
BENCHMARK(BM_FindSource);

void BM_FindScriptFile(benchmark::State& state) {
  tg::TessaglyphIndex& index = largeIndex().index;
  for (auto _ : state)
    benchmark::DoNotOptimize(index.findScriptFile("/data/N45W122.hgt"));
}
BENCHMARK(BM_FindScriptFile);

// A 1 x 1 degree area through the bounds index.
void BM_AreaQuery(benchmark::State& state) {
  tg::IndexStore& store = *largeIndex().store;
  double lat = 10.1, lon = -100.1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(store.sourcesMeeting(lat + 1, lon, lat, lon + 1));
    lat = lat > 50 ? 10.1 : lat + 3;
  }
}
BENCHMARK(BM_AreaQuery)->Unit(benchmark::kMicrosecond);

// The same area found by testing every row's bounds: what the bounds index saves.
void BM_AreaQueryByScan(benchmark::State& state) {
  tg::IndexStore& store = *largeIndex().store;
  const double lat = 10.1, lon = -100.1;
  for (auto _ : state) {
    int found = 0;
    store.forEachSource([&](const tg::SourceRow& r) {
      if (r.westLon <= lon + 1 && r.eastLon >= lon && r.southLat <= lat + 1 && r.northLat >= lat)
        ++found;
    });
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK(BM_AreaQueryByScan)->Unit(benchmark::kMillisecond);

void BM_InitIndexSystem(benchmark::State& state) {
  LargeIndex& large = largeIndex();
  for (auto _ : state)
    large.reopen();
}
BENCHMARK(BM_InitIndexSystem)->Unit(benchmark::kMillisecond);

// 1,000 one-degree tiles (40 x 25 from 120 W, 20 N), each an existing (empty) file, opened as
// the process's index.
constexpr int kTileColumns = 40;
constexpr int kTiles = 1000;

struct TiledIndex {
  Folder folder{"tessaglyph-index-tiles"};
  std::unique_ptr<tg::IndexStore> store;
  tg::TessaglyphIndex index;

  TiledIndex() {
    store = tg::openSqliteIndexStore(folder.tables());
    store->addScript({"/scripts/srtm_hgt.tgp", "SRTM HGT", "*.HGT", "", 0});
    for (int i = 0; i < kTiles; ++i) {
      tg::SourceRow row;
      row.sourcePath = folder.path;
      row.sourceFile = "tile" + std::to_string(i) + ".hgt";
      std::ofstream(row.sourcePath + row.sourceFile).put('\0');
      row.scriptFile = "/scripts/srtm_hgt.tgp";
      row.scriptName = "SRTM HGT";
      row.datum = "wgs84";
      row.westLon = -120 + (i % kTileColumns);
      row.eastLon = row.westLon + 1;
      row.southLat = 20 + (i / kTileColumns);
      row.northLat = row.southLat + 1;
      row.xRes = row.yRes = 90;
      store->addSource(row);
    }
  }
  void open() { openAsProcessIndex(index, folder); }
};

TiledIndex& tiledIndex() {
  static TiledIndex instance;
  return instance;
}

// The pertinent files of a 2 x 2 degree area: the bounds query, the data type of each row, its
// bounds on the asked datum, the overlap test and the file's existence.
void BM_PertinentFiles1000Tiles(benchmark::State& state) {
  TiledIndex& tiles = tiledIndex();
  tiles.open();
  tg::TG_BOUNDS area{32.5, -100.5, 30.5, -98.5, std::make_shared<tg::ScriptCollection>()};
  area.scriptCollection->add("SRTM HGT", true);
  std::size_t found = 0;
  for (auto _ : state)
    found = tiles.index.getPertinentFilesListEx(area, "WGS84").size();
  state.counters["files"] = double(found);
}
BENCHMARK(BM_PertinentFiles1000Tiles)->Unit(benchmark::kMicrosecond);

// Baseline: the bare bounds query of the same area with its one-degree margin.
void BM_PertinentFiles1000TilesBoundsQueryBaseline(benchmark::State& state) {
  TiledIndex& tiles = tiledIndex();
  std::size_t found = 0;
  for (auto _ : state)
    found = tiles.store->sourcesMeeting(33.5, -101.5, 29.5, -97.5).size();
  state.counters["rows"] = double(found);
}
BENCHMARK(BM_PertinentFiles1000TilesBoundsQueryBaseline)->Unit(benchmark::kMicrosecond);

}  // namespace
