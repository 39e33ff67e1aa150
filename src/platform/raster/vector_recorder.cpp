// Vector elements of a window's drawing, written as SVG text as they come.
#include "platform/raster/vector_recorder.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace lumi {

namespace {

std::string color_text(Rgb rgb) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", rgb & 0xFFu, (rgb >> 8) & 0xFFu,
                (rgb >> 16) & 0xFFu);
  return text;
}

std::string number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", v);
  return text;
}

void append_escaped(std::string& out, std::string_view utf8) {
  for (const char c : utf8) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default:
        if (static_cast<unsigned char>(c) >= 0x20) out += c;
    }
  }
}

// "M x y" or "L x y" of a pixel's corner, or of its centre (half: ".5" added to both), written
// straight into the path: the recorder takes every point and line the windows draw.
void append_point(std::string& out, char command, int x, int y, bool half) {
  char text[32];
  char* at = text;
  *at++ = command;
  at = std::to_chars(at, text + sizeof text, x).ptr;
  if (half) at = std::copy_n(".5", 2, at);
  *at++ = ' ';
  at = std::to_chars(at, text + sizeof text, y).ptr;
  if (half) at = std::copy_n(".5", 2, at);
  out.append(text, at);
}

}  // namespace

VectorRecorder::VectorRecorder(int width, int height) : width_(width), height_(height) {}

void VectorRecorder::start_run(Run kind, Rgb rgb) {
  if (run_ == kind && run_rgb_ == rgb && pieces_ < kPiecesPerPath) {
    ++pieces_;
    return;
  }
  end_run();
  pieces_ = 1;
  run_ = kind;
  run_rgb_ = rgb;
}

void VectorRecorder::end_run() {
  if (run_ == Run::kLines) {
    body_ += "<path fill=\"none\" stroke=\"" + color_text(run_rgb_) +
             "\" stroke-linecap=\"square\" d=\"" + path_ + "\"/>\n";
  } else if (run_ == Run::kPoints) {
    body_ += "<path fill=\"" + color_text(run_rgb_) + "\" d=\"" + path_ + "\"/>\n";
  }
  path_.clear();
  run_ = Run::kNone;
}

// A line through the pixels' centres; the square caps cover the end pixels as the canvas does.
void VectorRecorder::solid_line(int x0, int y0, int x1, int y1, Rgb rgb) {
  start_run(Run::kLines, rgb);
  const bool joined = !path_.empty() && last_x_ == x0 && last_y_ == y0;
  if (!joined) append_point(path_, 'M', x0, y0, true);
  append_point(path_, 'L', x1, y1, true);
  last_x_ = x1;
  last_y_ = y1;
}

// A masked line as the canvas walks it: step i along the longer axis lights its pixel where bit
// 15 - (i mod 16) of the mask is set; each run of lit steps is one segment.
void VectorRecorder::line(int x0, int y0, int x1, int y1, Rgb rgb, std::uint16_t mask) {
  if (mask == 0xFFFF) {
    solid_line(x0, y0, x1, y1, rgb);
    return;
  }
  const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
  const auto at = [&](int i, int a, int b) {
    return steps == 0 ? a : a + static_cast<int>(std::lround(double(b - a) * i / steps));
  };
  int first = -1;
  for (int i = 0; i <= steps + 1; ++i) {
    const bool on = i <= steps && ((mask >> (15 - i % 16)) & 1u) != 0;
    if (on && first < 0) first = i;
    if (!on && first >= 0) {
      solid_line(at(first, x0, x1), at(first, y0, y1), at(i - 1, x0, x1), at(i - 1, y0, y1), rgb);
      first = -1;
    }
  }
}

void VectorRecorder::pixel(int x, int y, Rgb rgb) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  start_run(Run::kPoints, rgb);
  append_point(path_, 'M', x, y, false);
  path_ += "h1v1h-1z";
}

void VectorRecorder::filled_rectangle(int x1, int y1, int x2, int y2, Rgb rgb) {
  end_run();
  const int left = std::min(x1, x2), top = std::min(y1, y2);
  body_ += "<rect x=\"" + std::to_string(left) + "\" y=\"" + std::to_string(top) + "\" width=\"" +
           std::to_string(std::abs(x2 - x1) + 1) + "\" height=\"" +
           std::to_string(std::abs(y2 - y1) + 1) + "\" fill=\"" + color_text(rgb) + "\"/>\n";
}

// The text's own frame: turned about the anchor, its baseline `ascent` below it, condensed by
// em_x / em_y across; the length the canvas gave it pins the glyphs' spacing.
void VectorRecorder::text(int x, int y, std::string_view utf8, const TextStyle& style,
                          double advance, Rgb rgb) {
  if (utf8.empty() || style.em_y <= 0.0) return;
  end_run();
  const double squeeze = style.em_x / style.em_y;
  body_ += "<text transform=\"translate(" + std::to_string(x) + " " + std::to_string(y) +
           ") rotate(" + number(-style.rotation / 10.0) + ") scale(" + number(squeeze) +
           " 1)\" y=\"" + std::to_string(style.ascent) + "\" font-family=\"";
  append_escaped(body_, style.family);
  body_ += "\" font-size=\"" + number(style.em_y) + "\" fill=\"" + color_text(rgb) + "\"";
  if (advance > 0.0) {
    body_ += " textLength=\"" + number(advance / squeeze) + "\" lengthAdjust=\"spacingAndGlyphs\"";
  }
  body_ += " xml:space=\"preserve\">";
  append_escaped(body_, utf8);
  body_ += "</text>\n";
}

std::string VectorRecorder::svg() const {
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width_) +
                    "\" height=\"" + std::to_string(height_) + "\" viewBox=\"0 0 " +
                    std::to_string(width_) + " " + std::to_string(height_) + "\">\n";
  out += "<rect width=\"" + std::to_string(width_) + "\" height=\"" + std::to_string(height_) +
         "\" fill=\"#000000\"/>\n";
  out += body_;
  VectorRecorder tail = *this;
  tail.body_.clear();
  tail.end_run();
  out += tail.body_;
  out += "</svg>\n";
  return out;
}

}  // namespace lumi
