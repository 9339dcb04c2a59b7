// The Midi menu's "Send MIDI clock to...": which output devices follow our tempo, remembered in
// the settings by port name, so a device keeps the choice when the numbering changes. Window
// thread.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QMenu;
class QSettings;
class QWidget;

namespace tarvel {

class CFennoralDoc;

using SettingsOpener = std::function<std::unique_ptr<QSettings>()>;

// The names of the devices that get the clock now.
QStringList ClockDeviceNames(CFennoralDoc& doc);
// Every device whose name is in `names` gets the clock; every other does not.
void ChooseClockDevices(CFennoralDoc& doc, const QStringList& names);

void RestoreClockDevices(CFennoralDoc& doc, QSettings& settings);
void StoreClockDevices(CFennoralDoc& doc, QSettings& settings);

// A dialog with a check box per device ("clockDevice<N>"); OK applies and stores the choice.
void ShowClockOutDialog(QWidget* parent, CFennoralDoc& doc, const SettingsOpener& openSettings);

// Adds "Send MIDI clock to..." to `midiMenu`.
void AddClockOutMenuItem(QMenu* midiMenu, QWidget* parent, CFennoralDoc& doc,
                         SettingsOpener openSettings);

}  // namespace tarvel
