// The strip of controls under the toolbar: the current channel with its device, program and
// velocity, the tempo, the sequencer step, the play watch and the pattern programmer helper.
// It keeps no state of its own: every value it shows lives in the document. Window thread.
#pragma once

#include <QWidget>
#include <optional>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace tarvel {

class CFennoralDoc;
class CMainFrame;

class ControlPanel final : public QWidget {
    Q_OBJECT

  public:
    ControlPanel(CFennoralDoc& doc, CMainFrame& frame);

    void Fill();                    // when the frame is first shown
    void SelectCurrentChannel();    // after a channel change elsewhere, New and Open
    void RefreshChannelControls();  // device, program list and velocity of the channel
    void RefillProgramList();       // then repaints the view and gives it the focus
    void SelectProgram(int program);
    void ShowBpmText(int bpm);
    // Under the tempo box: where the tempo comes from. Followed, the box takes no typing, unless
    // the tempo is the session's to share: then a tempo typed and entered goes to the session.
    void ShowTempoSource(const QString& label, bool followed, bool typedTempoShared);
    void SetPlayWatchText(const QString& text);
    // status empty: that field keeps its text.
    void SetHelperTexts(const std::string& row, const std::string& value,
                        const std::optional<std::string>& status);
    bool IsFilled() const { return filled_; }

  private:
    void Build();
    void ChooseChannel(int channel);
    void StepChannel(int delta);
    void ChooseDevice(int device);
    void ChooseProgram(int program);
    void ApplyTempoText(const QString& text);
    void ShowPlayingTempo();  // when the user leaves the tempo box
    void ApplyVelocity(int value);
    void ChooseStep(int index);
    void EditPatchName();
    void OpenPatchList();
    void SavePatchList();
    void BackToView();

    CFennoralDoc& doc_;
    CMainFrame& frame_;
    bool filled_ = false;
    bool tempoShared_ = false;  // a typed tempo goes to the followed session

    QComboBox* channelList_;
    QComboBox* deviceList_;
    QComboBox* programList_;
    QComboBox* stepList_;
    QSlider* velocity_;
    QLineEdit* tempo_;
    QLabel* tempoSource_;
    QLabel* playWatch_;
    QLabel* helperRow_;
    QLabel* helperValue_;
    QLabel* helperStatus_;
};

}  // namespace tarvel
