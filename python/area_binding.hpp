// tessaglyph.Area: source files joined into one surface, read with numpy arrays.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "python_support.hpp"
#include "tessaglyph/area.hpp"

namespace tg::python {

class SourceArea {
 public:
  // An initialized area whose positions are given on `datum` (empty: each file's own).
  SourceArea(std::shared_ptr<TessaglyphArea> area, std::string datum);
  ~SourceArea();
  SourceArea(const SourceArea&) = delete;
  SourceArea& operator=(const SourceArea&) = delete;

  // The area; ValueError once closed. Call it holding the library's lock.
  TessaglyphArea& area() const;
  bool closed() const { return !m_area; }
  void close();

  const std::string& datum() const { return m_datum; }
  std::vector<std::string> files() const;
  TG_BOUNDS extent() const;
  std::string interp() const;
  void setInterp(const std::string& name);
  std::string macro() const;
  void setMacro(const std::string& name);
  int maxOpen() const;
  void setMaxOpen(int value);
  int numOpenFiles() const;

  float point(double lat, double lon);
  py::array_t<float> points(py::handle lats, py::handle lons, py::handle nodata);
  std::tuple<py::array_t<double>, py::array_t<double>, py::array_t<double>, py::array_t<float>>
  profile(double lat1, double lon1, double lat2, double lon2, std::optional<double> step,
          std::optional<long> samples, py::handle nodata);

 private:
  void closeLocked() noexcept;

  std::shared_ptr<TessaglyphArea> m_area;
  std::string m_datum;
};

// Interpolation and macro option of a new area; ValueError when a file's script cannot read
// with the mode. Call it holding the library's lock.
void setAreaReading(TessaglyphArea& area, TG_M_INTERPOLATIONMODES mode,
                    TG_S_MACROINTERPOLATIONOPTIONS macro);

void bindArea(py::module_& m);

}  // namespace tg::python
