// tessaglyph.Index: the catalogue of source files and scripts, and areas prepared from it.
#include "index_binding.hpp"

#include <pybind11/stl.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "area_binding.hpp"
#include "file_binding.hpp"
#include "index/default_scripts.hpp"
#include "tessaglyph/index.hpp"
#include "tessaglyph/priority_rules.hpp"
#include "tessaglyph/top_level_object.hpp"

namespace tg::python {

namespace {

std::string absolutePath(const std::string& path) {
  std::error_code error;
  return std::filesystem::absolute(path, error).lexically_normal().string();
}

py::dict recordDict(Long number, const TG_I_INDEXRECORD& r) {
  const TG_BOUNDS& b = r.metrics.bounds;
  py::dict row;
  row["record"] = number;
  row["file"] = text(r.sourcePath + r.sourceFile);
  row["script"] = text(r.scriptFile);
  row["priority"] = text(r.priorityName);
  row["datum"] = text(r.metrics.datum);
  row["north"] = b.northLat;
  row["south"] = b.southLat;
  row["west"] = b.westLon;
  row["east"] = b.eastLon;
  row["x_resolution"] = r.metrics.xResolution;
  row["y_resolution"] = r.metrics.yResolution;
  row["removable"] = r.onRemovableMedia;
  row["included"] = r.useSettings == TG_I_US_INCLUDE;
  return row;
}

py::dict scriptDict(Long number, const TG_I_SCRIPTINDEXRECORD& r) {
  py::dict row;
  row["record"] = number;
  row["name"] = text(r.scriptName);
  row["program"] = text(r.scriptFile);
  row["filter"] = text(r.sourceFileFilter);
  row["priority"] = text(r.priorityName);
  row["use_valid"] = r.useValid;
  return row;
}

// The scripts that may read a file, the best first: those whose VALID routine accepted it,
// then by script priority.
Array<TG_I_SCRIPTCANDIDATE> candidatesFor(TessaglyphIndex& index, const std::string& file) {
  Array<TG_I_SCRIPTCANDIDATE> candidates = index.findScriptFile(file);
  if (!candidates.empty()) {
    TessaglyphIndex::sortScriptCandidatesByPriority(candidates);
    TessaglyphIndex::sortScriptCandidatesByMatch(candidates);
  }
  return candidates;
}

}  // namespace

class SourceIndex {
 public:
  SourceIndex(const std::optional<std::string>& sourceTable,
              const std::optional<std::string>& scriptTable) {
    LibraryCall call;
    m_index.initIndexSystem({}, sourceTable.value_or(std::string()),
                            scriptTable.value_or(std::string()));
  }

  void close() {
    LibraryCall call;
    if (m_index.initialized()) m_index.stopIndexSystem();
  }
  bool closed() const {
    std::lock_guard<std::mutex> lock(libraryMutex());
    return !m_index.initialized();
  }

  int registerDefaults() {
    const py::list folders = py::module_::import("tessaglyph._folders").attr("SCRIPT_FOLDERS");
    for (const py::handle folder : folders) {
      std::string path = py::cast<std::string>(folder);
      std::error_code error;
      if (!std::filesystem::is_directory(path, error)) continue;
      LibraryCall call;
      return registerDefaultScripts(m_index, path + "/");
    }
    return 0;
  }

  void addScript(py::handle program, const std::string& name, const std::string& filter,
                 const std::string& category, bool useValid) {
    const std::string path = absolutePath(resolveScript(pathArgument(program, "program")));
    LibraryCall call;
    if (m_index.findScript(name) != -1)
      throw py::value_error("a script named \"" + name + "\" is registered already");
    m_index.indexScriptFileEx(path, name, category, filter, useValid ? -1 : 0);
  }

  std::string add(py::handle source, const std::optional<std::string>& script,
                  const std::string& category) {
    const std::string file = absolutePath(pathArgument(source, "source"));
    LibraryCall call;
    return addLocked(file, script, category);
  }

