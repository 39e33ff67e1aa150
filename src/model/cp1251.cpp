// UTF-8 <-> code page 1251 through iconv. Each call opens its own conversion descriptor, so the
// functions are safe to call from any thread; none of them is on a hot path.
#include "model/cp1251.h"

#include <iconv.h>

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

// Converts with iconv; input it cannot convert (a character with no form in the target, or a
// malformed sequence) becomes one '?' per character and conversion goes on.
std::string convert(std::string_view input, const char* to, const char* from, bool input_is_utf8) {
  std::string output;
  iconv_t cd = iconv_open(to, from);
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
    // EILSEQ or EINVAL: replace one source character and go on.
    const std::size_t skip = input_is_utf8 ? utf8_sequence_length({in, in_left}) : 1;
    output += '?';
    in += skip;
    in_left -= skip;
  }
  iconv_close(cd);
  return output;
}

}  // namespace

std::string utf8_to_cp1251(std::string_view utf8) {
  return convert(utf8, "CP1251", "UTF-8", true);
}

std::string cp1251_to_utf8(std::string_view cp1251) {
  return convert(cp1251, "UTF-8", "CP1251", false);
}

bool is_valid_utf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    std::size_t length = 0;
    std::uint32_t code = 0;
    std::uint32_t min_code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, code = lead & 0x1Fu, min_code = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, code = lead & 0x0Fu, min_code = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, code = lead & 0x07u, min_code = 0x10000;
    } else {
      return false;
    }
    if (i + length > bytes.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0u) != 0x80u) return false;
      code = (code << 6) | (next & 0x3Fu);
    }
    // Overlong forms, UTF-16 surrogates and values beyond Unicode are not UTF-8.
    if (code < min_code || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += length;
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
