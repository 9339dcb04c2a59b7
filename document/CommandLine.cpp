#include "document/CommandLine.h"

#include <strings.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "document/FennoralDoc.h"
#include "document/Release.h"
#include "document/SongInfoText.h"
#include "platform/SynthMessages.h"
#include "song/SongFile.h"

namespace tarvel {
namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kWrongUsage = 2;

constexpr const char* kUsage =
    "usage: tarvel [SONG.trv]\n"
    "       tarvel --export-midi OUT.mid SONG.trv\n"
    "       tarvel --export-audio [--rate 44100|48000] [--bits 16|24] OUT.wav|OUT.flac SONG.trv\n"
    "       tarvel --import-midi [--lines 16..256] OUT.trv IN.mid\n"
    "       tarvel --info SONG.trv\n"
    "       tarvel --help | --version\n"
    "\n"
    "With no option the window opens, with SONG.trv when one is named.\n"
    "  --export-midi   writes one pass of the song, from row 0 to the loop end, as a type 1 MIDI\n"
    "                  file: what playing it sends, one track per channel\n"
    "  --export-audio  plays that pass on the built-in General MIDI synth into a WAV or FLAC file\n"
    "                  (16 bit at 44,100 Hz unless told otherwise), with 2 s for the last notes\n"
    "                  to ring out\n"
    "  --import-midi   makes a new song of a MIDI file: channel n goes to track n, in patterns of\n"
    "                  64 lines unless told otherwise; prints what was imported and dropped\n"
    "  --info          prints the song's header, tempo, length, patterns and channels\n"
    "Files are written whole and then take the old file's place: a failure leaves it as it was.\n"
    "Exit status: 0 done, 1 a file could not be read or written, 2 wrong usage.\n";

// What failed, a line on stderr, as a box would say it in the window.
void PrintFailure(const std::string& subject, const UserMessage& failure) {
    std::fprintf(stderr, "tarvel: %s%s\n", subject.c_str(), OneLine(failure.text).c_str());
}

// True when it worked; else its failure is printed.
template <class Value>
bool Worked(const Fallible<Value>& result, const std::string& subject = "") {
    if (!result) PrintFailure(subject, result.failure());
    return static_cast<bool>(result);
}

// The window side of a document with no window: errors go to stderr, a line each; what would be
// an information box is left out.
class ConsoleUi final : public UiHooks {
  public:
    void ShowMessage(const UserMessage& message) override {
        if (message.icon == MessageIcon::Error) PrintFailure("", message);
    }
    void InvalidateView() override {}
    void SelectProgram(int) override {}
    void ShowBpmText(int) override {}
    void RefreshPanel() override {}
    void WakeWindowThread() noexcept override {}
};

// A document on no MIDI device, for one job.
class Console {
  public:
    Console() : doc_(std::make_unique<CFennoralDoc>(ui_, midi_, DocOptions{.startTimer = false})) {}

    bool LoadSong(const std::string& path) {
        std::vector<std::uint8_t> bytes;
        std::string whyNot;
        if (!ReadFilePrefix(path, kSongFileReadLimit, bytes, whyNot)) {
            std::fprintf(stderr, "tarvel: %s: %s\n", path.c_str(), whyNot.c_str());
            return false;
        }
        return Worked(doc_->LoadSongFromBytes(bytes, path), path + ": ");
    }
    CFennoralDoc& doc() { return *doc_; }

