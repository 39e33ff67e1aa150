// The frame window of the desktop program: the menu bar built from the program's menu items, an
// MDI area whose sub-windows show the canvases of the numbered windows, and a status bar with
// the tracing progress. Everything here runs on the GUI thread; the platform posts the program's
// window operations here in the order they were made.
#pragma once

#include <QMainWindow>
#include <QString>
#include <functional>
#include <map>

#include "graphics/platform.h"
#include "platform/raster/raster_display.h"

class QAction;
class QImage;
class QRect;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTimer;

namespace lumi {

class CanvasView;
class QtPlatform;

class FrameWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit FrameWindow(QtPlatform& platform);
  ~FrameWindow() override;

  // Menus and the about box.
  void add_menu_item(MenuItem item);
  void set_about_text(const QString& text);  // lines separated by '\r'
  QString about_text() const { return about_text_; }

  // The numbered windows, as the program thread opened, sized, closed and focused them.
  void open_window(int window, const QString& title);
  void configure_window(int window);  // its canvas now has a size
  void close_window(int window);
  void focus_window(int window);
  void apply_frame(const FrameWindowState& frame);
  void cascade();
  void tile();

  // Status bar.
  void show_progress(const TraceProgress& progress);
  void show_ready();
  void show_warning(const QString& message);

  // What the clipboard gets besides the image of a copy (the desktop's vector copy, see
  // results_menu.h): called with the window, the part copied in canvas pixels and the image, it
  // sets the clipboard itself. None: the image alone.
  using CopyHook = std::function<void(int window, const QRect& part, const QImage& image)>;
  void set_copy_hook(CopyHook hook) { copy_hook_ = std::move(hook); }

  // Built-in commands of the menus.
  void select_whole_window();
  void select_part_of_window();
  void copy_selection();
  void toggle_pause();
  void show_about();
  void exit_program();  // "Выход": stops the program thread and ends the run with status 0

  // Tells that the run is over, with the program's exit status: the program thread ended (the
  // open dialog was cancelled) or the user chose "Выход".
  void program_ended(int status) { Q_EMIT ended(status); }

  // Runs the window operations the program thread has queued. Invoked by name, so Qt's queued
  // event carries no functor of ours from the program thread: all the data that crosses threads
  // goes through the platform's own lock, which thread checkers see.
  Q_INVOKABLE void run_posted();

  // Inspection, for tests and the repaint timer.
  QMdiArea* mdi_area() const { return mdi_; }
  QMdiSubWindow* sub_window(int window) const;
  CanvasView* view(int window) const;
  int window_number(const QMdiSubWindow* sub) const;  // 0 when not one of ours
  QAction* pause_action() const { return pause_action_; }
  QMenu* menu(int number) const;  // a menu's drop-down list; null for a command or none
  QLabel* progress_label() const { return progress_; }

 Q_SIGNALS:
  void ended(int status);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Child {
    QMdiSubWindow* sub;
    CanvasView* view;
  };
  struct MenuSlot {
    QMenu* menu = nullptr;          // a menu with a drop-down list
    QAction* bar_action = nullptr;  // or a title that is itself a command
  };

  QAction* menu_action(int menu, const QString& text, bool command);
  void connect_command(QAction* action, const MenuItem& item);
  void refresh();  // on the repaint timer
  void update_pause_label();
  CanvasView* current_view() const;
  void fill_screen_if_not_maximised();
  QSize arrangement_area() const;

  QtPlatform& platform_;
  QMdiArea* mdi_;
  QTimer* timer_;
  QLabel* progress_;
  QLabel* paused_;
  std::map<int, Child> children_;
  std::map<int, MenuSlot> menus_;
  QAction* pause_action_ = nullptr;
  bool pause_label_updated_ = false;
  QString about_text_;
  int selected_window_ = 0;  // the window holding a selection, 0 none
  CopyHook copy_hook_;
};

}  // namespace lumi
