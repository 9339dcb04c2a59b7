// The Player menu's "Tempo source": "Internal clock", "MIDI clock from <input>" for one of the
// machine's input ports, "JACK transport" or "Ableton Link", and the Link session's bar, "Link
// quantum". Following, the panel's tempo box shows the followed tempo and takes no typing, but
// for Link's, which a typed tempo changes for the whole session. The choice is remembered by its
// menu text and followed again at the next start when it can be; Link joins a network only
// when chosen. Window thread.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "engine/TempoSource.h"

class QMenu;

namespace tarvel {

class CFennoralDoc;
class CMainFrame;
class JackTransport;
class LinkSession;
class MidiInDriver;

class TempoSourceMenu final : public QObject {
    Q_OBJECT

  public:
    static constexpr const char* kInternalClock = "Internal clock";
    static constexpr const char* kJackTransport = "JACK transport";
    static constexpr const char* kAbletonLink = "Ableton Link";

    TempoSourceMenu(CFennoralDoc& doc, CMainFrame& frame, MidiInDriver& inputs,
                    QString settingsFile);
    ~TempoSourceMenu() override;

    QMenu& menu() { return *menu_; }
    // The menu text of the source followed now.
    QString followed() const { return followed_; }
    // As the menu entries do, by their text. A source that cannot be followed says why, and the
    // internal clock plays. `quiet`: only the next start's attempt, which says nothing.
    void Follow(const QString& choice, bool quiet = false);

  private:
    void Fill();
    void FillQuantum();
    void Apply(const QString& choice, TempoSource source);
    void LetGo();  // of what was followed: the clock port, the transport's client, the session

    CFennoralDoc& doc_;
    CMainFrame& frame_;
    MidiInDriver& inputs_;
    QString settingsFile_;
    QMenu* menu_;
    QMenu* quantumMenu_;
    QString followed_ = kInternalClock;
    int quantumBeats_;
    std::unique_ptr<JackTransport> transport_;  // while following it
    std::unique_ptr<LinkSession> link_;         // while following it
};

}  // namespace tarvel
