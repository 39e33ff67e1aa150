// lumirastra._core: the compiled half of the Python package lumirastra. The package's
// __init__.py re-exports it with the parts written in Python (Result, sweep).
#include "bindings.h"

PYBIND11_MODULE(_core, m) {
  m.doc() = "LumiRastra's core: scheme files read and changed in memory, and traced.";
  lumi::python::bind_scheme(m);
  lumi::python::bind_trace(m);
}
