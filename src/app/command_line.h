// corvane's own command line: --help and --version answer on the terminal and end the program
// before any window or display is needed. Everything else (Qt's own options such as -platform or
// -style) is left for Qt.
#pragma once

#include <optional>

// The exit status when the command line was answered or refused; nothing when the window starts.
std::optional<int> answerCommandLine(int argc, char** argv);
