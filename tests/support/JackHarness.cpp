#include "support/JackHarness.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

namespace tarvel::testing {
namespace {

// The server gets SIGTERM when this thread dies, so a crashed test leaves none behind.
pid_t Spawn(const std::vector<std::string>& argv, const std::string& outputPath) {
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid != 0) return pid;
    // Child: only async-signal-safe calls from here on.
    if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != parent) _exit(127);
    const int out = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || dup2(out, STDOUT_FILENO) < 0 || dup2(out, STDERR_FILENO) < 0) _exit(127);
    execvp(args[0], args.data());
    _exit(127);
}

// A JACK server killed outright keeps its slot in JACK's registry of (at most 8) servers, and
// once those are used up no server starts on the machine; so give a loaded machine time to let
// the server and its clients close properly. The server waits up to 5 s for a stuck client.
void Stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 500; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

}  // namespace

JackHarness::JackHarness(bool realtime, int periodFrames) {
    if (std::system("command -v jackd >/dev/null && command -v jack_lsp >/dev/null") != 0) {
        failure_ = "jackd or jack_lsp is not installed (Debian package jackd2)";
        return;
    }
    serverName_ = "tarvel-test-" + std::to_string(getpid());
    // Every JACK client of this process, RtMidi's included, talks to the private server only.
    setenv("JACK_DEFAULT_SERVER", serverName_.c_str(), 1);
    setenv("JACK_NO_START_SERVER", "1", 1);

    serverLogPath_ = "/tmp/" + serverName_ + "-server.txt";
    jackd_ = Spawn({"jackd", realtime ? "--realtime" : "--no-realtime", "-n", serverName_, "-d",
                    "dummy", "-r", std::to_string(kSampleRate), "-p", std::to_string(periodFrames)},
                   serverLogPath_);
    // Up once the dummy driver's port is listed, within 10 s.
    for (int waited = 0; std::system("jack_lsp 2>/dev/null | grep -qx system:playback_1") != 0;
         waited += 20) {
        if (jackd_ < 0 || waited >= 10000) {
            failure_ = "jackd with the dummy driver did not come up";
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

JackHarness::~JackHarness() {
    Stop(jackd_);
    if (!serverLogPath_.empty()) std::remove(serverLogPath_.c_str());
}

int JackHarness::Xruns() const {
    std::ifstream in(serverLogPath_);
    std::string line;
    int xruns = 0;
    while (std::getline(in, line))
        if (line.find("XRun") != std::string::npos) ++xruns;
    return xruns;
}

}  // namespace tarvel::testing
