#include "area_binding.hpp"

#include <pybind11/stl.h>

#include <utility>

#include "common/great_circle.hpp"
#include "file_binding.hpp"
#include "tessaglyph/top_level_object.hpp"

namespace tg::python {

SourceArea::SourceArea(std::shared_ptr<TessaglyphArea> area, std::string datum)
    : m_area(std::move(area)), m_datum(std::move(datum)) {}

SourceArea::~SourceArea() {
  std::lock_guard<std::mutex> lock(libraryMutex());
  closeLocked();
}

void SourceArea::closeLocked() noexcept {
  if (!m_area) return;
  try {
    m_area->closeArea();
  } catch (const std::exception&) {
    // A file whose TERMINATE fails is let go all the same.
  }
  m_area.reset();
}

void SourceArea::close() {
  LibraryCall call;
  closeLocked();
}

TessaglyphArea& SourceArea::area() const {
  if (!m_area) throw py::value_error("the area is closed");
  return *m_area;
}

std::vector<std::string> SourceArea::files() const {
  std::lock_guard<std::mutex> lock(libraryMutex());
  TessaglyphArea& a = area();
  std::vector<std::string> paths;
  for (Integer i = 1; i <= a.numFiles(); ++i)
    paths.push_back(a.files(i)->filename());
  return paths;
}

TG_BOUNDS SourceArea::extent() const {
  std::lock_guard<std::mutex> lock(libraryMutex());
  const TessaglyphArea& a = area();
  TG_BOUNDS bounds;
  bounds.northLat = a.areaMaxY();
  bounds.southLat = a.areaMinY();
  bounds.westLon = a.areaMinX();
  bounds.eastLon = a.areaMaxX();
  return bounds;
}

std::string SourceArea::interp() const {
  std::lock_guard<std::mutex> lock(libraryMutex());
  return interpolationName(area().interpolationMode());
}

void SourceArea::setInterp(const std::string& name) {
  const TG_M_INTERPOLATIONMODES mode = interpolationMode(name);
  LibraryCall call;
  setAreaReading(area(), mode, area().macroInterpolationOption());
}

std::string SourceArea::macro() const {
  std::lock_guard<std::mutex> lock(libraryMutex());
  return macroName(area().macroInterpolationOption());
}

void SourceArea::setMacro(const std::string& name) {
  const TG_S_MACROINTERPOLATIONOPTIONS option = macroOption(name);
  LibraryCall call;
  area().setMacroInterpolationOption(option);
}

int SourceArea::maxOpen() const {
  std::lock_guard<std::mutex> lock(libraryMutex());
  return area().maximumOpenFiles();
}

void SourceArea::setMaxOpen(int value) {
  if (value < 1 || value > kMaxAreaOpenFiles)
    throw py::value_error("max_open must lie in 1..225, not " + std::to_string(value));
  LibraryCall call;
  area().setMaximumOpenFiles(Integer(value));
}

int SourceArea::numOpenFiles() const {
  std::lock_guard<std::mutex> lock(libraryMutex());
  return area().numOpenFiles();
}

float SourceArea::point(double lat, double lon) {
  LibraryCall call;
  return area().point(lat, lon);
}

py::array_t<float> SourceArea::points(py::handle lats, py::handle lons, py::handle nodata) {
  const Positions positions(lats, lons);
  const NoData replace(nodata);
  py::array_t<float> values(positions.shape());
  float* out = values.mutable_data();
  {
    LibraryCall call;
    TessaglyphArea& a = area();
    for (std::size_t i = 0; i < positions.size(); ++i)
      out[i] = replace(a.point(positions.lat(i), positions.lon(i)));
  }
  return values;
}

std::tuple<py::array_t<double>, py::array_t<double>, py::array_t<double>, py::array_t<float>>
SourceArea::profile(double lat1, double lon1, double lat2, double lon2, std::optional<double> step,
                    std::optional<long> samples, py::handle nodata) {
  using tools::kMaxProfileSamples;
  for (const double value : {lat1, lon1, lat2, lon2}) {
    if (!std::isfinite(value)) throw py::value_error("the ends must be finite numbers");
  }
  if (step.has_value() == samples.has_value())
    throw py::value_error("give either step (metres) or samples (a count)");
  const tools::GreatCircle path(lat1, lon1, lat2, lon2);
  const double length = path.length();
  std::vector<double> fractions;
  if (samples) {
    if (*samples < 1 || *samples > kMaxProfileSamples)
      throw py::value_error("samples must lie in 1.." + std::to_string(kMaxProfileSamples));
    fractions = tools::fractionsByCount(*samples);
  } else {
    if (!(*step > 0)) throw py::value_error("step must be a positive number of metres");
    if (length / *step > double(kMaxProfileSamples))
      throw py::value_error("a step of " + std::to_string(*step) + " m gives more than " +
                            std::to_string(kMaxProfileSamples) + " samples");
    fractions = tools::fractionsByStep(length, *step);
  }
  const NoData replace(nodata);
  const auto count = py::ssize_t(fractions.size());
  py::array_t<double> distances(count), lats(count), lons(count);
  py::array_t<float> values(count);
  double* d = distances.mutable_data();
  double* y = lats.mutable_data();
  double* x = lons.mutable_data();
  float* z = values.mutable_data();
  {
    LibraryCall call;
    auto pathLats = Array<Double>::withBounds(0, Long(count) - 1);
    auto pathLons = Array<Double>::withBounds(0, Long(count) - 1);
    for (Long i = 0; i < Long(count); ++i) {
      path.at(fractions[std::size_t(i)], pathLats[i], pathLons[i]);
      d[i] = fractions[std::size_t(i)] * length;
      y[i] = pathLats[i];
      x[i] = pathLons[i];
    }
    Array<Single> read;
    Boolean failed = false;
    area().Get_Path(pathLats, pathLons, read, failed);
    for (Long i = 0; i < Long(count); ++i)
      z[i] = replace(read[i]);
  }
  return {distances, lats, lons, values};
}

void setAreaReading(TessaglyphArea& area, TG_M_INTERPOLATIONMODES mode,
                    TG_S_MACROINTERPOLATIONOPTIONS macro) {
  for (Integer i = 1; i <= area.numFiles(); ++i) {
    const std::shared_ptr<TessaglyphFile> file = area.files(i);
    if (!file->machine()->canInterpolate(mode))
      throw py::value_error("the script of \"" + file->filename() +
                            "\" cannot read with interp=\"" + interpolationName(mode) + "\"");
  }
  area.setInterpolationMode(mode);
  area.setMacroInterpolationOption(macro);
}

namespace {

std::unique_ptr<SourceArea> openArea(py::iterable sources, py::handle script,
                                     const std::string& interp, const std::string& macro,
                                     const std::optional<std::string>& datum,
                                     std::optional<int> maxOpen) {
  std::vector<std::string> paths;
  for (const py::handle source : sources) {
    paths.push_back(pathArgument(source, "each source"));
    requireExistingFile(paths.back());
  }
  if (paths.empty()) throw py::value_error("an area needs at least one source file");
  const std::string program = resolveScript(pathArgument(script, "script"));
  const TG_M_INTERPOLATIONMODES mode = interpolationMode(interp);
  const TG_S_MACROINTERPOLATIONOPTIONS option = macroOption(macro);
  if (maxOpen && (*maxOpen < 1 || *maxOpen > kMaxAreaOpenFiles))
    throw py::value_error("max_open must lie in 1..225, not " + std::to_string(*maxOpen));
  auto area = std::make_shared<TessaglyphArea>();
  {
    LibraryCall call;
    if (maxOpen) area->setMaximumOpenFiles(Integer(*maxOpen));
    for (const std::string& path : paths) {
      auto file = Tessaglyph().OpenFile(path, program);
      // A script error inside an area read gives -52000 for that read and a line in the log.
      file->setExecuteMode(TG_F_EM_SILENTLOGGED);
      if (datum) {
        requireConvertible(*datum, scriptDatum(*file), file->metrics().bounds);
        file->setCurrentDatum(*datum);
      } else {
        file->setCurrentDatum(scriptDatum(*file));
      }
      area->addFile(file);
    }
    area->initialize();
    setAreaReading(*area, mode, option);
  }
  return std::make_unique<SourceArea>(std::move(area), datum.value_or(std::string()));
}

}  // namespace

void bindArea(py::module_& m) {
  py::class_<SourceArea>(m, "Area",
                         "Source files joined into one surface: the first file (in priority "
                         "order) holding data at a position answers. Close it, or use it in a "
                         "with block.")
      .def_property_readonly("files", &SourceArea::files, "The files' paths, in priority order.")
      .def_property_readonly("extent", &SourceArea::extent, "The rectangle the files cover.")
      .def_property_readonly(
          "datum",
          [](const SourceArea& a) -> py::object {
            if (a.datum().empty()) return py::none();
            return text(a.datum());
          },
          "The datum positions are given in; None: each file's own.")
      .def_property("interp", &SourceArea::interp, &SourceArea::setInterp,
                    "none, closest, 4point or 12point.")
      .def_property("macro", &SourceArea::macro, &SourceArea::setMacro,
                    "What an interpolation lacking points at a file border does: closest (read "
                    "the closest point), available (the points there are), merge (take them "
                    "from the files beside it), low (no data) or error (raise 17005).")
      .def_property("max_open", &SourceArea::maxOpen, &SourceArea::setMaxOpen,
                    "The most files kept open at once, 1..225.")
      .def_property_readonly("num_open_files", &SourceArea::numOpenFiles,
                             "How many files are open now.")
      .def_property_readonly("closed", &SourceArea::closed, "True once the area is closed.")
      .def("point", &SourceArea::point, py::arg("lat"), py::arg("lon"),
           "The value at one position, or a reserved value.")
      .def("points", &SourceArea::points, py::arg("lats"), py::arg("lons"), py::kw_only(),
           py::arg("nodata") = py::none(),
           "The values at many positions, as a float32 array of the positions' shape; `nodata` "
           "replaces the reserved values.")
      .def("profile", &SourceArea::profile, py::arg("lat1"), py::arg("lon1"), py::arg("lat2"),
           py::arg("lon2"), py::kw_only(), py::arg("step") = py::none(),
           py::arg("samples") = py::none(), py::arg("nodata") = py::none(),
           "The profile along the great circle from (lat1, lon1) to (lat2, lon2): a sample "
           "every `step` metres and the far end, or `samples` evenly spaced samples, both ends "
           "included. Returns (distance, lat, lon, value) arrays; a sample whose read failed "
           "holds -52000 (or `nodata`).")
      .def("close", &SourceArea::close, "Closes every file of the area.")
      .def("__enter__", [](SourceArea& a) -> SourceArea& { return a; })
      .def("__exit__", [](SourceArea& a, py::args) { a.close(); })
      .def("__repr__", [](const SourceArea& a) {
        if (a.closed()) return py::str("<tessaglyph.Area closed>");
        return py::str("<tessaglyph.Area of {} files>").format(a.files().size());
      });

  m.def("open_area", &openArea, py::arg("sources"), py::arg("script"), py::kw_only(),
        py::arg("interp") = "4point", py::arg("macro") = "closest", py::arg("datum") = py::none(),
        py::arg("max_open") = py::none(),
        "Joins source files read by one script into an area, the first winning where they "
        "overlap. `datum` is the datum of the positions (default: each file's own).");
}

}  // namespace tg::python
