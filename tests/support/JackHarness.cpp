#include "support/JackHarness.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace tarvel::testing {
namespace {

bool OnPath(const char* program) {
    const std::string command = std::string("command -v ") + program + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

pid_t Spawn(const std::vector<std::string>& argv, const std::string& outputPath,
            bool keepErrors = false) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (keepErrors)
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

void Stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 50; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

}  // namespace

JackHarness::JackHarness(bool realtime) {
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
                    "dummy", "-r", std::to_string(kSampleRate), "-p", "128"},
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
    const std::string command = "jack_lsp 2>/dev/null | grep -qx '" + port + "'";
    for (int waited = 0; waited < timeoutMs; waited += 50) {
        if (std::system(command.c_str()) == 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

bool JackHarness::WaitForMonitorConnection(int timeoutMs) const {
    // jack_lsp -c lists a port's connections indented under it.
    const char* command = "jack_lsp -c midi-monitor:input 2>/dev/null | grep -q '^ '";
    for (int waited = 0; waited < timeoutMs; waited += 20) {
        if (std::system(command) == 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
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
