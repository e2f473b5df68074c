// tessaglyph.open and tessaglyph.File: one source file read through its format script.
#include "file_binding.hpp"

#include <pybind11/stl.h>

#include <chrono>
#include <filesystem>
#include <utility>

#include "source/datum_conversion.hpp"
#include "support/text.hpp"
#include "tessaglyph/top_level_object.hpp"

namespace tg::python {

namespace {

std::string scriptProperty(TessaglyphMachine& machine, std::string_view name) {
  const Integer index = machine.getPropertyIndex(name);
  return index < 0 ? std::string() : machine.properties(index).value;
}

std::string scriptAttribute(TessaglyphMachine& machine, std::string_view name) {
  const Integer index = machine.getAttributeIndex(name);
  return index < 0 ? std::string() : std::string(trimBlanks(machine.attribute_read(index)));
}

}  // namespace

std::string scriptDatum(TessaglyphFile& file) {
  const TG_BOUNDS& b = file.metrics().bounds;
  return file.machine()->getDatum((b.westLon + b.eastLon) / 2, (b.northLat + b.southLat) / 2);
}

void requireConvertible(const std::string& from, const std::string& to, const TG_BOUNDS& where) {
  if (from == to) return;
  const double lat = (where.northLat + where.southLat) / 2;
  const double lon = (where.westLon + where.eastLon) / 2;
  double outLat = lat, outLon = lon;
  Integer status = 0;
  convertDatum(lat, lon, from, outLat, outLon, to, status);
  if (status != 0) {
    throw py::value_error("positions on datum \"" + from + "\" cannot be converted to \"" + to +
                          "\" (status " + std::to_string(status) + ": " +
                          std::string(describeDatumStatus(status)) + ")");
  }
}

SourceFile::SourceFile(const std::string& source, const std::string& script) : m_script(script) {
  LibraryCall call;
  m_file = Tessaglyph().OpenFile(source, script);
  // A read that fails gives -52000 instead of raising in the middle of an array.
  m_file->setExecuteMode(TG_F_EM_SILENT);
  m_ownDatum = scriptDatum(*m_file);
  m_file->setCurrentDatum(m_ownDatum);
}

SourceFile::~SourceFile() {
  std::lock_guard<std::mutex> lock(libraryMutex());
  closeLocked();
}

void SourceFile::closeLocked() noexcept {
  if (!m_file) return;
  try {
    m_file->closeSource();
  } catch (const std::exception&) {
    // A TERMINATE routine that fails leaves nothing to undo: the file goes either way.
  }
  m_file.reset();
}

void SourceFile::close() {
  LibraryCall call;
  closeLocked();
}

TessaglyphFile& SourceFile::file() const {
  if (!m_file) throw py::value_error("the file is closed");
  return *m_file;
}

std::string SourceFile::datum() const {
  std::lock_guard<std::mutex> lock(libraryMutex());
  return file().currentDatum();
}

void SourceFile::setDatum(const std::string& datum) {
  LibraryCall call;
  TessaglyphFile& f = file();
  requireConvertible(datum, m_ownDatum, f.metrics().bounds);
  f.setCurrentDatum(datum);
}

// Sets the mode and the datum of one call, and puts the datum back afterwards.
class SourceFile::CallSettings {
 public:
  CallSettings(TessaglyphFile& file, const std::string& ownDatum, TG_M_INTERPOLATIONMODES mode,
               const std::optional<std::string>& datum)
      : m_file(file), m_previous(file.currentDatum()) {
    if (!file.machine()->canInterpolate(mode))
      throw py::value_error(std::string("the script cannot read with interp=\"") +
                            interpolationName(mode) + "\"");
    file.setInterpolationMode(mode);
    if (datum && *datum != m_previous) {
      requireConvertible(*datum, ownDatum, file.metrics().bounds);
      file.setCurrentDatum(*datum);
      m_restore = true;
    }
  }
  ~CallSettings() {
    if (!m_restore) return;
    try {
      m_file.setCurrentDatum(m_previous);
    } catch (const std::exception&) {
      // It was the file's datum a moment ago; it converts as it did then.
    }
  }

