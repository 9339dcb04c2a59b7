#include "app/TempoSourceMenu.h"

#include <QActionGroup>
#include <QMenu>
#include <QSettings>

#include "app/FennoralApp.h"
#include "app/MainFrame.h"
#include "app/WindowServices.h"
#include "document/FennoralDoc.h"
#include "platform/JackTransport.h"

namespace tarvel {
namespace {

constexpr const char* kTempoSourceKey = "Player/TempoSource";  // the menu text
const QString kMidiClockFrom = "MIDI clock from ";

}  // namespace

TempoSourceMenu::TempoSourceMenu(CFennoralDoc& doc, CMainFrame& frame, MidiInDriver& inputs,
                                 QString settingsFile)
    : doc_(doc), frame_(frame), inputs_(inputs), settingsFile_(std::move(settingsFile)) {
    frame_.playerMenu().addSeparator();
    menu_ = frame_.playerMenu().addMenu("Tempo source");
    menu_->setObjectName("tempoSource");
    connect(menu_, &QMenu::aboutToShow, this, &TempoSourceMenu::Fill);
    // A source remembered but not here today stays remembered; the internal clock plays meanwhile.
    const QString remembered = OpenSettings(settingsFile_)->value(kTempoSourceKey).toString();
    if (!remembered.isEmpty()) Follow(remembered, /*quiet=*/true);
}

TempoSourceMenu::~TempoSourceMenu() {
    doc_.SetTransportClock(nullptr);  // before its client closes
}

void TempoSourceMenu::Fill() {
    menu_->clear();
    auto* group = new QActionGroup(menu_);
    const auto add = [&](const QString& text) {
        QAction* item = menu_->addAction(text);
        item->setCheckable(true);
        item->setChecked(text == followed_);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, text] { Follow(text); });
    };
    add(kInternalClock);
    for (const std::string& port : inputs_.PortNames())
        add(kMidiClockFrom + QString::fromStdString(port));
    add(kJackTransport);
}

void TempoSourceMenu::Follow(const QString& choice, bool quiet) {
    if (choice == followed_) return;
    // What was followed so far is let go first: the clock port, the transport's client.
    inputs_.SetClockSource("");
    doc_.SetTransportClock(nullptr);
    transport_.reset();
    std::string whyNot;
    TempoSource source = TempoSource::kInternal;
    if (choice.startsWith(kMidiClockFrom)) {
        const std::string port = choice.mid(kMidiClockFrom.size()).toStdString();
        if (inputs_.SetClockSource(port))
            source = TempoSource::kMidiClock;
        else
            whyNot =
                "The MIDI clock of \"" + port + "\" cannot be followed: the port cannot be opened.";
    } else if (choice == kJackTransport) {
        std::string why;
        transport_ = JackTransport::Connect("Tarvel", why);
        if (transport_) {
            doc_.SetTransportClock(transport_.get());
            source = TempoSource::kJackTransport;
        } else {
            whyNot = "JACK's transport cannot be followed: " + why + ".";
        }
    }
    if (!whyNot.empty()) {
        Apply(kInternalClock, TempoSource::kInternal);
        if (quiet) return;  // kept for a start where it can be followed
        frame_.services().ShowMessage(&frame_, {MessageIcon::Error, "Tempo source",
                                                whyNot + " The internal clock plays.", true});
        OpenSettings(settingsFile_)->setValue(kTempoSourceKey, kInternalClock);
        return;
    }
    Apply(choice, source);
    OpenSettings(settingsFile_)->setValue(kTempoSourceKey, choice);
}

void TempoSourceMenu::Apply(const QString& choice, TempoSource source) {
    followed_ = choice;
    doc_.SetTempoSource(source);
}

}  // namespace tarvel
