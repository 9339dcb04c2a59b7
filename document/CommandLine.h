// The command line: converting and inspecting songs with no window. Qt-free, so that main() can
// run it before any QApplication exists.
#pragma once

#include <optional>

namespace tarvel {

// Main thread, first thing. When the arguments name a command-line job (they start with an
// option "--..."), does it and returns the exit status: 0 done, 1 a file could not be read or
// written, 2 wrong usage. Nothing when they are for the window (none, or a song to open).
std::optional<int> RunCommandLine(int argc, char** argv);

}  // namespace tarvel
