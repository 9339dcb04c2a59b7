// tarvel-cli: the program's command line with no window, for machines without Qt (the Windows
// build). Takes the same options as "tarvel --...".
#include <cstdio>
#include <string>
#include <vector>

#include "document/CommandLine.h"
#include "platform/ConsoleProcess.h"

int main(int argc, char* argv[]) {
    std::vector<std::string> arguments = tarvel::PrepareConsoleProcess(argc, argv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    const int count = static_cast<int>(arguments.size());
    if (const std::optional<int> status = tarvel::RunCommandLine(count, pointers.data()))
        return *status;
    std::fprintf(stderr,
                 "tarvel-cli: it converts and inspects songs; the window is 'tarvel'.\n"
                 "Try 'tarvel-cli --help'.\n");
    return 2;
}
