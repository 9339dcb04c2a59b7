// The Midi menu's input items: "Inputs", one checkable entry per input port of the machine
// (our own first), and "Record velocity". The ports picked are remembered by name in the
// settings and opened again at the next start when they are there. Owns the input driver;
// goes before the document. Window thread.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

class QAction;
class QMenu;
class QTimer;

namespace tarvel {

class CFennoralDoc;
class DocumentMidiInput;
class MidiInDriver;

class MidiInputMenu final : public QObject {
    Q_OBJECT

  public:
    // `driver` null: the system's inputs.
    MidiInputMenu(CFennoralDoc& doc, QMenu& midiMenu, QString settingsFile,
                  std::unique_ptr<MidiInDriver> driver = nullptr);
    ~MidiInputMenu() override;

    QMenu& inputsMenu() { return *inputs_; }
    MidiInDriver& driver() { return *driver_; }
    QStringList OpenPorts() const { return open_; }
    // As the menu entries do: opens or closes the port and remembers the choice.
    void SetPortPicked(const QString& name, bool picked);
    void SetRecordVelocity(bool on);
    // Asks the driver whether open ports are still there (a timer does so every second).
    void CheckPorts();

  private:
    void FillInputs();
    void Remember() const;

    CFennoralDoc& doc_;
    QString settingsFile_;
    std::unique_ptr<DocumentMidiInput> sink_;
    std::unique_ptr<MidiInDriver> driver_;
    QMenu* inputs_;
    QAction* recordVelocity_;
    QTimer* checkTimer_;
    QStringList open_;
};

}  // namespace tarvel
