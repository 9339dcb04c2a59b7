// tarvel [song.trv]
#include <QApplication>

#include "app/DesktopServices.h"
#include "app/FennoralApp.h"
#include "platform/MidiOut.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    application.setApplicationName("Tarvel");
    const std::unique_ptr<tarvel::MidiOutDriver> midiOut = tarvel::CreateSystemMidiOut();
    tarvel::DesktopServices services;
    tarvel::CFennoralApp app(*midiOut, services);
    if (!app.Start(application.arguments().mid(1))) return 1;
    return application.exec();
}
