#include "python_support.hpp"

#include <pybind11/stl.h>

#include <cerrno>
#include <cmath>
#include <filesystem>

namespace tg::python {

std::mutex& libraryMutex() {
  static std::mutex mutex;
  return mutex;
}

py::str text(const std::string& bytes) {
  PyObject* decoded =
      PyUnicode_DecodeUTF8(bytes.data(), py::ssize_t(bytes.size()), "surrogateescape");
  if (!decoded) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(decoded);
}

std::string pathArgument(py::handle value, const char* name) {
  if (!py::isinstance<py::str>(value) && !py::isinstance<py::bytes>(value) &&
      !py::hasattr(value, "__fspath__")) {
    throw py::type_error(std::string(name) + " must be a path (str, bytes or os.PathLike), not " +
                         std::string(py::str(py::type::of(value).attr("__name__"))));
  }
  const py::bytes encoded = py::module_::import("os").attr("fsencode")(value);
  return std::string(encoded);
}

void requireExistingFile(const std::string& path) {
  std::error_code code;
  if (std::filesystem::exists(path, code)) return;
  const py::object error =
      py::module_::import("builtins").attr("FileNotFoundError")(ENOENT, "No such file", text(path));
  PyErr_SetObject(error.get_type().ptr(), error.ptr());
  throw py::error_already_set();
}

namespace {

struct ModeName {
  const char* name;
  TG_M_INTERPOLATIONMODES mode;
};
constexpr ModeName kModes[] = {{"none", TG_M_IM_NONE},
                               {"closest", TG_M_IM_CLOSESTPOINT},
                               {"4point", TG_M_IM_4POINT},
                               {"12point", TG_M_IM_12POINT}};

struct MacroName {
  const char* name;
  TG_S_MACROINTERPOLATIONOPTIONS option;
};
constexpr MacroName kMacros[] = {{"closest", TG_S_MIO_DEFAULTTOCLOSESTPOINT},
                                 {"available", TG_S_MIO_USEAVAILDATA},
                                 {"merge", TG_S_MIO_MERGEFILEDATA},
                                 {"low", TG_S_MIO_RETURNLOWELEVATION},
                                 {"error", TG_S_MIO_RAISEERROR}};

// One position array as float64, refusing what is not an array of real numbers.
py::array positionArray(py::handle value, const char* name) {
  py::array array = py::array::ensure(value);
  if (!array) throw py::type_error(std::string(name) + " must be an array of numbers");
  const char kind = array.dtype().kind();
  if (kind != 'f' && kind != 'i' && kind != 'u') {
    throw py::type_error(std::string(name) + " must hold real numbers, not " +
                         std::string(py::str(array.dtype())));
  }
  // float64 arrays, strided or not, are read where they lie; anything else becomes a float64
  // copy, and so does an array of more (or fewer) than one dimension, read as one run.
  if (array.ndim() == 1) return py::array_t<double, py::array::forcecast>::ensure(array);
  return py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(array);
}

}  // namespace

TG_M_INTERPOLATIONMODES interpolationMode(const std::string& name) {
  for (const ModeName& entry : kModes) {
    if (name == entry.name) return entry.mode;
  }
  throw py::value_error("unknown interpolation \"" + name +
                        "\" (none, closest, 4point or 12point)");
}

const char* interpolationName(TG_M_INTERPOLATIONMODES mode) {
  for (const ModeName& entry : kModes) {
    if (mode == entry.mode) return entry.name;
  }
  return "none";
}

TG_S_MACROINTERPOLATIONOPTIONS macroOption(const std::string& name) {
  for (const MacroName& entry : kMacros) {
    if (name == entry.name) return entry.option;
  }
  throw py::value_error("unknown macro option \"" + name +
                        "\" (closest, available, merge, low or error)");
}

const char* macroName(TG_S_MACROINTERPOLATIONOPTIONS option) {
  for (const MacroName& entry : kMacros) {
    if (option == entry.option) return entry.name;
  }
  return "closest";
}

Positions::Positions(py::handle lats, py::handle lons)
    : m_latArray(positionArray(lats, "lats")), m_lonArray(positionArray(lons, "lons")) {
  const auto shapeOf = [](const py::array& array) {
    return std::vector<py::ssize_t>(array.shape(), array.shape() + array.ndim());
  };
  m_shape = shapeOf(m_latArray);
  if (m_shape != shapeOf(m_lonArray)) {
    throw py::value_error("lats and lons must have the same shape, not " +
                          std::string(py::str(py::tuple(py::cast(m_shape)))) + " and " +
                          std::string(py::str(py::tuple(py::cast(shapeOf(m_lonArray))))));
  }
  m_size = std::size_t(m_latArray.size());
  m_lats = static_cast<const char*>(m_latArray.data());
  m_lons = static_cast<const char*>(m_lonArray.data());
  m_latStride = m_latArray.ndim() == 1 ? m_latArray.strides(0) : py::ssize_t(sizeof(double));
  m_lonStride = m_lonArray.ndim() == 1 ? m_lonArray.strides(0) : py::ssize_t(sizeof(double));
  std::size_t bad = m_size;
  {
    py::gil_scoped_release release;
    for (std::size_t i = 0; i < m_size; ++i) {
      if (!std::isfinite(lat(i)) || !std::isfinite(lon(i))) {
        bad = i;
        break;
      }
    }
  }
  if (bad < m_size) {
    throw py::value_error("position " + std::to_string(bad) + " (" + std::to_string(lat(bad)) +
                          ", " + std::to_string(lon(bad)) + ") is not a finite number");
  }
}

NoData::NoData(py::handle nodata) {
  if (nodata.is_none()) return;
  map = true;
  value = py::cast<float>(py::float_(py::reinterpret_borrow<py::object>(nodata)));
}

}  // namespace tg::python
