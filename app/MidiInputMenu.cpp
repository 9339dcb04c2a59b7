#include "app/MidiInputMenu.h"

#include <QMenu>
#include <QSettings>
#include <QTimer>
#include <mutex>

#include "app/FennoralApp.h"
#include "document/DocumentMidiInput.h"

namespace tarvel {
namespace {

constexpr const char* kInputsKey = "Midi/Inputs";
constexpr const char* kRecordVelocityKey = "Midi/RecordVelocity";
constexpr int kCheckIntervalMs = 1000;

}  // namespace

MidiInputMenu::MidiInputMenu(CFennoralDoc& doc, QMenu& midiMenu, QString settingsFile,
                             std::unique_ptr<MidiInDriver> driver)
    : doc_(doc),
      settingsFile_(std::move(settingsFile)),
      sink_(std::make_unique<DocumentMidiInput>(doc)),
      driver_(driver ? std::move(driver) : CreateSystemMidiIn(*sink_)) {
    midiMenu.addSeparator();
    inputs_ = midiMenu.addMenu("Inputs");
    inputs_->setObjectName("midiInputs");
    connect(inputs_, &QMenu::aboutToShow, this, &MidiInputMenu::FillInputs);
    recordVelocity_ = midiMenu.addAction("Record velocity");
    recordVelocity_->setObjectName("recordVelocity");
    recordVelocity_->setCheckable(true);
    connect(recordVelocity_, &QAction::toggled, this, &MidiInputMenu::SetRecordVelocity);

    const std::unique_ptr<QSettings> settings = OpenSettings(settingsFile_);
    recordVelocity_->setChecked(settings->value(kRecordVelocityKey, false).toBool());
    // Ports remembered but not there now stay remembered for a later start.
    const QStringList remembered = settings->value(kInputsKey).toStringList();
    for (const QString& name : remembered)
        if (driver_->Open(name.toStdString())) open_.append(name);

    checkTimer_ = new QTimer(this);
    connect(checkTimer_, &QTimer::timeout, this, &MidiInputMenu::CheckPorts);
    checkTimer_->start(kCheckIntervalMs);
}

MidiInputMenu::~MidiInputMenu() {
    // No input may reach the document once this is gone.
    driver_.reset();
}

void MidiInputMenu::FillInputs() {
    inputs_->clear();
    const std::vector<std::string> names = driver_->PortNames();
    if (names.empty()) inputs_->addAction("(no MIDI inputs)")->setEnabled(false);
    for (const std::string& port : names) {
        const QString name = QString::fromStdString(port);
        QAction* item = inputs_->addAction(name);
        item->setCheckable(true);
        item->setChecked(open_.contains(name));
        connect(item, &QAction::toggled, this,
                [this, name](bool picked) { SetPortPicked(name, picked); });
    }
}

void MidiInputMenu::SetPortPicked(const QString& name, bool picked) {
    if (picked && !open_.contains(name)) {
        if (!driver_->Open(name.toStdString())) return;
        open_.append(name);
    } else if (!picked && open_.contains(name)) {
        driver_->Close(name.toStdString());
        open_.removeAll(name);
        std::lock_guard lock(doc_.mutex);
        doc_.engine.ReleaseInputNotes();
    }
    Remember();
}

void MidiInputMenu::SetRecordVelocity(bool on) {
    {
        std::lock_guard lock(doc_.mutex);
        doc_.inputRecording.recordVelocity = on ? 1 : 0;
    }
    if (recordVelocity_->isChecked() != on) recordVelocity_->setChecked(on);
    OpenSettings(settingsFile_)->setValue(kRecordVelocityKey, on);
}

void MidiInputMenu::CheckPorts() {
    if (open_.isEmpty()) return;
    // Each lost port is reported to the document, which stops its notes and says so once. It
    // stays remembered for the next start.
    for (const std::string& lost : driver_->CheckPorts())
        open_.removeAll(QString::fromStdString(lost));
}

void MidiInputMenu::Remember() const {
    OpenSettings(settingsFile_)->setValue(kInputsKey, open_);
}

}  // namespace tarvel
