// Start-up, the menus and the main loop: read a scheme, list it, prepare and trace it element by
// element, then follow the mouse until another scheme is requested.
#pragma once

#include <functional>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

#include "shell/program.h"

namespace lumi {

inline constexpr std::string_view kDialogTitle = "Чтение файла цели";

// Places the frame window and builds the menu bar. Returns true: the program's menus replace the
// platform's own.
bool initial_settings(Platform& platform, Scheme& scheme);

// The handler of "Открыть": runs on the platform's thread and only raises the open request.
void open_menu_handler(Scheme& scheme);

// The text of the about box: four lines separated by a carriage return, the last naming where
// the program's README (its instructions) is to be found.
std::string about_text(std::string_view readme);

// The program thread's body. Returns when the open dialog is cancelled, with the exit status.
int main_program(Program& program);

// Shows the open dialog until a scheme is read and accepted; false when the dialog is cancelled.
// A file that cannot be read or is refused is reported and the dialog comes back.
bool read_scheme(Program& program);

// How a tracing pass or the interactive phase ended: done, a new file requested, a changed
// scheme waiting.
enum class PassEnd { kDone, kOpen, kEdit };

// Lists, prepares and traces the installed scheme (into the windows that are open, keeping their
// layout, when `in_open_windows`). Stops before an element when a new file is requested (the
// windows are then closed) or a changed scheme waits.
PassEnd draw_and_trace(Program& program, bool in_open_windows);

// Installs the changed scheme the platform holds (take_changed_scheme), if it is still accepted,
// else the scheme shown again; restarts the log as reading its file would and closes the windows
// of elements that no longer have one.
void install_changed_scheme(Program& program);

// Reads the scheme file, applies the overrides and checks the result against what `current`
// holds, as the program does before installing a scheme. `on_read` sees the document once it is
// accepted (a refused one is not saved). Throws SchemeError.
SchemeDocument read_checked_scheme(const std::string& path,
                                   std::span<const SlotOverride> overrides, const Scheme& current,
                                   const std::function<void(const SchemeDocument&)>& on_read = {});

// Reads and checks each scheme as the program would before tracing it, each against the scheme
// state the ones before it left, and reports each on `report` (accepted) or `errors` (refused).
// Returns the number refused.
int check_schemes(std::span<const std::string> paths, std::span<const SlotOverride> overrides,
                  std::ostream& report, std::ostream& errors);

}  // namespace lumi
