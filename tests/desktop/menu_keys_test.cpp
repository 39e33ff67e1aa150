// The keyboard: Alt letters on every menu entry, Ctrl+O, Ctrl+C and F1 beside the pause's own
// Ctrl+S and Ctrl+Q; and "Недавние файлы", kept across runs, opening a scheme without the dialog.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <set>

#include "desktop_fixture.h"
#include "platform/qt/recent_files.h"

namespace lumi {
namespace {

// The letter marked for the Alt key, lower case; a null character when there is none.
QChar alt_letter(const QAction* action) {
  const QString text = action->text();
  for (qsizetype i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '&' && text[i + 1] != '&') return text[i + 1].toLower();
  }
  return {};
}

void expect_own_letters(const QList<QAction*>& actions, const QString& where) {
  std::set<QChar> seen;
  for (const QAction* a : actions) {
    if (a->isSeparator()) continue;
    const QChar letter = alt_letter(a);
    EXPECT_FALSE(letter.isNull()) << where.toStdString() << ": " << a->text().toStdString();
    EXPECT_TRUE(seen.insert(letter).second)
        << where.toStdString() << ": " << a->text().toStdString();
  }
}

TEST_F(DesktopTest, DesktopEveryMenuEntryHasAnAltLetterOfItsOwn) {
  make_platform();
  ASSERT_TRUE(wait_until([&] { return frame().pause_action()->text() != "winstate"; }));
  expect_own_letters(frame().menuBar()->actions(), "menu bar");
  for (QAction* entry : frame().menuBar()->actions()) {
    if (entry->menu()) expect_own_letters(entry->menu()->actions(), shown_text(entry));
  }
  // Alt with a title's letter opens that menu.
  frame().show();
  frame().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frame()));
  QMenu* edit = action("Edit")->menu();
  QTest::keyClick(&frame(), alt_letter(action("Edit")).toLatin1(), Qt::AltModifier);
  EXPECT_TRUE(wait_until([&] { return QApplication::activePopupWidget() == edit; }, 3000));
  edit->close();
}

TEST_F(DesktopTest, DesktopShortcutsCopyShowTheAboutBoxPauseAndOpen) {
  start_program(example("newton-telescope.ops"));
  ASSERT_TRUE(wait_for_interactive());
  frame().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frame()));
  frame().focus_window(1);

  QApplication::clipboard()->clear();
  QTest::keyClick(&frame(), Qt::Key_C, Qt::ControlModifier);  // the active window, whole
  const std::shared_ptr<Canvas> scheme = platform().canvas(1);
  EXPECT_EQ(QApplication::clipboard()->image().size(), QSize(scheme->width(), scheme->height()));

  bool about_shown = false;
  QTimer::singleShot(0, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      about_shown = box->text().startsWith("Инструкция в файле");
      box->accept();
    }
  });
  QTest::keyClick(&frame(), Qt::Key_F1);
  EXPECT_TRUE(about_shown);
  frame().activateWindow();  // the box took the focus with it
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frame()));

  // The frame may take a moment to be the window the keys go to again after the box: pressed
  // until it acts (Ctrl+S only pauses and Ctrl+Q only resumes, so a second press changes nothing).
  const auto press_until = [&](Qt::Key key, bool paused) {
    return wait_until([&] {
      QTest::keyClick(&frame(), key, Qt::ControlModifier);
      return platform().paused() == paused;
    }, 3000);
  };
  EXPECT_TRUE(press_until(Qt::Key_S, true));
  EXPECT_TRUE(press_until(Qt::Key_Q, false));

  QTest::keyClick(&frame(), Qt::Key_O, Qt::ControlModifier);
  ASSERT_TRUE(wait_until([&] { return !requests_.empty(); }));
  ASSERT_TRUE(wait_until([&] { return ended_.has_value(); }));  // the dialog was cancelled
}

TEST_F(DesktopTest, DesktopRecentFilesKeepTheLastEightNewestFirst) {
  for (int i = 1; i <= 10; ++i) RecentFiles::add(QStringLiteral("/схемы/%1.ops").arg(i));
  RecentFiles::add(QStringLiteral("/схемы/../схемы/5.ops"));  // the same file again
  EXPECT_EQ(RecentFiles::paths(),
            QStringList({"/схемы/5.ops", "/схемы/10.ops", "/схемы/9.ops", "/схемы/8.ops",
                         "/схемы/7.ops", "/схемы/6.ops", "/схемы/4.ops", "/схемы/3.ops"}));
}

// A scheme that was read becomes the newest recent file; choosing a recent file opens it as
// "Открыть" would, with the file as the dialog's answer, so no dialog is shown.
TEST_F(DesktopTest, DesktopRecentFileIsRememberedAndOpensWithoutTheDialog) {
  const QString singlet = QDir::cleanPath(QString::fromStdString(example("singlet.ops")));
  RecentFiles::add(singlet);
  start_program(example("newton-telescope.ops"), {});
  ASSERT_TRUE(wait_for_interactive());
  ASSERT_TRUE(wait_until([&] { return RecentFiles::paths().size() == 2; }));
  EXPECT_TRUE(RecentFiles::paths().front().endsWith("/newton-telescope.ops"));

  QMenu* recent = action("Недавние файлы")->menu();
  ASSERT_NE(recent, nullptr);
  Q_EMIT recent->aboutToShow();
  const QList<QAction*> entries = recent->actions();
  ASSERT_EQ(entries.size(), 2);
  EXPECT_EQ(entries[1]->text(), "&2  " + singlet);
  entries[1]->trigger();
  ASSERT_TRUE(wait_until([&] { return captions()[1].contains("singlet.ops"); }));
  EXPECT_TRUE(requests_.empty());
  EXPECT_TRUE(RecentFiles::paths().front().endsWith("/singlet.ops"));

  // Paused, a recent file and then "Открыть" itself: the user's last choice, the dialog, wins.
  ASSERT_TRUE(wait_for_interactive());
  frame().pause_action()->trigger();
  Q_EMIT recent->aboutToShow();
  recent->actions()[1]->trigger();
  action("Открыть")->trigger();
  frame().pause_action()->trigger();
  ASSERT_TRUE(wait_until([&] { return !requests_.empty(); }));
}

}  // namespace
}  // namespace lumi