  py::list scan(py::handle folder, const std::string& category) {
    const std::string root = pathArgument(folder, "folder");
    std::vector<std::string> files, results;
    {
      LibraryCall call;
      Long found = 0;
      const Array<std::string> listed = m_index.directoryScan(root, found);
      for (Long i = 1; i <= listed.ubound(); ++i) {
        const std::string file = absolutePath(listed[i]);
        files.push_back(file);
        try {
          results.push_back(addLocked(file, std::nullopt, category));
        } catch (const py::value_error& refused) {
          results.push_back(std::string("not indexed: ") + refused.what());
        } catch (const Error& error) {
          results.push_back("not indexed: " + error.description() + " (error " +
                            std::to_string(error.number()) + ")");
        }
      }
    }
    py::list rows;
    for (std::size_t i = 0; i < files.size(); ++i) {
      py::dict row;
      row["file"] = text(files[i]);
      row["result"] = text(results[i]);
      rows.append(row);
    }
    return rows;
  }

  py::list records() {
    return rowsOf(&TessaglyphIndex::numIndexRecords, &TessaglyphIndex::getIndexRecord, recordDict);
  }

  py::list scripts() {
    return rowsOf(&TessaglyphIndex::numScriptIndexRecords, &TessaglyphIndex::getScriptIndexRecord,
                  scriptDict);
  }

  py::list findScript(py::handle source) {
    const std::string file = absolutePath(pathArgument(source, "source"));
    Array<TG_I_SCRIPTCANDIDATE> candidates;
    {
      LibraryCall call;
      candidates = candidatesFor(m_index, file);
    }
    py::list rows;
    for (const TG_I_SCRIPTCANDIDATE& c : candidates) {
      py::dict row;
      row["name"] = text(c.scriptName);
      row["program"] = text(c.scriptFilename);
      row["priority"] = text(c.scriptPriority);
      row["validated"] = c.strongMatch;
      rows.append(row);
    }
    return rows;
  }

  bool remove(py::handle source) {
    const std::string file = absolutePath(pathArgument(source, "source"));
    LibraryCall call;
    const Long n = m_index.findSource(file);
    if (n == -1) return false;
    m_index.deleteIndexedFile(n);
    return true;
  }

  bool removeScript(const std::string& name, bool force) {
    LibraryCall call;
    const Long n = m_index.findScript(name);
    if (n == -1) return false;
    m_index.deleteIndexedScript(n, force);
    return m_index.findScript(name) == -1;
  }

  std::unique_ptr<SourceArea> prepareArea(const TG_BOUNDS& bounds,
                                          const std::optional<std::string>& rules,
                                          const std::string& datum, const std::string& interp,
                                          const std::string& macro, std::optional<int> maxOpen) {
    const TG_M_INTERPOLATIONMODES mode = interpolationMode(interp);
    const TG_S_MACROINTERPOLATIONOPTIONS option = macroOption(macro);
    if (maxOpen && (*maxOpen < 1 || *maxOpen > kMaxAreaOpenFiles))
      throw py::value_error("max_open must lie in 1..225, not " + std::to_string(*maxOpen));
    std::shared_ptr<TessaglyphArea> area;
    {
      LibraryCall call;
      TessaglyphSPR spr;
      if (rules) spr.readFromINIFile(Tessaglyph().getTessaglyphININame(), *rules);
      TG_BOUNDS region = bounds;
      region.scriptCollection = nullptr;  // silent: every data type, without asking
      // Silent: no message boxes (their texts still go to the diagnostic log), and no area when
      // no file lies there.
      area = m_index.prepareAreaEx(region, spr, datum, -1);
      if (!area) {
        // The index's own error for an area without files (12009).
        m_index.setupArea(Array<TG_I_INDEXRECORD>(), datum, 0);
        throw py::value_error("no indexed file lies in the area");
      }
      for (Integer i = 1; i <= area->numFiles(); ++i)
        area->files(i)->setExecuteMode(TG_F_EM_SILENTLOGGED);
      if (maxOpen) area->setMaximumOpenFiles(Integer(*maxOpen));
      setAreaReading(*area, mode, option);
    }
    return std::make_unique<SourceArea>(std::move(area), datum);
  }

 private:
  // Every record of a table, read under the lock and then turned into dicts.
  template <typename Record>
  py::list rowsOf(Long (TessaglyphIndex::*count)(), Record (TessaglyphIndex::*read)(Long),
                  py::dict (*toDict)(Long, const Record&)) {
    std::vector<Record> records;
    {
      LibraryCall call;
      const Long rows = (m_index.*count)();
      for (Long n = 0; n < rows; ++n)
        records.push_back((m_index.*read)(n));
    }
    py::list rows;
    for (std::size_t n = 0; n < records.size(); ++n)
      rows.append(toDict(Long(n), records[n]));
    return rows;
  }

