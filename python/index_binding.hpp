// tessaglyph.Index: the catalogue of source files and scripts, and areas prepared from it.
#pragma once

#include "python_support.hpp"

namespace tg::python {

void bindIndex(py::module_& m);

}  // namespace tg::python
