#include <signal.h>

#include <cerrno>

#include "platform/Processes.h"

namespace tarvel {

bool ProcessIsRunning(int processId) {
    // Signal 0 only asks whether the process exists; EPERM means it does, under another user.
    return kill(processId, 0) == 0 || errno == EPERM;
}

}  // namespace tarvel
