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
#include <sstream>
#include <thread>

namespace tarvel::testing {
namespace {

bool OnPath(const char* program) {
    const std::string command = std::string("command -v ") + program + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

// The children get SIGTERM when this thread dies, so a crashed test leaves no server behind.
pid_t Spawn(const std::vector<std::string>& argv, const std::string& outputPath,
            bool keepErrors = false) {
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid != 0) return pid;
    // Child: only async-signal-safe calls from here on.
    if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != parent) _exit(127);
    const int out = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = keepErrors ? out : open("/dev/null", O_WRONLY);
    if (out < 0 || err < 0 || dup2(out, STDOUT_FILENO) < 0 || dup2(err, STDERR_FILENO) < 0)
        _exit(127);
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

// Runs `command` until it succeeds or `timeoutMs` passed.
bool Retry(const std::string& command, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 20) {
        if (std::system(command.c_str()) == 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

}  // namespace

JackHarness::JackHarness(bool realtime, int periodFrames) {
    if (!OnPath("jackd") || !OnPath("jack_midi_dump") || !OnPath("jack_lsp")) {
        failure_ = "jackd, jack_midi_dump or jack_lsp is not installed (Debian package jackd2)";
        return;
    }
    serverName_ = "tarvel-test-" + std::to_string(getpid());
    dumpPath_ = "/tmp/" + serverName_ + "-dump.txt";
    // Every JACK client of this process, RtMidi's included, talks to the private server only.
    setenv("JACK_DEFAULT_SERVER", serverName_.c_str(), 1);
    setenv("JACK_NO_START_SERVER", "1", 1);

    serverLogPath_ = "/tmp/" + serverName_ + "-server.txt";
    jackd_ = Spawn({"jackd", realtime ? "--realtime" : "--no-realtime", "-n", serverName_, "-d",
                    "dummy", "-r", std::to_string(kSampleRate), "-p", std::to_string(periodFrames)},
                   serverLogPath_, true);
    if (jackd_ < 0 || !WaitForPort("system:playback_1", 10000)) {
        failure_ = "jackd with the dummy driver did not come up";
        return;
    }
    dump_ = Spawn({"jack_midi_dump", "-a"}, dumpPath_);
    if (dump_ < 0 || !WaitForPort("midi-monitor:input", 10000))
        failure_ = "jack_midi_dump did not come up";
}

JackHarness::~JackHarness() {
    Stop(dump_);
    Stop(jackd_);
    if (!dumpPath_.empty()) std::remove(dumpPath_.c_str());
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

bool JackHarness::WaitForPort(const std::string& port, int timeoutMs) const {
    return Retry("jack_lsp 2>/dev/null | grep -qx '" + port + "'", timeoutMs);
}

// jack_lsp -c lists a port's connections indented under it.
bool JackHarness::WaitForMonitorConnection(int timeoutMs) const {
    return Retry("jack_lsp -c midi-monitor:input 2>/dev/null | grep -q '^ '", timeoutMs);
}

// Lines look like " 111616: 90 3c 64 note on  (channel  0): pitch  60, velocity 100".
std::vector<DumpedMessage> JackHarness::ReadDump() const {
    std::vector<DumpedMessage> messages;
    std::ifstream in(dumpPath_);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        DumpedMessage message;
        try {
            message.frame = std::stoll(line.substr(0, colon));
        } catch (...) {
            continue;
        }
        std::istringstream rest(line.substr(colon + 1));
        std::string token;
        while (rest >> token && token.size() == 2 &&
               token.find_first_not_of("0123456789abcdef") == std::string::npos)
            message.bytes.push_back(static_cast<std::uint8_t>(std::stoi(token, nullptr, 16)));
        if (!message.bytes.empty()) messages.push_back(message);
    }
    return messages;
}

std::vector<DumpedMessage> JackHarness::WaitForMessages(std::size_t count, int timeoutMs) const {
    std::vector<DumpedMessage> messages;
    for (int waited = 0; waited <= timeoutMs; waited += 50) {
        messages = ReadDump();
        if (messages.size() >= count) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return messages;
}

}  // namespace tarvel::testing
