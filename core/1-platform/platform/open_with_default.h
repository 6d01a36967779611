#pragma once

#include <string>

namespace kestrin {

// Asks the desktop to open the file with its default program (xdg-open; the shell on Windows),
// without waiting for it. False when the request could not be made.
bool OpenWithDefaultProgram(const std::string& path);

}  // namespace kestrin
