#include "app/TempoSourceMenu.h"

#include <QActionGroup>
#include <QMenu>
#include <QSettings>

#include "app/FennoralApp.h"
#include "app/MainFrame.h"
#include "app/WindowServices.h"
#include "document/FennoralDoc.h"

namespace tarvel {
namespace {

constexpr const char* kTempoSourceKey = "Player/TempoSource";  // a port name; "" internal
constexpr const char* kMidiClockFrom = "MIDI clock from ";

}  // namespace

TempoSourceMenu::TempoSourceMenu(CFennoralDoc& doc, CMainFrame& frame, MidiInDriver& inputs,
                                 QString settingsFile)
    : doc_(doc), frame_(frame), inputs_(inputs), settingsFile_(std::move(settingsFile)) {
    frame_.playerMenu().addSeparator();
    menu_ = frame_.playerMenu().addMenu("Tempo source");
    menu_->setObjectName("tempoSource");
    connect(menu_, &QMenu::aboutToShow, this, &TempoSourceMenu::Fill);
    // A port remembered but not here today stays remembered; the internal clock plays meanwhile.
    const QString remembered = OpenSettings(settingsFile_)->value(kTempoSourceKey).toString();
    if (!remembered.isEmpty() && inputs_.SetClockSource(remembered.toStdString())) {
        followed_ = remembered;
        doc_.SetTempoSource(TempoSource::kMidiClock);
    }
}

void TempoSourceMenu::Fill() {
    menu_->clear();
    auto* group = new QActionGroup(menu_);
    const auto add = [&](const QString& text, const QString& port) {
        QAction* item = menu_->addAction(text);
        item->setCheckable(true);
        item->setChecked(port == followed_);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, port] { Follow(port); });
    };
    add("Internal clock", "");
    for (const std::string& name : inputs_.PortNames()) {
        const QString port = QString::fromStdString(name);
        add(kMidiClockFrom + port, port);
    }
}

void TempoSourceMenu::Follow(const QString& port) {
    if (port == followed_) return;
    // Following another port lets go of the one followed so far.
    if (!port.isEmpty() && !inputs_.SetClockSource(port.toStdString())) {
        frame_.services().ShowMessage(
            &frame_, {MessageIcon::Error, "Tempo source",
                      "The MIDI clock of \"" + port.toStdString() +
                          "\" cannot be followed: the port cannot be opened. The internal "
                          "clock plays.",
                      true});
        Apply("");  // the driver follows nothing now
        return;
    }
    if (port.isEmpty()) inputs_.SetClockSource("");
    Apply(port);
}

void TempoSourceMenu::Apply(const QString& port) {
    followed_ = port;
    doc_.SetTempoSource(port.isEmpty() ? TempoSource::kInternal : TempoSource::kMidiClock);
    OpenSettings(settingsFile_)->setValue(kTempoSourceKey, port);
}

}  // namespace tarvel
