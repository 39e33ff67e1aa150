// The frame window of the desktop program: the menu bar built from the program's menu items, an
// MDI area whose sub-windows show the canvases of the numbered windows, and a status bar with
// the tracing progress. Everything here runs on the GUI thread; the platform posts the program's
// window operations here in the order they were made.
#pragma once

#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "graphics/platform.h"
#include "platform/raster/raster_display.h"

class QAction;
class QImage;
class QRect;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QScrollArea;
class QTimer;

namespace lumi {

class CanvasView;
class ElementPanel;
class QtPlatform;
class SchemeEditor;
class SchemeFileCommands;
class SchemeManipulation;
class TraceStatus;

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
  void tile();  // side by side, every picture fitted to its window

  // "По размеру окна": a window's picture fitted to it, or at one canvas pixel per device pixel.
  void set_fitted(int window, bool fitted);
  void set_all_fitted(bool fitted);
  bool fitted(int window) const;

  // The open scheme's file: saving it and watching it for changes.
  SchemeFileCommands& scheme_files() { return *scheme_files_; }
  // The scheme being designed, its panel, and the "Схема" menu that shows the panel.
  SchemeEditor& editor() { return *editor_; }
  ElementPanel& panel() { return *panel_; }
  // Does what "Открыть" does: raises the program's open request.
  void request_open();
  // While held, windows that are open keep their place, size and stacking (see Platform).
  void hold_layout(bool hold) { layout_held_ = hold; }

  // Status bar.
  void show_progress(const TraceProgress& progress);
  // No trace runs (the mouse is armed, or the open dialog comes): the progress goes, and a
  // command acknowledged meanwhile has taken effect.
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
  QAction* fit_action() const { return fit_action_; }          // the active window's
  QAction* fit_all_action() const { return fit_all_action_; }  // every window's
  QMenu* menu(int number) const;  // a menu's drop-down list; null for a command or none
  // `text` with an Alt letter no other entry of menu `number` has (0: the menu bar).
  QString with_menu_mnemonic(int number, const QString& text);
  QLabel* progress_label() const;
  TraceStatus& trace_status() { return *status_; }

 Q_SIGNALS:
  void ended(int status);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Child {
    QMdiSubWindow* sub;
    QScrollArea* scroll;
    CanvasView* view;
  };
  struct MenuSlot {
    QMenu* menu = nullptr;          // a menu with a drop-down list
    QAction* bar_action = nullptr;  // or a title that is itself a command
  };

  QAction* menu_action(int menu, const QString& text, bool command);
  void add_keys(QAction* action, const MenuItem& item);
  void add_recent_files(int menu, QAction* before);  // "Недавние файлы", before "Выход"
  void open_recent(const QString& path);
  void acknowledge_open();  // "Открыть" chosen while a trace runs or the program is paused
  void connect_command(QAction* action, const MenuItem& item);
  void refresh();  // on the repaint timer
  void update_pause_label();
  void add_fit_actions(int menu);  // after the Window menu's own items
  void update_fit_checks();
  CanvasView* current_view() const;
  void fill_screen_if_not_maximised();
  void add_scheme_menus(MenuCommand after);  // the program's own items after the given one
  void update_title();
  QSize arrangement_area() const;

  QtPlatform& platform_;
  QMdiArea* mdi_;
  QTimer* timer_;
  std::unique_ptr<TraceStatus> status_;
  QLabel* paused_;
  std::map<int, Child> children_;
  std::map<int, MenuSlot> menus_;
  std::map<int, QString> mnemonics_;  // the Alt letters taken, by menu (0 the menu bar)
  QAction* open_action_ = nullptr;    // "Открыть"
  std::optional<std::string> recent_choice_;  // for the next "Открыть", from open_recent
  QAction* pause_action_ = nullptr;
  QAction* fit_action_ = nullptr;
  QAction* fit_all_action_ = nullptr;
  bool pause_label_updated_ = false;
  QString about_text_;
  SchemeEditor* editor_;
  SchemeFileCommands* scheme_files_;
  ElementPanel* panel_;
  std::unique_ptr<SchemeManipulation> manipulation_;
  bool layout_held_ = false;
  bool open_declined_ = false;  // "Открыть" met unsaved changes the user would not drop
  std::function<void()> open_handler_;  // of "Открыть"
  int selected_window_ = 0;  // the window holding a selection, 0 none
  CopyHook copy_hook_;
};

}  // namespace lumi
