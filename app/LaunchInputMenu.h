// The Player menu's "Launch input": "Every input", or the one input port whose notes launch
// patterns in live mode, a pad controller beside a keyboard that goes on playing and recording.
// The port need not be picked under Midi > "Inputs". Remembered by its name and chosen again at
// the next start when it is there. Window thread.
#pragma once

#include <QObject>
#include <QString>

class QMenu;

namespace tarvel {

class CFennoralDoc;
class CMainFrame;
class MidiInDriver;

class LaunchInputMenu final : public QObject {
    Q_OBJECT

  public:
    static constexpr const char* kEveryInput = "Every input";

    LaunchInputMenu(CFennoralDoc& doc, CMainFrame& frame, MidiInDriver& inputs,
                    QString settingsFile);
    ~LaunchInputMenu() override;  // lets go of the port

    // The menu text of the choice now.
    QString chosen() const { return chosen_; }
    // As the menu entries do, by their text. A port that cannot be opened says so, and every
    // input launches. `quiet`: only the next start's attempt, which says nothing.
    void Choose(const QString& choice, bool quiet = false);

  private:
    void Fill();
    void Apply(const QString& choice);

    CFennoralDoc& doc_;
    CMainFrame& frame_;
    MidiInDriver& inputs_;
    QString settingsFile_;
    QString chosen_ = kEveryInput;
};

}  // namespace tarvel
