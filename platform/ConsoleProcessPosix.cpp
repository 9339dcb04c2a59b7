#include "platform/ConsoleProcess.h"

namespace tarvel {

std::vector<std::string> PrepareConsoleProcess(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

}  // namespace tarvel
