// Conversion between UTF-8 (the program's own texts) and code page 1251 (files).
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace lumi {

// Characters without a code page 1251 form become '?', as does each malformed sequence.
std::string utf8_to_cp1251(std::string_view utf8);
// The same into `out`, without allocating: the number of bytes written, or nothing when `out` is
// too short. The result is never longer than the input.
std::optional<std::size_t> utf8_to_cp1251(std::string_view utf8, std::span<char> out);
std::string cp1251_to_utf8(std::string_view cp1251);

// True when the bytes form valid UTF-8.
bool is_valid_utf8(std::string_view bytes);

// The first `n` characters (code points) of a UTF-8 text, padded with blanks to `n` when shorter.
std::string utf8_fixed_width(std::string_view utf8, int n);

}  // namespace lumi
