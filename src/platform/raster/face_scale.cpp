// Font units to pixel sizes. The average width follows the definition of the OS/2 table before
// version 3 (a frequency-weighted mean of a..z and the space), the one the fonts named in the
// specs carry. Newer tables average every glyph instead, Cyrillic and symbols included, which
// for a metric-compatible stand-in gives a value some 40% larger and so text far narrower than on
// the system the specs come from; such faces get the weighted mean computed from their advances.
#include "platform/raster/face_scale.h"

#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <utility>

namespace lumi {

namespace {

// Weights per thousand of the lower-case letters and the space.
constexpr std::pair<char, int> kLetterWeights[] = {
    {'a', 64}, {'b', 14}, {'c', 27}, {'d', 35}, {'e', 100}, {'f', 20}, {'g', 14},
    {'h', 42}, {'i', 63}, {'j', 3},  {'k', 6},  {'l', 35},  {'m', 20}, {'n', 56},
    {'o', 56}, {'p', 17}, {'q', 4},  {'r', 49}, {'s', 56},  {'t', 71}, {'u', 31},
    {'v', 10}, {'w', 18}, {'x', 3},  {'y', 18}, {'z', 2},   {' ', 166}};

// The weighted mean from the face's advances, or 0 when a letter is missing.
double weighted_letter_width(FT_Face face) {
  double sum = 0;
  for (const auto& [letter, weight] : kLetterWeights) {
    const FT_UInt index = FT_Get_Char_Index(face, FT_ULong(letter));
    if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE) != 0) return 0;
    sum += double(face->glyph->metrics.horiAdvance) * weight;
  }
  return sum / 1000.0;
}

const TT_OS2* os2_table(FT_Face face) {
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  return os2 && os2->version != 0xFFFF ? os2 : nullptr;
}

}  // namespace

double average_char_width(FT_Face face) {
  const TT_OS2* os2 = os2_table(face);
  if (os2 && os2->version < 3 && os2->xAvgCharWidth > 0) return os2->xAvgCharWidth;
  if (const double weighted = weighted_letter_width(face); weighted > 0) return weighted;
  if (os2 && os2->xAvgCharWidth > 0) return os2->xAvgCharWidth;
  return face->units_per_EM > 0 ? face->units_per_EM / 2.0 : 1024.0;
}

FaceScale scale_for_cell(FT_Face face, int height, int width) {
  const double units = face->units_per_EM > 0 ? face->units_per_EM : 2048.0;
  const TT_OS2* os2 = os2_table(face);
  const bool windows_cell = os2 && os2->usWinAscent + os2->usWinDescent > 0;
  const double ascent = windows_cell ? os2->usWinAscent : face->ascender;
  double cell = windows_cell ? double(os2->usWinAscent) + os2->usWinDescent
                             : double(face->ascender) - face->descender;
  if (cell <= 0) cell = units;

  FaceScale scale;
  scale.em_y = height * units / cell;
  scale.em_x = width > 0 ? width * units / average_char_width(face) : scale.em_y;
  scale.ascent = int(std::lround(height * ascent / cell));
  return scale;
}

}  // namespace lumi
