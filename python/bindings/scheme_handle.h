// The scheme a Python Scheme object holds, shared with the Element views made from it.
#pragma once

#include "model/scheme_document.h"

namespace lumi::python {

struct SchemeHandle {
  explicit SchemeHandle(SchemeDocument d) : document(std::move(d)) {}
  SchemeDocument document;
};

}  // namespace lumi::python
