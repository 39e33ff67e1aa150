// One numeric field of a scheme file, read as a Fortran F input field with blanks ignored.
#pragma once

#include <string_view>

namespace lumi {

enum class FieldStatus { kNumber, kNotANumber, kTooLarge };

struct FieldValue {
  FieldStatus status = FieldStatus::kNumber;
  float value = 0.0f;
};

// Blanks anywhere are ignored and an all-blank field is 0. The shape is an optional sign, digits
// with an optional point, and an optional exponent introduced by E, e, D or d, or by its own sign
// alone ("1.5+3" is 1500). A lone sign or point reads 0. The value is the decimal number correctly
// rounded to single precision; one beyond the float range is kTooLarge, one below it becomes 0.
FieldValue read_numeric_field(std::string_view field);

// Why a field that is no value is refused: "не число", or "число вне диапазона одинарной точности".
std::string_view refusal_reason(FieldStatus status);

}  // namespace lumi