  std::string addLocked(const std::string& file, const std::optional<std::string>& script,
                        const std::string& category) {
    std::string name = script.value_or(std::string());
    if (name.empty()) {
      const Array<TG_I_SCRIPTCANDIDATE> candidates = candidatesFor(m_index, file);
      if (candidates.empty()) throw py::value_error("no registered script reads \"" + file + "\"");
      name = candidates[candidates.lbound()].scriptName;
    }
    Long found = 0;
    m_index.indexSourceFile(file, name, category, false, nullptr, &found);
    if (found == TG_I_FOUND_NOTINDEXED)
      throw py::value_error("the script \"" + name + "\" gives \"" + file +
                            "\" no usable bounds or resolution");
    return found == TG_I_FOUND_ALREADY ? "already indexed" : "indexed";
  }

  TessaglyphIndex m_index;
};

void bindIndex(py::module_& m) {
  py::class_<SourceIndex>(m, "Index",
                          "The index of source files and scripts, kept from one run to the "
                          "next in the base directory (TESSAGLYPH_HOME). The index is one for "
                          "the process: every Index object works on it, and closing one closes "
                          "it for all.")
      .def(py::init<const std::optional<std::string>&, const std::optional<std::string>&>(),
           py::kw_only(), py::arg("source_table") = py::none(),
           py::arg("script_table") = py::none(),
           "Opens the index; the table paths default to the settings file's.")
      .def("register_defaults", &SourceIndex::registerDefaults,
           "Registers the bundled scripts (a name already registered stays); returns how many "
           "were found.")
      .def("add_script", &SourceIndex::addScript, py::arg("program"), py::arg("name"),
           py::kw_only(), py::arg("filter") = "", py::arg("category") = "",
           py::arg("use_valid") = false,
           "Registers a compiled script (a path or a bundled script's name) under a name; "
           "`filter` is the pattern of the file names it reads (default: the script's own).")
      .def("add", &SourceIndex::add, py::arg("source"), py::kw_only(),
           py::arg("script") = py::none(), py::arg("category") = "",
           "Indexes a source file with a registered script (default: the best that reads it). "
           "Returns \"indexed\" or \"already indexed\"; ValueError when no script reads it.")
      .def("scan", &SourceIndex::scan, py::arg("folder"), py::kw_only(), py::arg("category") = "",
           "Indexes the files below a folder that some script reads and that are not indexed "
           "yet; returns a dict (file, result) per file.")
      .def("records", &SourceIndex::records, "The indexed source files, a dict each.")
      .def("scripts", &SourceIndex::scripts, "The registered scripts, a dict each.")
      .def("find_script", &SourceIndex::findScript, py::arg("source"),
           "The registered scripts that may read a file, the best first (name, program, "
           "priority, validated).")
      .def("remove", &SourceIndex::remove, py::arg("source"),
           "Removes a file from the index; False when it was not indexed.")
      .def("remove_script", &SourceIndex::removeScript, py::arg("name"), py::kw_only(),
           py::arg("force") = false,
           "Removes a script unless indexed files use it (or regardless, with force); False "
           "when nothing was removed.")
      .def("prepare_area", &SourceIndex::prepareArea, py::arg("bounds"), py::kw_only(),
           py::arg("rules") = py::none(), py::arg("datum") = "NAD83", py::arg("interp") = "4point",
           py::arg("macro") = "closest", py::arg("max_open") = py::none(),
           "The indexed files over a rectangle (of every data type), ordered by priority rules "
           "(the name of rules kept in the settings file; default rules when None), as an area "
           "whose positions are given on `datum`. Raises tessaglyph.Error 12009 when no indexed "
           "file lies there, 33005 for rules the settings file does not hold.")
      .def_property_readonly("closed", &SourceIndex::closed, "True once the index is closed.")
      .def("close", &SourceIndex::close, "Closes the index (for every Index object).")
      .def("__enter__", [](SourceIndex& i) -> SourceIndex& { return i; })
      .def("__exit__", [](SourceIndex& i, py::args) { i.close(); });
}

}  // namespace tg::python
