// The compiled part of the Python package `tessaglyph`: the library's errors as
// tessaglyph.Error, its reserved values, and the classes and functions of each subject.
#include <pybind11/pybind11.h>

#include "area_binding.hpp"
#include "datum_binding.hpp"
#include "file_binding.hpp"
#include "index_binding.hpp"
#include "python_support.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/machine.hpp"

namespace py = pybind11;

PYBIND11_MODULE(_tessaglyph, m) {
  m.doc() = "The compiled part of tessaglyph; import tessaglyph instead.";
  // tessaglyph.Error(number, source, description), defined in Python; held for the life of the
  // process, as the interpreter may outlive this module's statics.
  static py::handle errorClass =
      py::object(py::module_::import("tessaglyph._error").attr("Error")).release();
  py::register_exception_translator([](std::exception_ptr raised) {
    try {
      if (raised) std::rethrow_exception(raised);
    } catch (const tg::Error& error) {
      const py::tuple arguments = py::make_tuple(error.number(), tg::python::text(error.source()),
                                                 tg::python::text(error.description()));
      PyErr_SetObject(errorClass.ptr(), arguments.ptr());
    }
  });

  m.attr("NONEXISTENT_POINT") = float(tg::TG_M_DPEC_NONEXISTENTPOINT);
  m.attr("NOT_ENOUGH_INTERP_DATA") = float(tg::TG_M_DPEC_NOTENOUGHINTERPDATA);
  m.attr("RETRIEVAL_ERROR") = float(tg::TG_M_DPEC_RETRIEVALERROR);

  tg::python::bindFile(m);
  tg::python::bindArea(m);
  tg::python::bindIndex(m);
  tg::python::bindDatum(m);
}
