// Start-up, the menus and the main loop: read a scheme, list it, prepare and trace it element by
// element, then follow the mouse until another scheme is requested.
#pragma once

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

}  // namespace lumi
