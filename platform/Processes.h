// Other processes of this machine, as far as the program needs to know them. Any thread.
#pragma once

namespace tarvel {

// Whether a process with this id runs now (under any user).
bool ProcessIsRunning(int processId);

}  // namespace tarvel
