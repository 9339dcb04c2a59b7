#include <windows.h>

#include "platform/Processes.h"

namespace tarvel {

bool ProcessIsRunning(int processId) {
    const HANDLE process =
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(processId));
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;  // another user's
    DWORD exitCode = 0;
    const bool running = GetExitCodeProcess(process, &exitCode) && exitCode == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

}  // namespace tarvel
