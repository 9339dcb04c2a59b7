// A console program's start on any platform: its arguments as UTF-8, and its console taking
// UTF-8 output. Main thread, first thing.
#pragma once

#include <string>
#include <vector>

namespace tarvel {

// `argc` and `argv` as main() got them; Windows hands main() the arguments in its ANSI code page,
// so there they are read again from the UTF-16 command line.
std::vector<std::string> PrepareConsoleProcess(int argc, char** argv);

}  // namespace tarvel
