// UTF-8 <-> code page 1251. Reading goes through iconv, each call with its own conversion
// descriptor, so it is safe from any thread. Writing uses a table of the code page's upper half,
// taken from iconv once at start-up, so that the log lines written while tracing need no memory.
#include "model/cp1251.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdint>

namespace lumi {

namespace {

// Length of the UTF-8 character that starts `bytes`: its lead byte and the continuation bytes
// that follow, at most as many as the lead byte announces. A stray byte counts as one character.
std::size_t utf8_sequence_length(std::string_view bytes) {
  const auto lead = static_cast<unsigned char>(bytes[0]);
  std::size_t expected = 1;
  if (lead >= 0xF0 && lead <= 0xF7) expected = 4;
  else if (lead >= 0xE0 && lead <= 0xEF) expected = 3;
  else if (lead >= 0xC0 && lead <= 0xDF) expected = 2;
  std::size_t length = 1;
  while (length < expected && length < bytes.size() &&
         (static_cast<unsigned char>(bytes[length]) & 0xC0u) == 0x80u) {
    ++length;
  }
  return length;
}

// Converts code page 1251 to UTF-8 with iconv; a byte it cannot convert becomes '?'.
std::string convert_to_utf8(std::string_view input) {
  std::string output;
  iconv_t cd = iconv_open("UTF-8", "CP1251");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(input);

  std::string chunk(4 * input.size() + 16, '\0');
  char* in = const_cast<char*>(input.data());
  std::size_t in_left = input.size();
  while (in_left > 0) {
    char* out = chunk.data();
    std::size_t out_left = chunk.size();
    const std::size_t rc = iconv(cd, &in, &in_left, &out, &out_left);
    output.append(chunk.data(), chunk.size() - out_left);
    if (rc != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // EILSEQ: replace the byte and go on.
    output += '?';
    ++in;
    --in_left;
  }
  iconv_close(cd);
  return output;
}

// The character at the start of well-formed UTF-8: its code point and length. Overlong forms,
// UTF-16 surrogates and values beyond Unicode are not well formed.
struct Decoded {
  bool ok = false;
  char32_t code = 0;
  std::size_t length = 1;
};

Decoded decode_utf8(std::string_view bytes) {
  const auto lead = static_cast<unsigned char>(bytes[0]);
  if (lead < 0x80) return {true, lead, 1};
  std::size_t length = 0;
  char32_t code = 0;
  char32_t min_code = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, code = lead & 0x1Fu, min_code = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, code = lead & 0x0Fu, min_code = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, code = lead & 0x07u, min_code = 0x10000;
  } else {
    return {};
  }
  if (length > bytes.size()) return {};
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(bytes[k]);
    if ((next & 0xC0u) != 0x80u) return {};
    code = (code << 6) | (next & 0x3Fu);
  }
  if (code < min_code || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {};
  return {true, code, length};
}

// The code points of bytes 0x80 to 0xFF, as iconv reads them; 0 for a byte it does not know.
using UpperHalf = std::array<char32_t, 128>;

const UpperHalf& upper_half() {
  static const UpperHalf table = [] {
    UpperHalf codes{};
    for (std::size_t b = 0; b < codes.size(); ++b) {
      const std::string utf8 = cp1251_to_utf8(std::string(1, static_cast<char>(0x80 + b)));
      const Decoded d = decode_utf8(utf8);
      if (d.ok && d.length == utf8.size() && d.code >= 0x80) codes[b] = d.code;
    }
    return codes;
  }();
  return table;
}

// Built before main, so that no conversion while tracing has to build it.
const UpperHalf& kUpperHalfAtStart = upper_half();

}  // namespace

std::string utf8_to_cp1251(std::string_view utf8) {
  std::string out(utf8.size(), '\0');
  out.resize(*utf8_to_cp1251(utf8, out));
  return out;
}

std::optional<std::size_t> utf8_to_cp1251(std::string_view utf8, std::span<char> out) {
  const UpperHalf& upper = upper_half();
  std::size_t size = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    if (size == out.size()) return std::nullopt;
    const Decoded d = decode_utf8(utf8.substr(i));
    char byte = '?';
    if (d.ok && d.code < 0x80) {
      byte = static_cast<char>(d.code);
    } else if (d.ok) {
      const auto found = std::find(upper.begin(), upper.end(), d.code);
      if (found != upper.end()) byte = static_cast<char>(0x80 + (found - upper.begin()));
    }
    out[size++] = byte;
    i += d.ok ? d.length : utf8_sequence_length(utf8.substr(i));
  }
  return size;
}

std::string cp1251_to_utf8(std::string_view cp1251) {
  return convert_to_utf8(cp1251);
}

bool is_valid_utf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const Decoded d = decode_utf8(bytes.substr(i));
    if (!d.ok) return false;
    i += d.length;
  }
  return true;
}

std::string utf8_fixed_width(std::string_view utf8, int n) {
  if (n <= 0) return {};
  std::string result;
  int characters = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t length = utf8_sequence_length(utf8.substr(i));
    if (characters == n) break;
    result.append(utf8.substr(i, length));
    ++characters;
    i += length;
  }
  if (characters < n) result.append(static_cast<std::size_t>(n - characters), ' ');
  return result;
}

}  // namespace lumi
