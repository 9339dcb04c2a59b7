#include "app/TempoSourceMenu.h"

#include <QActionGroup>
#include <QMenu>
#include <QSettings>
#include <algorithm>
#include <iterator>
#include <mutex>

#include "app/FennoralApp.h"
#include "app/MainFrame.h"
#include "app/WindowServices.h"
#include "document/FennoralDoc.h"
#include "platform/JackTransport.h"
#include "platform/LinkSession.h"
#include "song/Tempo.h"

namespace tarvel {
namespace {

constexpr const char* kTempoSourceKey = "Player/TempoSource";  // the menu text
constexpr const char* kLinkQuantumKey = "Player/LinkQuantum";  // beats
const QString kMidiClockFrom = "MIDI clock from ";
constexpr int kQuantumChoices[] = {1, 2, 3, 4, 6, 8, 16};
constexpr int kDefaultQuantum = 4;  // a bar of 4 beats, 16 lines

}  // namespace

TempoSourceMenu::TempoSourceMenu(CFennoralDoc& doc, CMainFrame& frame, MidiInDriver& inputs,
                                 QString settingsFile)
    : doc_(doc), frame_(frame), inputs_(inputs), settingsFile_(std::move(settingsFile)) {
    frame_.playerMenu().addSeparator();
    menu_ = frame_.playerMenu().addMenu("Tempo source");
    menu_->setObjectName("tempoSource");
    connect(menu_, &QMenu::aboutToShow, this, &TempoSourceMenu::Fill);
    quantumMenu_ = new QMenu("Link quantum", menu_);
    quantumMenu_->setObjectName("linkQuantum");
    connect(quantumMenu_, &QMenu::aboutToShow, this, &TempoSourceMenu::FillQuantum);
    quantumBeats_ = OpenSettings(settingsFile_)->value(kLinkQuantumKey, kDefaultQuantum).toInt();
    if (std::find(std::begin(kQuantumChoices), std::end(kQuantumChoices), quantumBeats_) ==
        std::end(kQuantumChoices))
        quantumBeats_ = kDefaultQuantum;
    // A source remembered but not here today stays remembered; the internal clock plays meanwhile.
    const QString remembered = OpenSettings(settingsFile_)->value(kTempoSourceKey).toString();
    if (!remembered.isEmpty()) Follow(remembered, /*quiet=*/true);
}

TempoSourceMenu::~TempoSourceMenu() {
    LetGo();
}

void TempoSourceMenu::LetGo() {
    inputs_.SetClockSource("");
    // The document lets go before the client closes or the session ends.
    doc_.SetTransportClock(nullptr);
    doc_.SetBeatClock(nullptr);
    transport_.reset();
    link_.reset();
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
    add(kAbletonLink);
    menu_->addMenu(quantumMenu_);
}

void TempoSourceMenu::FillQuantum() {
    quantumMenu_->clear();
    auto* group = new QActionGroup(quantumMenu_);
    for (const int beats : kQuantumChoices) {
        QAction* item =
            quantumMenu_->addAction(QString::number(beats) + (beats == 1 ? " beat" : " beats"));
        item->setCheckable(true);
        item->setChecked(beats == quantumBeats_);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, beats] {
            quantumBeats_ = beats;
            if (link_) link_->SetQuantum(beats);
            OpenSettings(settingsFile_)->setValue(kLinkQuantumKey, beats);
        });
    }
}

void TempoSourceMenu::Follow(const QString& choice, bool quiet) {
    if (choice == followed_) return;
    LetGo();  // what was followed so far, first
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
    } else if (choice == kAbletonLink) {
        double bpm;
        {
            std::lock_guard lock(doc_.mutex);
            bpm = static_cast<double>(kLineMsAtOneBpm) / doc_.EffectiveLineDuration();
        }
        // A session of our own starts at the song's tempo; one already there keeps its own.
        link_ = std::make_unique<LinkSession>(bpm, quantumBeats_);
        doc_.SetBeatClock(link_.get());
        source = TempoSource::kAbletonLink;
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
