#pragma once

#include "win32/windows_api.h"

#include <chrono>
#include <functional>

namespace kestrin::win32 {

// The program's message loop, also run inside a run that yields to the window system and
// while the confirmation dialog waits: Tab and mnemonics move between controls in every
// top-level window of the program, Ctrl+Tab turns a tabbed window's page.

// Runs the loop until `done` turns true or the program is asked to quit (the quit is
// remembered, so that every loop ends up to the outermost one).
void RunUntil(const std::function<bool()>& done);

// Handles what is pending, or for `duration` at least, without busy waiting.
void RunPending();
void RunFor(std::chrono::milliseconds duration);

// The outermost loop; returns the program's exit code.
int RunProgram();

}  // namespace kestrin::win32
