#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "platform/ConsoleProcess.h"
#include "platform/WindowsText.h"

namespace tarvel {

std::vector<std::string> PrepareConsoleProcess(int argc, char** argv) {
    SetConsoleOutputCP(CP_UTF8);
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(ToUtf8(wide[i]));
    LocalFree(wide);
    return arguments;
}

}  // namespace tarvel
