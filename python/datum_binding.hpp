// tessaglyph.convert: positions from one datum to another, as arrays.
#pragma once

#include "python_support.hpp"

namespace tg::python {

void bindDatum(py::module_& m);

}  // namespace tg::python
