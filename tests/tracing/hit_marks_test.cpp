// Hit marks plotted without choosing their colours, and the last choice made once at the end,
// against the same rays drawn choosing each mark's colour before plotting it: the platform hears
// the same calls, and what is drawn next takes the same colours. Marks left out where an earlier
// mark painted their pixel in their colour leave the same image as every mark plotted.
#include "tracing/hit_marks.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "platform/test_display.h"
#include "support/recording_platform.h"

namespace lumi {
namespace {

struct DrawnRay {
  PixelPoint from, to, mark;
  int color;
};

// Rays with repeated segments and marks, both mark colours, and a last mark in a colour that
// differs from the segments'.
const std::vector<DrawnRay> kRays = {
    {{5, 5}, {40, 30}, {10, 10}, color::kRay},
    {{5, 5}, {40, 30}, {11, 10}, color::kPassingHit},
    {{5, 5}, {40, 30}, {11, 10}, color::kPassingHit},
    {{6, 5}, {41, 31}, {12, 14}, color::kRay},
    {{6, 5}, {41, 31}, {13, 14}, color::kPassingHit},
};

// How an element chooses the marks' colours: in the scheme window, whose segments are drawn in a
// colour chosen again before each (as the lenses and the focal plane do), or in its own window
// (as the mirrors and the grating do).
enum class ChosenIn { kSchemeWindow, kElementWindow };

class Drawing {
 public:
  explicit Drawing(int mark_window) : k_(mark_window) {
    for (int w : {1, 3}) g_.open_element_window(w, 480, 640, "Окно");
    g_.select_window(3, 0);
    g_.select_color(color::kAperture);
    g_.select_window(1, 0);
    g_.select_color(color::kOutline);
    p_.calls.clear();
  }

  void each_color_chosen(ChosenIn chosen_in, const std::vector<DrawnRay>& rays) {
    for (const DrawnRay& r : rays) {
      if (chosen_in == ChosenIn::kSchemeWindow) {
        g_.select_window(1, 0);
        g_.select_color(color::kRay);
        g_.draw_pixel_segment(1, r.from, r.to);
        g_.select_color(r.color);
        g_.plot_pixel(k_, r.mark);
      } else {
        g_.draw_pixel_segment(1, r.from, r.to);
        g_.select_window(k_, 0);
        g_.select_color(r.color);
        g_.plot_pixel(k_, r.mark);
        g_.select_window(1, 0);
      }
    }
  }

  void last_color_chosen(ChosenIn chosen_in, const std::vector<DrawnRay>& rays) {
    HitMarks marks(g_, k_);
    for (const DrawnRay& r : rays) {
      if (chosen_in == ChosenIn::kSchemeWindow) marks.choose_segment_color(color::kRay);
      g_.draw_pixel_segment(1, r.from, r.to);
      marks.plot(r.mark, r.color);
    }
    if (chosen_in == ChosenIn::kSchemeWindow) {
      marks.choose_last_color(1, k_);
    } else {
      marks.choose_last_color(k_, 1);
    }
  }

  // The platform's calls, then those of a pixel and a line drawn in the window left selected in
  // the current colour, and of a line drawn in each window without choosing a colour.
  std::vector<std::string> calls_and_what_follows() {
    const int current = g_.current_color();
    g_.plot_pixel(0, {1, 1});
    g_.draw_to_pixel(0, 2, 2, kLine);
    for (int w : {1, 3}) {
      g_.draw_to_pixel(w, 7, 7, kMove);
      g_.draw_to_pixel(w, 8, 9, kLine);
    }
    std::vector<std::string> calls = p_.calls;
    calls.push_back("current colour " + std::to_string(current));
    return calls;
  }

 private:
  test::RecordingPlatform p_;
  Graphics g_{p_};
  int k_;
};

TEST(HitMarksTest, DrawAsChoosingEachMarksColour) {
  for (const int k : {3, 1}) {
    for (const ChosenIn chosen_in : {ChosenIn::kSchemeWindow, ChosenIn::kElementWindow}) {
      for (const std::size_t n : {kRays.size(), std::size_t{1}, std::size_t{0}}) {
        SCOPED_TRACE("marks in window " + std::to_string(k) + ", chosen in the " +
                     (chosen_in == ChosenIn::kSchemeWindow ? "scheme" : "element") +
                     " window, rays " + std::to_string(n));
        const std::vector<DrawnRay> rays(kRays.begin(),
                                         kRays.begin() + static_cast<std::ptrdiff_t>(n));
        Drawing reference(k), deferred(k);
        reference.each_color_chosen(chosen_in, rays);
        deferred.last_color_chosen(chosen_in, rays);
        EXPECT_EQ(deferred.calls_and_what_follows(), reference.calls_and_what_follows());
      }
    }
  }
}

// Counts the pixels the program asks for.
class CountingDisplay : public test::TestDisplay {
 public:
  void set_pixel_rgb(int x, int y, Rgb rgb) override {
    ++pixels;
    TestDisplay::set_pixel_rgb(x, y, rgb);
  }
  int pixels = 0;
};

// Two elements in turn mark window 3 (the second after the window is cleared): the same pixel
// again in the same colour, after a mark elsewhere and after a mark in the other colour, and
// marks off the image.
TEST(HitMarksTest, MarksOnPixelsPaintedBeforeLeaveTheImageOfEveryMark) {
  struct Mark {
    PixelPoint at;
    int color;
  };
  const std::vector<Mark> marks = {
      {{4, 4}, color::kRay},        {{5, 4}, color::kRay},        {{4, 4}, color::kRay},
      {{6, 2}, color::kPassingHit}, {{6, 2}, color::kRay},        {{6, 2}, color::kPassingHit},
      {{5, 4}, color::kPassingHit}, {{4, 4}, color::kRay},        {{-1, 3}, color::kRay},
      {{3, 2000}, color::kRay},     {{6, 2}, color::kPassingHit}, {{5, 4}, color::kRay},
  };
  const auto draw = [&](CountingDisplay& display, PaintedPixels* painted) {
    Graphics g(display);
    for (int w : {1, 3}) g.open_element_window(w, 24, 32, "Окно");
    std::vector<Image> images;
    for (int element = 0; element < 2; ++element) {
      g.select_window(3, 0);
      g.select_color(color::kBlack);
      g.draw_rectangle(kRectFilled, 0, 0, 31, 23);
      HitMarks hits(g, 3, painted);
      for (const Mark& m : marks) hits.plot(m.at, m.color);
      images.push_back(display.canvas(3)->snapshot());
    }
    return images;
  };
  CountingDisplay every_mark, left_out;
  PaintedPixels painted;
  const std::vector<Image> expected = draw(every_mark, nullptr);
  const std::vector<Image> images = draw(left_out, &painted);
  for (std::size_t element = 0; element < images.size(); ++element) {
    SCOPED_TRACE("element " + std::to_string(element + 1));
    EXPECT_EQ(images[element].pixels, expected[element].pixels);
  }
  // Three marks a time repeat a pixel in the colour it has
  EXPECT_EQ(left_out.pixels, every_mark.pixels - 2 * 3);
}

}  // namespace
}  // namespace lumi
