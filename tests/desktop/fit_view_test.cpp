// Pictures fitted to their windows: where the picture stands for each mode and screen density,
// Tile fitting every window whole, the per-window and all-window toggles, and the mouse reaching
// the program's handler in canvas pixels through the scaling, so every element is picked.
#include <QAction>
#include <QMdiSubWindow>
#include <QScrollArea>
#include <QTest>

#include "desktop_fixture.h"
#include "shell/interactive.h"

namespace lumi {
namespace {

TEST(DesktopPictureGeometry, OnePixelPerDevicePixelOrFittedWithItsAspect) {
  // A display scale of 2: the 400 x 200 canvas takes 200 x 100 logical pixels, and a logical
  // point covers two canvas pixels.
  const QRectF sharp = picture_rect({400, 200}, {1000, 1000}, false, 2.0);
  EXPECT_EQ(sharp, QRectF(0, 0, 200, 100));
  EXPECT_EQ(canvas_pixel_at({10.25, 5.5}, sharp, {400, 200}), QPoint(20, 11));
  // Fitted into a square: as wide as the widget, centred in height.
  const QRectF fitted = picture_rect({400, 200}, {200, 200}, true, 1.0);
  EXPECT_EQ(fitted, QRectF(0, 50, 200, 100));
  EXPECT_EQ(canvas_pixel_at({0, 50}, fitted, {400, 200}), QPoint(0, 0));
  EXPECT_EQ(canvas_pixel_at({199.9, 149.9}, fitted, {400, 200}), QPoint(399, 199));
  EXPECT_EQ(canvas_pixel_at({100, 100}, fitted, {400, 200}), QPoint(200, 100));
  // Beside the picture the pixel lies beyond the canvas (the handler clamps to the world).
  EXPECT_LT(canvas_pixel_at({100, 10}, fitted, {400, 200}).y(), 0);
}

TEST_F(DesktopTest, DesktopTileFitsEveryPictureWholeAndTheMousePicksThroughIt) {
  start_program(example("all-elements.ops"));
  ASSERT_TRUE(wait_for_interactive());
  // The anchors as the program handed them over: the interactive step keeps writing its own.
  const std::unique_ptr<Scheme> anchors = drawn_anchors();
  const PointerInput& input = program().scheme.input;
  action("Tile")->trigger();
  ASSERT_TRUE(catch_up());
  QTest::qWait(100);  // the scroll areas follow their sub-windows through posted layout events
  for (const auto& [window, caption] : captions()) {
    CanvasView* view = frame().view(window);
    auto* scroll = static_cast<QScrollArea*>(frame().sub_window(window)->widget());
    EXPECT_TRUE(view->fitted()) << window;
    EXPECT_EQ(view->size(), scroll->viewport()->size()) << window;
    EXPECT_TRUE(QRectF(view->rect()).contains(view->picture_rect())) << window;
  }
  EXPECT_TRUE(frame().fit_all_action()->isChecked());

  CanvasView* view = frame().view(1);
  const QSize canvas(platform().canvas(1)->width(), platform().canvas(1)->height());
  const QRectF shown = view->picture_rect();
  ASSERT_LT(shown.width(), canvas.width());  // tiled: scaled down
  // Each element at its anchor, the cylindrical lens (element 6, at the origin) among them.
  for (int k : {6, 1, 2, 9, 11}) {
    const PointF anchor = anchors->pick(k);
    const PixelPoint p = program().graphics.world_to_pixel(1, 1, anchor.x, anchor.y);
    const QPointF at(shown.x() + (p.x + 0.5) * shown.width() / canvas.width(),
                     shown.y() + (p.y + 0.5) * shown.height() / canvas.height());
    mouse(QTest::MouseMove, view, at.toPoint());
    float x = 0, y = 0;
    EXPECT_TRUE(wait_until([&] {
      x = input.pointer_x.load();
      y = input.pointer_y.load();
      return nearest_element(*anchors, x, y, 0) == k;
    }, 3000)) << "element " << k << " at " << anchor.x << "," << anchor.y << ": pointer " << x
              << "," << y;
  }
}

TEST_F(DesktopTest, DesktopFitToggleActsOnTheActiveWindowOrOnAll) {
  start_program(example("newton-telescope.ops"));
  ASSERT_TRUE(wait_for_interactive());
  const QSize canvas(platform().canvas(2)->width(), platform().canvas(2)->height());
  frame().focus_window(2);
  ASSERT_FALSE(frame().fit_action()->isChecked());
  frame().fit_action()->trigger();
  EXPECT_TRUE(frame().fitted(2));
  EXPECT_FALSE(frame().fitted(1));
  EXPECT_TRUE(frame().fit_action()->isChecked());
  EXPECT_FALSE(frame().fit_all_action()->isChecked());
  frame().focus_window(1);
  EXPECT_FALSE(frame().fit_action()->isChecked());  // follows the active window

  frame().fit_all_action()->trigger();
  for (const auto& [window, caption] : captions()) EXPECT_TRUE(frame().fitted(window)) << window;
  frame().fit_all_action()->trigger();
  for (const auto& [window, caption] : captions()) EXPECT_FALSE(frame().fitted(window)) << window;
  // Back at one canvas pixel per pixel, the picture has its full size again.
  EXPECT_EQ(frame().view(2)->size(), canvas);
}

}  // namespace
}  // namespace lumi
