// tarvel [song.trv], or a command-line job: tarvel --help
#include <QApplication>
#include <cstdlib>
#include <future>

#include "app/DesktopServices.h"
#include "app/FennoralApp.h"
#include "app/SynthMenu.h"
#include "document/CommandLine.h"
#include "platform/MidiOut.h"

int main(int argc, char* argv[]) {
    tarvel::PrepareProcessForMidi();  // before the first thread
    // Converting and inspecting songs needs no window, so it runs before Qt does anything.
    if (const std::optional<int> status = tarvel::RunCommandLine(argc, argv)) return *status;
    // Finding the MIDI outputs (the synth reads its SoundFont) takes a few hundred
    // milliseconds; it runs while the window system is being set up.
    const tarvel::SynthSettings synthSettings = tarvel::LoadSynthSettings("");
    tarvel::SynthMidiOut* synth = nullptr;
    std::future<std::unique_ptr<tarvel::MidiOutDriver>> midiOutFound =
        std::async(std::launch::async, [&synthSettings, &synth] {
            return tarvel::CreateSystemMidiOut(synthSettings.soundFont.toStdString(),
                                               synthSettings.gain, synth);
        });
    QApplication application(argc, argv);
    application.setApplicationName("Tarvel");
    const std::unique_ptr<tarvel::MidiOutDriver> midiOut = midiOutFound.get();
    tarvel::DesktopServices services;
    tarvel::AppOptions options;
    options.synth = synth;
    if (const char* session = std::getenv("NSM_URL")) options.sessionUrl = session;
    tarvel::CFennoralApp app(*midiOut, services, options);
    if (!app.Start(application.arguments().mid(1))) return 1;
    return application.exec();
}
