// Scheme and Element: a scheme file held as a SchemeDocument, changed through the document's
// checked changes, so a change the program would refuse raises SchemeError with the program's
// message and leaves the scheme as it was.
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <vector>
#include <memory>
#include <string>

#include "bindings.h"
#include "model/element_kinds.h"
#include "model/scheme_document.h"
#include "model/scheme_error.h"
#include "scheme_handle.h"

namespace py = pybind11;

namespace lumi::python {

namespace {

// One slot of an element as Element.slots gives it.
struct Slot {
  int number = 0;
  std::string name;
  std::string unit;
  std::string help;
  float value = 0.0f;
};

// Element k of a scheme, by reference: it sees the scheme's later changes.
struct Element {
  std::shared_ptr<SchemeHandle> scheme;
  int k = 0;

  const ElementRecord& record() const {
    if (k > scheme->document.count()) {
      throw py::index_error("элемента " + std::to_string(k) + " в схеме больше нет");
    }
    return scheme->document.element(k);
  }
};

std::map<int, Slot> slots_of(const ElementRecord& record) {
  std::map<int, Slot> slots;
  for (int s = 1; s <= record.parameter_count() + 2; ++s) {
    const SlotDescription d = describe_slot(record, s);
    slots[s] = Slot{s, d.name, std::string(d.unit), std::string(d.help), record.slot(s)};
  }
  return slots;
}

std::string kind_name(const ElementRecord& record) {
  const ElementKind* kind = kind_of(record);
  return kind ? std::string(kind->kind_name) : std::string();
}

int checked_index(const SchemeHandle& s, int k) {
  if (k < 1 || k > s.document.count()) {
    throw py::index_error("номер элемента " + std::to_string(k) + " вне 1.." +
                          std::to_string(s.document.count()));
  }
  return k;
}

// A change from Python is made as the tracer's --set K.S=VALUE makes it: the value as the text
// Python prints for it, read as the reader reads a field. A refused change then gives the
// tracer's message for it, the reason why a value is out of range included.
SlotOverride override_of(int k, int slot, double value) {
  return {k, slot, py::repr(py::float_(value)).cast<std::string>()};
}

// The changes made one after another in the order given, then checked once, as the tracer's
// --set options are.
SchemeDocument with_changes(const SchemeDocument& document,
                            const std::vector<SlotOverride>& changes) {
  std::vector<SlotOrigin> origins;
  SchemeDocument changed = document.with_overrides(changes, origins);
  changed.check({nullptr, origins});
  return changed;
}

// {(k, slot): value} in the dict's own order.
std::vector<SlotOverride> overrides_of(const py::dict& changes) {
  std::vector<SlotOverride> overrides;
  for (const auto& [key, value] : changes) {
    const auto [k, slot] = key.cast<std::pair<int, int>>();
    overrides.push_back(override_of(k, slot, value.cast<double>()));
  }
  return overrides;
}

void bind_slot_and_element(py::module_& m) {
  py::class_<Slot>(m, "Slot",
                   "One slot of an element's record: its number, name, unit, help and value.")
      .def_readonly("number", &Slot::number, "The slot's number, from 1.")
      .def_readonly("name", &Slot::name,
                    "The slot's name as messages give it: \"D\", \"Xo\", \"R1\".")
      .def_readonly("unit", &Slot::unit, "\"ед.\" (scheme length units), \"°\", \"мкм\" or empty.")
      .def_readonly("help", &Slot::help, "One line on what the slot means.")
      .def_readonly("value", &Slot::value, "The value (single precision, as the file reads).")
      .def("__repr__", [](const Slot& s) {
        return "Slot(" + std::to_string(s.number) + ", " + s.name + "=" +
               py::repr(py::float_(s.value)).cast<std::string>() +
               (s.unit.empty() ? "" : " " + s.unit) + ")";
      });

  py::class_<Element>(m, "Element", "Element k of a scheme, numbered from 1 as in the log.")
      .def_property_readonly(
          "k", [](const Element& e) { return e.k; }, "The element's number.")
      .def_property_readonly(
          "code", [](const Element& e) { return e.record().code(); },
          "The type code (slot 1), negative when the element is switched off.")
      .def_property_readonly(
          "name", [](const Element& e) { return kind_name(e.record()); },
          "The kind's name, as messages name it (empty for an unknown code).")
      .def_property(
          "on", [](const Element& e) { return e.record().code() >= 0.0f; },
          [](Element& e, bool on) { e.scheme->document.set_on(checked_index(*e.scheme, e.k), on); },
          "Whether the element is switched on; setting it switches the element, checked.")
      .def_property_readonly(
          "slots", [](const Element& e) { return slots_of(e.record()); },
          "The slots the file gives (1 to n + 2) as {number: Slot}.")
      .def(
          "set",
          [](Element& e, int slot, double value) {
            SchemeDocument& document = e.scheme->document;
            const SlotOverride change = override_of(checked_index(*e.scheme, e.k), slot, value);
            document = with_changes(document, {change});
          },
          py::arg("slot"), py::arg("value"),
          "Sets slot `slot` to `value`, checked as lumirastra-trace checks --set K.S=value; "
          "raises SchemeError with the tracer's message and changes nothing when refused.")
      .def("__repr__", [](const Element& e) {
        return "Element(" + std::to_string(e.k) +
               ", code=" + py::repr(py::float_(e.record().code())).cast<std::string>() + ", " +
               kind_name(e.record()) + ")";
      });
}

}  // namespace

namespace {

using Handle = std::shared_ptr<SchemeHandle>;
using SchemeClass = py::class_<SchemeHandle, Handle>;

// Reading, writing and copying whole schemes.
void bind_scheme_files(SchemeClass& c) {
  c.def_static(
       "read",
       [](const std::filesystem::path& path) {
         return std::make_shared<SchemeHandle>(SchemeDocument::read(path.string()));
       },
       py::arg("path"), "Reads a scheme file; raises SchemeError when the reader refuses it.")
      .def_static(
          "parse",
          [](const py::object& text, const std::string& label) {
            const std::string bytes = py::isinstance<py::bytes>(text)
                                          ? text.cast<std::string>()
                                          : py::str(text).cast<std::string>();  // UTF-8
            return std::make_shared<SchemeHandle>(SchemeDocument::parse(bytes, label));
          },
          py::arg("text"), py::arg("label") = "схема.ops",
          "Reads a scheme from its text: str (as UTF-8) or the file's bytes; `label` names it in "
          "messages. Raises SchemeError.")
      .def(
          "save",
          [](const SchemeHandle& s, const std::filesystem::path& path) {
            s.document.save(path.string());
          },
          py::arg("path"), "Writes the file; an unchanged scheme writes its own bytes.")
      .def(
          "check", [](const SchemeHandle& s) { s.document.check(); },
          "Raises SchemeError when the whole-scheme checks refuse the scheme.")
      .def_property_readonly(
          "label", [](const SchemeHandle& s) { return s.document.label(); },
          "The name messages give the scheme: its path, or the label parsed with.")
      .def(
          "bytes", [](const SchemeHandle& s) { return py::bytes(s.document.bytes()); },
          "The file's bytes as save would write them.")
      .def(
          "copy", [](const SchemeHandle& s) { return std::make_shared<SchemeHandle>(s); },
          "An independent copy.")
      .def(py::pickle(
          [](const SchemeHandle& s) {
            return py::make_tuple(py::bytes(s.document.bytes()), s.document.label());
          },
          [](const py::tuple& t) {
            return std::make_shared<SchemeHandle>(
                SchemeDocument::parse(t[0].cast<std::string>(), t[1].cast<std::string>()));
          }));
}

// The elements and the checked changes.
void bind_scheme_elements(SchemeClass& c) {
  c.def(
       "__len__", [](const SchemeHandle& s) { return s.document.count(); },
       "The number of elements.")
      .def(
          "__getitem__",
          [](const Handle& s, int k) {
            return Element{s, checked_index(*s, k)};
          },
          py::arg("k"), "Element k, from 1 as in the log.")
      .def(
          "__iter__",
          [](const Handle& s) {
            py::list elements;
            for (int k = 1; k <= s->document.count(); ++k) elements.append(Element{s, k});
            return py::iter(elements);
          },
          "The elements in order.")
      .def(
          "insert", [](SchemeHandle& s, int before, int code) { s.document.insert(before, code); },
          py::arg("before"), py::arg("code"),
          "Inserts a new element of kind `code` (its initial record, placed in the middle of the "
          "scheme window) before element `before`, checked; raises SchemeError when refused.")
      .def(
          "remove", [](SchemeHandle& s, int k) { s.document.remove(k); }, py::arg("k"),
          "Removes element k, checked; raises SchemeError when refused.")
      .def(
          "with_changes",
          [](const SchemeHandle& s, const py::dict& changes) {
            return std::make_shared<SchemeHandle>(with_changes(s.document, overrides_of(changes)));
          },
          py::arg("changes"),
          "A new scheme with the changes {(k, slot): value} made in the dict's order, checked "
          "once at the end as lumirastra-trace's --set options are; raises SchemeError with the "
          "tracer's message when refused. This scheme stays as it is.");
}

}  // namespace

void bind_scheme(py::module_& m) {
  py::register_exception<SchemeError>(m, "SchemeError", PyExc_ValueError).doc() =
      "A scheme or a change that the program refuses; the message is the tracer's: the file, "
      "the line or the --set K.S it came from, and why.";
  bind_slot_and_element(m);
  SchemeClass scheme(m, "Scheme", "A scheme file held in memory, changed checked.");
  bind_scheme_files(scheme);
  bind_scheme_elements(scheme);
  scheme.def("__repr__", [](const SchemeHandle& s) {
    return "Scheme(" + s.document.label() + ", " + std::to_string(s.document.count()) +
           " elements)";
  });
}

}  // namespace lumi::python
