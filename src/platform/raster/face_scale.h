// How large to render a face so that its character cell and average character width come out at
// the pixel sizes a font spec asks for.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

namespace lumi {

struct FaceScale {
  double em_x = 0;  // horizontal and vertical em size, pixels
  double em_y = 0;
  int ascent = 0;  // pixels of the cell above the baseline
};

// height: the cell (the face's Windows ascent + descent); width: the average character width,
// 0 for the face's own proportions.
FaceScale scale_for_cell(FT_Face face, int height, int width);

// The face's average character width in font units, in the sense of the fonts the specs were
// written for: the mean advance of the lower-case letters and the space weighted by their
// frequency in English text.
double average_char_width(FT_Face face);

}  // namespace lumi
