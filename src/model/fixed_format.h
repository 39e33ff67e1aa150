// Fortran-style fixed fields for every number the program writes: Fw.d and Iw.
#pragma once

#include <string>

namespace lumi {

// Fw.d: right-aligned in `width` columns with exactly `decimals` digits after the point (the point
// is printed when decimals is 0). Rounds the exact binary value, ties to even, and keeps the minus
// sign of a negative value that rounds to zero. When the text is one column too wide and starts
// with "0." or "-0.", the leading zero is dropped (if a digit remains); a value that still does not
// fit, or is not finite, fills the whole field with asterisks.
std::string format_f(double value, int width, int decimals);

// Iw: right-aligned in `width` columns; asterisks when it does not fit.
std::string format_i(long long value, int width);

}  // namespace lumi
