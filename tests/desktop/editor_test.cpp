// Designing in the desktop program: a slot changed through the element panel is traced again and
// gives the log of the edited file, undo gives back the file's bytes, a refused value changes
// nothing, Ctrl+drag moves an element by the distance dragged, and a change made while a long
// trace runs cuts it short.
#include <QAction>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QWheelEvent>
#include <QMdiSubWindow>
#include <QTreeWidget>
#include <fstream>

#include "desktop_fixture.h"
#include "model/scheme_reader.h"
#include "platform/qt/element_panel.h"
#include "platform/qt/scheme_editor.h"
#include "platform/qt/scheme_manipulation.h"

namespace lumi {
namespace {

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class EditorTest : public DesktopTest {
 protected:
  // Opens a copy of the scheme in the working directory and waits until it follows the mouse.
  void open_copy(const std::string& source, std::deque<std::optional<std::string>> answers = {}) {
    original_ = read_file(source);
    std::ofstream("scheme.ops", std::ios::binary) << original_;
    start_program("scheme.ops", std::move(answers));
    ASSERT_TRUE(wait_for_interactive());
    ASSERT_TRUE(wait_until([&] { return editor().document().has_value(); }));
  }
  SchemeEditor& editor() { return frame().editor(); }
  // The log once the program traced a scheme whose log holds `text` and follows the mouse.
  std::string log_with(const std::string& text) {
    std::string log;
    EXPECT_TRUE(wait_until([&] {
      log = diagnostics_log_text();
      return log.find(text) != std::string::npos && platform().mouse_handler_registered(1);
    })) << text;
    return log;
  }
  // The log of the file at `path` read afresh, through "Открыть".
  std::string log_of_file(const std::string& path) {
    answers_.push_back(path);
    frame().request_open();
    EXPECT_TRUE(wait_until([&] { return answers_.empty(); }));
    EXPECT_TRUE(wait_for_interactive());
    return diagnostics_log_text();
  }

  std::string original_;
};

TEST_F(EditorTest, EditorPanelChangeIsTracedAsTheEditedFileAndUndoGivesTheBytesBack) {
  open_copy(example("newton-telescope.ops"));
  const std::string first_log = diagnostics_log_text();
  ASSERT_EQ(frame().panel().set_value(2, 7, "790.5"), "");
  const std::string edited_log = log_with("790.500");
  EXPECT_TRUE(frame().isWindowModified());
  EXPECT_EQ(captions().size(), 4u) << "the windows stay open";

  editor().undo_stack().undo();
  EXPECT_EQ(editor().document()->bytes(), original_);
  EXPECT_TRUE(wait_until([&] {
    return diagnostics_log_text() == first_log && platform().mouse_handler_registered(1);
  }));
  editor().undo_stack().redo();
  log_with("790.500");
  ASSERT_TRUE(editor().save());
  EXPECT_FALSE(frame().isWindowModified());
  EXPECT_EQ(log_of_file("scheme.ops"), edited_log);
}

TEST_F(EditorTest, EditorSameValueIsNoChangeAndUndoAfterSaveAsStaysWithTheNewFile) {
  open_copy(example("newton-telescope.ops"));
  // "120." given again as "120" (as an editor left unchanged writes it back) is no change
  ASSERT_EQ(frame().panel().set_value(2, 3, "120"), "");
  EXPECT_FALSE(editor().undo_stack().canUndo());
  EXPECT_EQ(editor().document()->bytes(), original_);

  ASSERT_EQ(frame().panel().set_value(2, 7, "790.5"), "");
  ASSERT_TRUE(editor().save_as("other.ops"));
  editor().undo_stack().undo();
  EXPECT_TRUE(editor().modified());
  ASSERT_TRUE(editor().save());
  EXPECT_EQ(read_file("other.ops"), original_);
  EXPECT_EQ(read_file("scheme.ops"), original_) << "the file the scheme left is not written";
}

// The panel's number editor as a user drives it, typed keys and all: a value opened and left is
// written back to the bit (no change), the up arrow steps by a tenth of the value's order, and a
// text that is no value is refused with its reason (Qt puts the last value back on Enter).
TEST_F(EditorTest, EditorNumberEditorKeepsTheValueStepsByItsOrderAndRefusesWhatIsNoValue) {
  open_copy(example("newton-telescope.ops"));
  frame().panel().show();
  ASSERT_EQ(frame().panel().set_value(2, 5, "1.2345678e-7"), "");  // Yo, below six decimals
  const int steps = editor().undo_stack().count();
  const auto edit = [&](int k, int slot, const std::function<void(QWidget*)>& keys) {
    QTreeWidget* tree = frame().panel().tree();
    tree->editItem(tree->topLevelItem(k - 1)->child(slot - 1), ElementPanel::kValue);
    auto* box = tree->findChild<QDoubleSpinBox*>();
    ASSERT_NE(box, nullptr);
    keys(box);
    QTest::keyClick(box, Qt::Key_Return);
    QTest::qWait(50);
  };
  edit(2, 5, [](QWidget*) {});
  EXPECT_EQ(editor().undo_stack().count(), steps);
  EXPECT_EQ(editor().document()->element(2).slot(5), 1.2345678e-7f);

  edit(1, 10, [](QWidget* box) { QTest::keyClick(box, Qt::Key_Up); });  // lambda 1, 0.55
  EXPECT_EQ(editor().document()->element(1).slot(10), 0.56f);

  edit(1, 3, [](QWidget* box) {
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, "1e40");
  });
  EXPECT_EQ(frame().panel().message(), "\"1e40\" — число вне диапазона одинарной точности");
  EXPECT_EQ(editor().document()->element(1).slot(3), 100.0f);
}

TEST_F(EditorTest, EditorRefusedValueShowsTheFilesMessageAndChangesNothing) {
  open_copy(example("newton-telescope.ops"));
  const std::string log = diagnostics_log_text();
  const QString message = frame().panel().set_value(3, 4, "-1");
  EXPECT_EQ(message.toStdString(),
            "scheme.ops, строка 26: элемент 3 (плоское зеркало), ячейка 4 (H) = -1: размер "
            "должен быть больше нуля");
  EXPECT_EQ(frame().panel().message(), message);
  EXPECT_EQ(frame().panel().tree()->topLevelItem(2)->child(3)->text(ElementPanel::kHelp), message);
  EXPECT_EQ(frame().panel().set_value(3, 4, "abc"), "\"abc\" — не число");
  EXPECT_EQ(editor().document()->bytes(), original_);
  EXPECT_FALSE(editor().undo_stack().canUndo());
  QTest::qWait(200);
  EXPECT_EQ(diagnostics_log_text(), log);
}

TEST_F(EditorTest, EditorCtrlDragMovesTheElementByTheWorldDistanceDragged) {
  open_copy(example("newton-telescope.ops"));
  constexpr int kMirror = 3;  // the flat mirror, Xo in slot 5
  const QPoint from = reveal_anchor(kMirror);
  const QPoint to = from + QPoint(12, -8);
  const std::optional<SchemeLayout> layout = platform().scheme_layout();
  ASSERT_TRUE(layout);
  const QPointF dragged = scheme_point(*layout, to) - scheme_point(*layout, from);
  const ElementRecord before = editor().document()->element(kMirror);

  CanvasView* view = frame().view(1);
  mouse(QTest::MousePress, view, from, Qt::LeftButton, Qt::ControlModifier);
  mouse(QTest::MouseMove, view, from + QPoint(5, -3), Qt::NoButton, Qt::ControlModifier);
  mouse(QTest::MouseMove, view, to, Qt::NoButton, Qt::ControlModifier);
  mouse(QTest::MouseRelease, view, to, Qt::LeftButton, Qt::ControlModifier);

  const ElementRecord after = editor().document()->element(kMirror);
  EXPECT_FLOAT_EQ(after.slot(5), before.slot(5) + static_cast<float>(dragged.x()));
  EXPECT_FLOAT_EQ(after.slot(6), before.slot(6) + static_cast<float>(dragged.y()));
  EXPECT_EQ(editor().undo_stack().count(), 1) << "one drag, one undo step";
  editor().undo_stack().undo();
  EXPECT_EQ(editor().document()->bytes(), original_);
}

TEST_F(EditorTest, EditorCtrlWheelTurnsTheElementADegreeANotchATenthWithShift) {
  open_copy(example("newton-telescope.ops"));
  constexpr int kMirror = 3;  // the flat mirror, Fi in slot 7
  const QPoint at = reveal_anchor(kMirror);
  CanvasView* view = frame().view(1);
  const auto turn = [&](int notches, Qt::KeyboardModifiers keys) {
    QWheelEvent wheel(QPointF(at), QPointF(view->mapToGlobal(at)), QPoint(),
                      QPoint(0, 120 * notches), Qt::NoButton, keys, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &wheel);
  };
  turn(2, Qt::ControlModifier);
  EXPECT_EQ(editor().document()->element(kMirror).slot(7), 47.0f);
  turn(-1, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_FLOAT_EQ(editor().document()->element(kMirror).slot(7), 46.9f);
  turn(1, Qt::NoModifier);  // a plain wheel scrolls, as before
  EXPECT_FLOAT_EQ(editor().document()->element(kMirror).slot(7), 46.9f);
  EXPECT_EQ(editor().undo_stack().count(), 2);
}

TEST_F(EditorTest, EditorChangeDuringALongTraceCutsItShortAndTheLastChangeIsTraced) {
  open_copy(std::string(LUMI_WORKLOADS_DIR) + "/telescope.ops");
  // The second change comes once the first is being traced (its log begun).
  ASSERT_EQ(frame().panel().set_value(2, 7, "790.5"), "");
  ASSERT_TRUE(wait_until([] { return diagnostics_log_text().find("790.500") != std::string::npos; }));
  ASSERT_EQ(frame().panel().set_value(2, 7, "780.25"), "");
  // Each log line is on disk once written: a first pass run to its end would show the focal
  // plane's lines under the first change for the hundreds of milliseconds they take.
  bool first_pass_reached_the_focal_plane = false;
  std::string log;
  EXPECT_TRUE(wait_until([&] {
    log = diagnostics_log_text();
    first_pass_reached_the_focal_plane |= log.find("790.500") != std::string::npos &&
                                          log.find("MAX(dX,dY)=") != std::string::npos;
    return log.find("780.250") != std::string::npos && platform().mouse_handler_registered(1);
  }));
  EXPECT_FALSE(first_pass_reached_the_focal_plane);
  EXPECT_EQ(log.find("790.500"), std::string::npos);
  ASSERT_TRUE(editor().save());
  EXPECT_EQ(log_of_file("scheme.ops"), log);
}

}  // namespace
}  // namespace lumi
