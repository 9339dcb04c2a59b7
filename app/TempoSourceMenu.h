// The Player menu's "Tempo source": "Internal clock", or "MIDI clock from <input>" for one of
// the machine's input ports. Following, the panel's tempo box shows the followed tempo and
// takes no typing. The choice is remembered by port name and followed again at the next start
// when that port is there. Window thread.
#pragma once

#include <QObject>
#include <QString>

class QMenu;

namespace tarvel {

class CFennoralDoc;
class CMainFrame;
class MidiInDriver;

class TempoSourceMenu final : public QObject {
    Q_OBJECT

  public:
    TempoSourceMenu(CFennoralDoc& doc, CMainFrame& frame, MidiInDriver& inputs,
                    QString settingsFile);

    QMenu& menu() { return *menu_; }
    // The port whose clock is followed; "" for the internal clock.
    QString followed() const { return followed_; }
    // As the menu entries do. "" is the internal clock. A port that cannot be followed says so
    // and leaves the internal clock playing.
    void Follow(const QString& port);

  private:
    void Fill();
    void Apply(const QString& port);

    CFennoralDoc& doc_;
    CMainFrame& frame_;
    MidiInDriver& inputs_;
    QString settingsFile_;
    QMenu* menu_;
    QString followed_;
};

}  // namespace tarvel
