#include "app/ClockOutChoice.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QVBoxLayout>
#include <mutex>
#include <vector>

#include "document/FennoralDoc.h"

namespace tarvel {
namespace {

constexpr const char* kClockGroup = "MidiClock";
constexpr const char* kDevicesKey = "Devices";

QString DeviceName(const CFennoralDoc& doc, int device) {
    return QString::fromUtf8(doc.ports.capabilities[device].productName);
}

}  // namespace

QStringList ClockDeviceNames(CFennoralDoc& doc) {
    std::lock_guard lock(doc.mutex);
    QStringList names;
    for (int device = 0; device < doc.ports.deviceCount; ++device)
        if (doc.ports.sendsClock[device]) names.append(DeviceName(doc, device));
    return names;
}

void ChooseClockDevices(CFennoralDoc& doc, const QStringList& names) {
    std::lock_guard lock(doc.mutex);
    for (int device = 0; device < doc.ports.deviceCount; ++device)
        doc.SetSendsClock(device, names.contains(DeviceName(doc, device)));
}

void RestoreClockDevices(CFennoralDoc& doc, QSettings& settings) {
    settings.beginGroup(kClockGroup);
    const QStringList names = settings.value(kDevicesKey).toStringList();
    settings.endGroup();
    ChooseClockDevices(doc, names);
}

void StoreClockDevices(CFennoralDoc& doc, QSettings& settings) {
    settings.beginGroup(kClockGroup);
    // Names chosen earlier for a device that is not here today are kept for when it is back.
    QStringList names = settings.value(kDevicesKey).toStringList();
    std::vector<QString> present;
    {
        std::lock_guard lock(doc.mutex);
        for (int device = 0; device < doc.ports.deviceCount; ++device)
            present.push_back(DeviceName(doc, device));
    }
    for (const QString& name : present) names.removeAll(name);
    names.append(ClockDeviceNames(doc));
    settings.setValue(kDevicesKey, names);
    settings.endGroup();
}

void ShowClockOutDialog(QWidget* parent, CFennoralDoc& doc, const SettingsOpener& openSettings) {
    QDialog dialog(parent);
    dialog.setWindowTitle("Send MIDI clock to");
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel("Devices that follow the tempo (clock, start, stop):"));
    const QStringList chosen = ClockDeviceNames(doc);
    std::vector<QCheckBox*> boxes;
    int count;
    {
        std::lock_guard lock(doc.mutex);
        count = doc.ports.deviceCount;
    }
    for (int device = 0; device < count; ++device) {
        QString name;
        bool open;
        {
            std::lock_guard lock(doc.mutex);
            name = DeviceName(doc, device);
            open = doc.ports.handles[device] != nullptr;
        }
        auto* box = new QCheckBox(name, &dialog);
        box->setObjectName(QString("clockDevice%1").arg(device));
        box->setChecked(chosen.contains(name));
        box->setEnabled(open);
        layout->addWidget(box);
        boxes.push_back(box);
    }
    if (boxes.empty()) layout->addWidget(new QLabel("There are no MIDI output devices."));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return;

    QStringList names;
    for (QCheckBox* box : boxes)
        if (box->isChecked()) names.append(box->text());
    ChooseClockDevices(doc, names);
    StoreClockDevices(doc, *openSettings());
}

void AddClockOutMenuItem(QMenu* midiMenu, QWidget* parent, CFennoralDoc& doc,
                         SettingsOpener openSettings) {
    QAction* action = midiMenu->addAction("Send MIDI clock to...");
    action->setObjectName("sendMidiClock");
    QObject::connect(action, &QAction::triggered, parent, [parent, &doc, openSettings] {
        ShowClockOutDialog(parent, doc, openSettings);
    });
}

}  // namespace tarvel
