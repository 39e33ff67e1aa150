"""The results of one traced scheme, as plain Python objects and NumPy arrays."""

from typing import NamedTuple, Optional

import numpy as np

from . import _core


class BestFocus(NamedTuple):
    """The best focus of a focal plane: the first shift with the smallest RMS radius (d, rms)
    and the first with the smallest MAX(dX, dY) of the log (d_max, max); None where no shift
    has a number."""

    d: Optional[float]
    rms: Optional[float]
    d_max: Optional[float]
    max: Optional[float]


def _best(shifts: np.ndarray, best_rms: Optional[int], best_max: Optional[int]) -> BestFocus:
    """The best focus from the indexes of the best shifts."""
    d, rms = (None, None) if best_rms is None else (float(shifts["d"][best_rms]),
                                                    float(shifts["rms"][best_rms]))
    d_max, mx = (None, None) if best_max is None else (float(shifts["d"][best_max]),
                                                       float(shifts["max"][best_max]))
    return BestFocus(d, rms, d_max, mx)


class Result:
    """What the tracing of one scheme left.

    log         the diagnostics log's text (decoded from code page 1251)
    rays        the number of rays the source made
    counts      {k: count} for every element: the count its log line gives, None where none
    focus       {k: structured array} for every traced focal plane k, one row per shift with the
                fields d, dx, dy, max (as logged, float32), n (int32), cu, cz, rms (float64)
    best_focus  {k: BestFocus}
    hits(k)     element k's hits (trace with hits=True)
    image(n)    window n's picture (trace with images=True)
    """

    def __init__(self, raw: dict):
        """Wraps the dict that lumirastra._core.trace returns."""
        self.log: str = raw["log"]
        self.rays: int = raw["rays"]
        self.counts = {k: c for k, c in enumerate(raw["counts"], start=1)}
        self.focus = {k: shifts for k, (shifts, _, _) in raw["focus"].items()}
        self.best_focus = {k: _best(*v) for k, v in raw["focus"].items()}
        self._hits = raw["hits"]
        self._images = raw["images"]

    def hits(self, k: int) -> np.ndarray:
        """Element k's hits, one row per hit its window marks, in ray order, as the hit tables
        hold them: ray (from 1), u, v (float32), wavelength (float64), passed (bool). For a focal
        plane, at its shift with the smallest rms; for the lens, each ray's entry then its exit.
        Empty for an element that marks none."""
        if self._hits is None:
            raise ValueError("trace the scheme with hits=True to keep the hits")
        if k not in self.counts:
            raise IndexError(f"element {k} is not in the scheme (1..{len(self.counts)})")
        return self._hits.get(k, np.zeros(0, dtype=_HIT_DTYPE))

    def image(self, n: int) -> np.ndarray:
        """Window n's picture as an H x W x 3 uint8 array (red, green, blue, top row first):
        1 the scheme window, k element k's window, 50 + K the through-focus chart of focal
        plane K. The same pixels as lumirastra-trace's window-NN.png and focus-KK.png."""
        if self._images is None:
            raise ValueError("trace the scheme with images=True to keep the windows' pictures")
        if n not in self._images:
            raise KeyError(f"window {n} is not open; open windows: {sorted(self._images)}")
        return self._images[n]

    @property
    def windows(self) -> list:
        """The numbers of the windows whose pictures were kept."""
        return sorted(self._images or {})

    def __repr__(self) -> str:
        """The ray count and the focal planes."""
        return f"Result(rays={self.rays}, focal planes={sorted(self.focus)})"


_HIT_DTYPE = np.dtype([("ray", "<i4"), ("u", "<f4"), ("v", "<f4"), ("wavelength", "<f8"),
                       ("passed", "?")])


def trace(scheme: "_core.Scheme", images: bool = False, hits: bool = False,
          helpers: Optional[int] = None) -> Result:
    """Traces the scheme as lumirastra-trace traces a file and returns its Result.

    images   keep every window's picture (Result.image)
    hits     keep every element's hits (Result.hits); costs memory per element and ray
    helpers  threads that help each sweep (None: one fewer than the cores; 0: this thread only)

    The GIL is released while tracing; each call has a workspace of its own, so traces in
    several threads run side by side. Raises SchemeError when the scheme is refused."""
    return Result(_core.trace(scheme, images=images, hits=hits, helpers=helpers))
