"""LumiRastra from Python: read and change scheme files, trace them, sweep their parameters.

    import lumirastra
    scheme = lumirastra.Scheme.read("examples/newton-telescope.ops")
    scheme[3].set(5, 301.0)                  # element 3, slot 5 (Xo)
    result = lumirastra.trace(scheme)
    result.best_focus[4].rms                 # RMS radius at the best focus of focal plane 4

A change the program would refuse raises lumirastra.SchemeError with the tracer's message.
"""

from ._core import Element, Scheme, SchemeError, Slot
from .result import BestFocus, Result, trace
from .sweep import sweep

__all__ = ["BestFocus", "Element", "Result", "Scheme", "SchemeError", "Slot", "sweep", "trace"]