 private:
  TessaglyphFile& m_file;
  std::string m_previous;
  bool m_restore = false;
};

float SourceFile::point(double lat, double lon, const std::string& interp,
                        const std::optional<std::string>& datum) {
  const TG_M_INTERPOLATIONMODES mode = interpolationMode(interp);
  LibraryCall call;
  TessaglyphFile& f = file();
  CallSettings settings(f, m_ownDatum, mode, datum);
  return f.point(lat, lon);
}

py::array_t<float> SourceFile::points(py::handle lats, py::handle lons, const std::string& interp,
                                      const std::optional<std::string>& datum, py::handle nodata) {
  const TG_M_INTERPOLATIONMODES mode = interpolationMode(interp);
  const Positions positions(lats, lons);
  const NoData replace(nodata);
  py::array_t<float> values(positions.shape());
  float* out = values.mutable_data();
  {
    LibraryCall call;
    TessaglyphFile& f = file();
    CallSettings settings(f, m_ownDatum, mode, datum);
    for (std::size_t i = 0; i < positions.size(); ++i)
      out[i] = replace(f.point(positions.lat(i), positions.lon(i)));
  }
  return values;
}

double SourceFile::baselineSeconds(const std::vector<double>& lats, const std::vector<double>& lons,
                                   const std::string& interp) {
  const TG_M_INTERPOLATIONMODES mode = interpolationMode(interp);
  LibraryCall call;
  TessaglyphFile& f = file();
  CallSettings settings(f, m_ownDatum, mode, std::nullopt);
  std::vector<float> out(lats.size());
  const auto start = std::chrono::steady_clock::now();
  for (std::size_t i = 0; i < lats.size(); ++i)
    out[i] = f.point(lats[i], lons[i]);
  const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
  return spent.count();
}

TG_FILEMETRICS SourceFile::metrics() const {
  std::lock_guard<std::mutex> lock(libraryMutex());
  return file().metrics();
}

std::string SourceFile::source() const {
  std::lock_guard<std::mutex> lock(libraryMutex());
  return file().filename();
}

std::vector<std::string> SourceFile::interpolations() const {
  std::vector<std::string> names;
  LibraryCall call;
  TessaglyphFile& f = file();
  for (const TG_M_INTERPOLATIONMODES mode :
       {TG_M_IM_NONE, TG_M_IM_CLOSESTPOINT, TG_M_IM_4POINT, TG_M_IM_12POINT}) {
    if (f.machine()->canInterpolate(mode)) names.push_back(interpolationName(mode));
  }
  return names;
}

py::dict SourceFile::info() const {
  std::string source, format, description, vertical, rows, columns;
  TG_FILEMETRICS m;
  {
    LibraryCall call;
    TessaglyphFile& f = file();
    source = f.filename();
    m = f.metrics();
    TessaglyphMachine& machine = *f.machine();
    format = scriptProperty(machine, "name");
    description = scriptProperty(machine, "description");
    vertical = scriptProperty(machine, "verticalreference");
    rows = scriptAttribute(machine, "rows");
    columns = scriptAttribute(machine, "columns");
  }
  py::dict info;
  info["source"] = text(source);
  info["script"] = text(m_script);
  info["format"] = text(format);
  info["description"] = text(description);
  info["datum"] = text(m_ownDatum);
  info["vertical"] = vertical.empty() ? py::object(py::none()) : py::object(text(vertical));
  info["bounds"] = m.bounds;
  info["x_resolution"] = m.xResolution;
  info["y_resolution"] = m.yResolution;
  info["rows"] = rows.empty() ? py::object(py::none()) : py::object(py::int_(std::stol(rows)));
  info["columns"] =
      columns.empty() ? py::object(py::none()) : py::object(py::int_(std::stol(columns)));
  info["interpolations"] = interpolations();
  return info;
}

std::string resolveScript(const std::string& script) {
  std::error_code code;
  if (script.find('/') != std::string::npos || script.ends_with(".tgp") ||
      std::filesystem::exists(script, code))
    return script;
  const py::list folders = py::module_::import("tessaglyph._folders").attr("SCRIPT_FOLDERS");
  for (const py::handle folder : folders) {
    const std::filesystem::path path =
        std::filesystem::path(py::cast<std::string>(folder)) / (script + ".tgp");
    if (std::filesystem::is_regular_file(path, code)) return path.string();
  }
  throw py::value_error("no bundled script \"" + script + "\" (srtm_hgt, esri_ascii, esri_bil, " +
                        "example_grid) and no such file");
}

void bindFile(py::module_& m) {
  py::class_<TG_BOUNDS>(m, "Bounds", "A rectangle in decimal degrees.")
      .def(py::init([](double north, double west, double south, double east) {
             TG_BOUNDS bounds;
             bounds.northLat = north;
             bounds.westLon = west;
             bounds.southLat = south;
             bounds.eastLon = east;
             return bounds;
           }),
           py::kw_only(), py::arg("north"), py::arg("west"), py::arg("south"), py::arg("east"))
      .def_readwrite("north", &TG_BOUNDS::northLat, "Northern edge (latitude).")
      .def_readwrite("west", &TG_BOUNDS::westLon, "Western edge (longitude).")
      .def_readwrite("south", &TG_BOUNDS::southLat, "Southern edge (latitude).")
      .def_readwrite("east", &TG_BOUNDS::eastLon, "Eastern edge (longitude).")
      .def("__eq__",
           [](const TG_BOUNDS& a, const TG_BOUNDS& b) {
             return a.northLat == b.northLat && a.westLon == b.westLon &&
                    a.southLat == b.southLat && a.eastLon == b.eastLon;
           })
      .def("__repr__", [](const TG_BOUNDS& b) {
        return py::str("Bounds(north={!r}, west={!r}, south={!r}, east={!r})")
            .format(b.northLat, b.westLon, b.southLat, b.eastLon);
      });

  py::class_<TG_FILEMETRICS>(m, "Metrics", "A source file's coverage.")
      .def_property_readonly(
          "datum", [](const TG_FILEMETRICS& m) { return text(m.datum); },
          "The datum the bounds are on.")
      .def_readonly("x_resolution", &TG_FILEMETRICS::xResolution,
                    "Spacing of the grid's columns, metres.")
      .def_readonly("y_resolution", &TG_FILEMETRICS::yResolution,
                    "Spacing of the grid's rows, metres.")
      .def_readonly("bounds", &TG_FILEMETRICS::bounds, "The coverage, decimal degrees.")
      .def("__repr__", [](const TG_FILEMETRICS& m) {
        return py::str("Metrics(datum={!r}, x_resolution={!r}, y_resolution={!r}, bounds={!r})")
            .format(text(m.datum), m.xResolution, m.yResolution, m.bounds);
      });

  py::class_<SourceFile>(m, "File",
                         "A source file opened with the format script that reads it "
                         "(see tessaglyph.open). Close it, or use it in a with block.")
      .def_property_readonly(
          "source", [](const SourceFile& f) { return text(f.source()); }, "The source file's path.")
      .def_property_readonly(
          "script", [](const SourceFile& f) { return text(f.scriptPath()); },
          "The path of the compiled format script.")
      .def_property("datum", &SourceFile::datum, &SourceFile::setDatum,
                    "The datum positions are given in; at first the file's own. Setting a datum "
                    "that does not convert to the file's raises ValueError.")
      .def_property_readonly("own_datum", &SourceFile::ownDatum,
                             "The datum of the file's data, as its script says.")
      .def_property_readonly("metrics", &SourceFile::metrics,
                             "The file's coverage (bounds on `datum`) and resolution.")
      .def_property_readonly("interpolations", &SourceFile::interpolations,
                             "The interpolation names the script allows.")
      .def_property_readonly("closed", &SourceFile::closed, "True once the file is closed.")
      .def("point", &SourceFile::point, py::arg("lat"), py::arg("lon"), py::kw_only(),
           py::arg("interp") = "4point", py::arg("datum") = py::none(),
           "The value at one position: a float, or a reserved value (-32100 no data, -32101 "
           "an interpolation lacked a point, -52000 the read failed).")
      .def("points", &SourceFile::points, py::arg("lats"), py::arg("lons"), py::kw_only(),
           py::arg("interp") = "4point", py::arg("datum") = py::none(),
           py::arg("nodata") = py::none(),
           "The values at many positions, as a float32 array of the positions' shape. "
           "`interp` is none, closest, 4point or 12point; `datum` the datum of the positions "
           "(default: the file's `datum`); `nodata` replaces the reserved values (np.nan, say). "
           "NaN or infinite positions raise ValueError.")
      .def("info", &SourceFile::info,
           "What the script says of the file: format, description, datum, vertical reference, "
           "bounds, resolution, grid size and interpolations.")
      .def("close", &SourceFile::close, "Runs the script's TERMINATE routine and lets go of it.")
      .def("__enter__", [](SourceFile& f) -> SourceFile& { return f; })
      .def("__exit__", [](SourceFile& f, py::args) { f.close(); })
      .def("__repr__",
           [](const SourceFile& f) {
             if (f.closed()) return py::str("<tessaglyph.File closed>");
             return py::str("<tessaglyph.File {!r} script={!r}>")
                 .format(text(f.source()), text(f.scriptPath()));
           })
      .def("_baseline_seconds", &SourceFile::baselineSeconds, py::arg("lats"), py::arg("lons"),
           py::arg("interp") = "4point",
           "For the benchmark: seconds the plain C++ loop of point reads takes.");

  m.def(
      "open",
      [](py::handle source, py::handle script) {
        const std::string path = pathArgument(source, "source");
        requireExistingFile(path);
        const std::string program = resolveScript(pathArgument(script, "script"));
        return std::make_unique<SourceFile>(path, program);
      },
      py::arg("source"), py::arg("script"),
      "Opens a source file with its compiled format script: a .tgp path or a bundled script's "
      "name (srtm_hgt, esri_ascii, esri_bil). Raises tessaglyph.Error when the file cannot be "
      "opened or its script refuses it.");
}

}  // namespace tg::python
