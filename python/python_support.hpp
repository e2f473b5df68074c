// What every part of the Python module shares: the lock that keeps Python threads out of the
// library one at a time, texts and paths between Python and the library, the names of the
// interpolation modes, and numpy arrays of positions and values.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "tessaglyph/area.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/types.hpp"

namespace tg::python {

namespace py = pybind11;

// The library runs on one thread at a time. A call into it lets other Python threads run (the
// GIL is released) but keeps them out of the library until it is done. Nothing inside may touch
// a Python object.
std::mutex& libraryMutex();
class LibraryCall {
 public:
  LibraryCall() : m_lock(libraryMutex()) {}

 private:
  py::gil_scoped_release m_release;  // released first, taken back last
  std::lock_guard<std::mutex> m_lock;
};

// A library text (bytes) as str; bytes that are not UTF-8 come through as surrogate escapes,
// as os.fsdecode gives file names.
py::str text(const std::string& bytes);
// A str, bytes or os.PathLike argument as the library's bytes (os.fsencode).
std::string pathArgument(py::handle value, const char* name);
// FileNotFoundError for a source file that is not there (rather than the script's refusal).
void requireExistingFile(const std::string& path);

// "none", "closest", "4point", "12point".
TG_M_INTERPOLATIONMODES interpolationMode(const std::string& name);
const char* interpolationName(TG_M_INTERPOLATIONMODES mode);
// "closest", "available", "merge", "low", "error".
TG_S_MACROINTERPOLATIONOPTIONS macroOption(const std::string& name);
const char* macroName(TG_S_MACROINTERPOLATIONOPTIONS option);

// The reserved values a read gives instead of a value.
inline bool isReserved(Single value) {
  return value == Single(TG_M_DPEC_NONEXISTENTPOINT) ||
         value == Single(TG_M_DPEC_NOTENOUGHINTERPDATA) ||
         value == Single(TG_M_DPEC_RETRIEVALERROR);
}

// Latitudes and longitudes from numpy arrays (or anything numpy makes an array of) of real
// numbers, without a copy where they are already float64, strided views included. Both have
// the same shape, which answers keep; every position is finite.
class Positions {
 public:
  Positions(py::handle lats, py::handle lons);
  std::size_t size() const { return m_size; }
  double lat(std::size_t i) const { return at(m_lats, m_latStride, i); }
  double lon(std::size_t i) const { return at(m_lons, m_lonStride, i); }
  const std::vector<py::ssize_t>& shape() const { return m_shape; }

 private:
  static double at(const char* data, py::ssize_t stride, std::size_t i) {
    return *reinterpret_cast<const double*>(data + py::ssize_t(i) * stride);
  }
  py::array m_latArray, m_lonArray;
  const char* m_lats = nullptr;
  const char* m_lons = nullptr;
  py::ssize_t m_latStride = 0, m_lonStride = 0;
  std::size_t m_size = 0;
  std::vector<py::ssize_t> m_shape;
};

// The value to put in place of the reserved values: none (keep them) or a number.
struct NoData {
  bool map = false;
  float value = 0;
  explicit NoData(py::handle nodata);
  float operator()(float read) const { return map && isReserved(read) ? value : read; }
};

}  // namespace tg::python
