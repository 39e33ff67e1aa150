// trace(): one scheme traced in a workspace of its own with the GIL released, its results handed
// to Python as plain objects and NumPy arrays (lumirastra.Result wraps them), so they pickle and
// travel between the processes of a cluster.
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <cstring>
#include <optional>

#include "bindings.h"
#include "platform/batch/batch_trace.h"
#include "scheme_handle.h"

namespace py = pybind11;

namespace lumi::python {

namespace {

template <class T>
py::array_t<T> array_of(const std::vector<T>& rows) {
  py::array_t<T> array(static_cast<py::ssize_t>(rows.size()));
  if (!rows.empty()) std::memcpy(array.mutable_data(), rows.data(), rows.size() * sizeof(T));
  return array;
}

// H x W x 3 bytes, red, green, blue, top row first.
py::array_t<std::uint8_t> rgb_array(const Image& image) {
  py::array_t<std::uint8_t> array({image.height, image.width, 3});
  std::uint8_t* out = array.mutable_data();
  for (const Pixel p : image.pixels) {
    *out++ = static_cast<std::uint8_t>(p >> 16);
    *out++ = static_cast<std::uint8_t>(p >> 8);
    *out++ = static_cast<std::uint8_t>(p);
  }
  return array;
}

py::object index_or_none(const std::optional<int>& i) {
  return i ? py::object(py::int_(*i)) : py::object(py::none());
}

// Hits and images are None unless they were asked for.
py::dict as_python(const BatchOutcome& out, const BatchOptions& asked) {
  py::dict focus;
  for (const FocusSweep& sweep : out.results.focus) {
    focus[py::int_(sweep.k)] = py::make_tuple(array_of(sweep.shifts), index_or_none(sweep.best_rms),
                                              index_or_none(sweep.best_max));
  }
  py::dict hits, images;
  for (const auto& [k, rows] : out.hits) hits[py::int_(k)] = array_of(rows);
  for (const auto& [w, image] : out.images) images[py::int_(w)] = rgb_array(image);
  py::dict d;
  d["log"] = out.log;
  d["rays"] = out.rays;
  d["counts"] = out.results.counts;
  d["focus"] = focus;
  d["hits"] = asked.hits ? py::object(hits) : py::object(py::none());
  d["images"] = asked.images ? py::object(images) : py::object(py::none());
  return d;
}

}  // namespace

void bind_trace(py::module_& m) {
  // The rows of Result.focus[k] and Result.hits(k), field for field as the core keeps them.
  PYBIND11_NUMPY_DTYPE(ShiftStats, d, dx, dy, max, n, cu, cz, rms);
  PYBIND11_NUMPY_DTYPE(HitRow, ray, u, v, wavelength, passed);
  m.def(
      "trace",
      [](const SchemeHandle& scheme, bool images, bool hits, std::optional<int> helpers) {
        BatchOptions options{images, hits, helpers};
        if (helpers && *helpers < 0) throw py::value_error("helpers: не меньше 0");
        const SchemeDocument document = scheme.document;  // the caller may change it meanwhile
        BatchOutcome out;
        {
          py::gil_scoped_release released;
          out = trace_document(document, options);
        }
        return as_python(out, options);
      },
      py::arg("scheme"), py::arg("images") = false, py::arg("hits") = false,
      py::arg("helpers") = py::none(),
      "Traces the scheme as lumirastra-trace traces a file, in a workspace of its own and without "
      "the GIL; returns the raw results as a dict (lumirastra.trace wraps them in a Result). "
      "Raises SchemeError when the scheme is refused.");
}

}  // namespace lumi::python
