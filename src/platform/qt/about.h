// Who the desktop program is, for its about box: name and version, and where its README lies.
#pragma once

#include <QString>
#include <string>

namespace lumi {

// "О программе LumiRastra X.Y.Z": the about box's title.
QString about_title();

// The README installed with the program (share/doc/lumirastra/README.md under the prefix the
// program runs from); a program run from its build folder names the README of its checkout.
std::string readme_location();

}  // namespace lumi
