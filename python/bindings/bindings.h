// The parts of the module lumirastra._core, one file per concept: the scheme being changed and
// the trace of one scheme. The core they bind knows nothing of Python.
#pragma once

#include <pybind11/pybind11.h>

namespace lumi::python {

void bind_scheme(pybind11::module_& m);
void bind_trace(pybind11::module_& m);

}  // namespace lumi::python
