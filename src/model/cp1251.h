// Conversion between UTF-8 (the program's own texts) and code page 1251 (files), through iconv.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumi {

// Characters without a code page 1251 form become '?'.
std::string utf8_to_cp1251(std::string_view utf8);
std::string cp1251_to_utf8(std::string_view cp1251);

// True when the bytes form valid UTF-8.
bool is_valid_utf8(std::string_view bytes);

// The first `n` characters (code points) of a UTF-8 text, padded with blanks to `n` when shorter.
std::string utf8_fixed_width(std::string_view utf8, int n);

}  // namespace lumi