  private:
    ConsoleUi ui_;
    NoMidiOut midi_;
    std::unique_ptr<CFennoralDoc> doc_;
};

struct Arguments {
    std::vector<std::string> files;  // in the order given
    AudioFileFormat format;
    int patternLines = kDefaultLineCount;
};

bool EndsWith(const std::string& path, const char* ending) {
    const std::size_t length = std::strlen(ending);
    return path.size() >= length &&
           strncasecmp(path.c_str() + path.size() - length, ending, length) == 0;
}

int WrongName(const std::string& path, const char* what) {
    std::fprintf(stderr, "tarvel: %s: %s\n", path.c_str(), what);
    return kFailed;
}

int ExportMidi(const Arguments& arguments) {
    const std::string& out = arguments.files[0];
    if (!EndsWith(out, ".mid") && !EndsWith(out, ".midi"))
        return WrongName(out, "a MIDI file's name ends in .mid or .midi");
    Console console;
    if (!console.LoadSong(arguments.files[1])) return kFailed;
    const auto report = console.doc().ExportMidiSong(out);
    if (!Worked(report)) return kFailed;
    if (const std::string notice = MidiExportNotice(*report); !notice.empty())
        std::fprintf(stderr, "tarvel: %s\n", notice.c_str());
    return kDone;
}

int ExportAudio(const Arguments& arguments) {
    const std::string& out = arguments.files[0];
    AudioExportSettings settings{.format = arguments.format};
    if (EndsWith(out, ".flac"))
        settings.format.type = AudioFileType::Flac;
    else if (!EndsWith(out, ".wav"))
        return WrongName(out, "an audio file's name ends in .wav or .flac");
    Console console;
    if (!console.LoadSong(arguments.files[1])) return kFailed;
    SilenceSynthLog();  // what fails is said in one line of our own
    return Worked(console.doc().ExportAudioSong(out, settings, {})) ? kDone : kFailed;
}

int ImportMidi(const Arguments& arguments) {
    const std::string& out = arguments.files[0];
    if (!EndsWith(out, ".trv")) return WrongName(out, "a song file's name ends in .trv");
    Console console;
    const auto report = console.doc().ImportMidiSong(arguments.files[1], arguments.patternLines);
    if (!Worked(report) || !Worked(console.doc().SaveSong(out))) return kFailed;
    std::printf("%s\n", MidiImportReportText(*report).c_str());
    return kDone;
}

int Info(const Arguments& arguments) {
    Console console;
    if (!console.LoadSong(arguments.files[0])) return kFailed;
    const auto song = std::make_unique<Song>();
    std::int32_t loopStart;
    std::int32_t loopEnd;
    console.doc().CopySong(*song, loopStart, loopEnd);
    RenderedPass pass;
    std::string whyNot;
    if (!RenderSongPass(*song, loopEnd, pass, whyNot))
        return WrongName(arguments.files[0], whyNot.c_str());
    std::printf("%s", SongInfoText(*song, loopStart, loopEnd, pass).c_str());
    return kDone;
}

struct Command {
    const char* name;
    std::size_t files;
    int (*run)(const Arguments&);
    const char* options[2];  // the value options it takes
};

constexpr Command kCommands[] = {
    {"--export-midi", 2, ExportMidi, {}},
    {"--export-audio", 2, ExportAudio, {"--rate", "--bits"}},
    {"--import-midi", 2, ImportMidi, {"--lines"}},
    {"--info", 1, Info, {}},
};

int WrongUsage(const std::string& problem) {
    std::fprintf(stderr, "tarvel: %s\nTry 'tarvel --help'.\n", problem.c_str());
    return kWrongUsage;
}

// A whole number among the allowed ones, or within [low, high] when `allowed` is empty.
bool ReadValue(const char* text, int low, int high, std::initializer_list<int> allowed,
               int& value) {
    const char* end = text + std::strlen(text);
    const auto [stop, error] = std::from_chars(text, end, value);
    if (error != std::errc() || stop != end) return false;
    if (allowed.size() > 0)
        return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
    return value >= low && value <= high;
}

bool ReadOption(const std::string& option, const char* text, Arguments& arguments) {
    if (option == "--rate")
        return ReadValue(text, 0, 0, {44100, 48000}, arguments.format.sampleRate);
    if (option == "--bits") return ReadValue(text, 0, 0, {16, 24}, arguments.format.bitsPerSample);
    return ReadValue(text, 16, kPatternLines, {}, arguments.patternLines);
}

}  // namespace

std::optional<int> RunCommandLine(int argc, char** argv) {
    if (argc < 2 || std::strncmp(argv[1], "--", 2) != 0) return std::nullopt;
    const std::string name = argv[1];
    if (name == "--help") {
        std::printf("%s, a MIDI pattern tracker.\n\n%s", kReleaseLabel, kUsage);
        return kDone;
    }
    if (name == "--version") {
        std::printf("%s\n", kVersionLabel);
        return kDone;
    }
    const Command* command = nullptr;
    for (const Command& known : kCommands)
        if (name == known.name) command = &known;
    if (!command) return WrongUsage("unknown option " + name);

    Arguments arguments;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.rfind("--", 0) != 0) {
            arguments.files.push_back(argument);
            continue;
        }
        const bool takes =
            std::any_of(std::begin(command->options), std::end(command->options),
                        [&](const char* option) { return option && argument == option; });
        if (!takes) return WrongUsage(name + " takes no option " + argument);
        if (i + 1 == argc || !ReadOption(argument, argv[i + 1], arguments))
            return WrongUsage(argument + " needs one of the values its usage names");
        ++i;
    }
    if (arguments.files.size() != command->files)
        return WrongUsage(name + (command->files == 1 ? " needs one file" : " needs two files"));
    return command->run(arguments);
}

}  // namespace tarvel
