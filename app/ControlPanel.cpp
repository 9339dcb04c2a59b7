#include "app/ControlPanel.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <mutex>

#include "app/Artwork.h"
#include "app/FailureBox.h"
#include "app/FennoralView.h"
#include "app/MainFrame.h"
#include "app/WidgetIds.h"
#include "app/WindowServices.h"
#include "document/FennoralDoc.h"
#include "document/Release.h"
#include "document/UndoableEdits.h"
#include "editor/PanelChoices.h"
#include "editor/TypedNumber.h"
#include "song/Tempo.h"

namespace tarvel {

namespace {

// Dialog units of the panel's layout to pixels, for an 8-point dialog font.
QRect Dlu(int x, int y, int width, int height) {
    return QRect(x * 3 / 2, y * 13 / 8, width * 3 / 2, height * 13 / 8);
}

template <typename Widget>
Widget* Place(Widget* widget, const QRect& where, int id = 0) {
    widget->setGeometry(where);
    if (id) widget->setObjectName(widget_id::Name(id));
    return widget;
}

QLabel* Caption(QWidget* parent, const char* text, const QRect& where, bool centred = true) {
    auto* label = Place(new QLabel(text, parent), where);
    if (centred) label->setAlignment(Qt::AlignCenter);
    return label;
}

// The tempos an Ableton Link session takes.
constexpr int kLowestSharedBpm = 20;
constexpr int kHighestSharedBpm = 999;

// The tempo the box's text asks for (editor/TypedNumber.h); none for an empty box.
std::optional<int> TypedBpm(const QString& text) {
    if (text.isEmpty()) return std::nullopt;
    return LeadingNumber(text.left(3).toStdString());
}

QComboBox* DropDownList(QWidget* parent, int id, const QRect& where) {
    auto* list = Place(new QComboBox(parent), QRect(where.x(), where.y(), where.width(), 20), id);
    list->setMaxVisibleItems(12);
    return list;
}

}  // namespace

ControlPanel::ControlPanel(CFennoralDoc& doc, CMainFrame& frame)
    : QWidget(&frame), doc_(doc), frame_(frame) {
    setObjectName(widget_id::Name(widget_id::kControlPanel));
    Build();
}

void ControlPanel::Build() {
    QFont font = this->font();
    font.setPixelSize(10);
    setFont(font);
    setFixedSize(Dlu(0, 0, 455, 116).size());

    Place(new QGroupBox("Channel device/program assignment", this), Dlu(4, 0, 276, 72));
    Caption(this, "CH.", Dlu(12, 12, 16, 12), false);
    auto* previous =
        Place(new QPushButton("<<", this), Dlu(28, 12, 28, 14), widget_id::kPreviousChannel);
    channelList_ = DropDownList(this, widget_id::kChannelList, Dlu(56, 12, 28, 156));
    auto* next = Place(new QPushButton(">>", this), Dlu(84, 12, 28, 14), widget_id::kNextChannel);
    deviceList_ = DropDownList(this, widget_id::kDeviceList, Dlu(116, 12, 116, 156));
    auto* details =
        Place(new QPushButton("Details...", this), Dlu(236, 12, 39, 14), widget_id::kDeviceDetails);
    Caption(this, "Program", Dlu(12, 28, 40, 12));
    programList_ = DropDownList(this, widget_id::kProgramList, Dlu(56, 28, 120, 156));
    auto* edit =
        Place(new QPushButton("Edit...", this), Dlu(180, 28, 28, 14), widget_id::kEditPatchName);
    auto* open =
        Place(new QPushButton("Open...", this), Dlu(212, 28, 28, 14), widget_id::kOpenPatchList);
    auto* save =
        Place(new QPushButton("Save...", this), Dlu(244, 28, 31, 14), widget_id::kSavePatchList);
    Caption(this, "Velocity", Dlu(12, 44, 40, 20));
    velocity_ =
        Place(new QSlider(Qt::Horizontal, this), Dlu(56, 44, 220, 20), widget_id::kVelocity);
    velocity_->setTickPosition(QSlider::NoTicks);

    Caption(this, "Pattern programmer helper", Dlu(4, 74, 276, 8), false);
    Caption(this, "Row", Dlu(4, 84, 40, 12));
    Caption(this, "Value", Dlu(44, 84, 48, 12));
    Caption(this, "Status", Dlu(92, 84, 188, 12));
    helperRow_ =
        Place(Caption(this, "", Dlu(4, 98, 40, 12)), Dlu(4, 98, 40, 12), widget_id::kHelperRow);
    helperValue_ =
        Place(Caption(this, "", Dlu(44, 98, 48, 12)), Dlu(44, 98, 48, 12), widget_id::kHelperValue);
    helperStatus_ = Place(Caption(this, "", Dlu(92, 98, 188, 12)), Dlu(92, 98, 188, 12),
                          widget_id::kHelperStatus);
    for (QLabel* helper : {helperRow_, helperValue_, helperStatus_})
        helper->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    Place(new QGroupBox("Timing", this), Dlu(284, 0, 101, 32));
    Caption(this, "Beats per minute", Dlu(291, 12, 62, 12));
    tempo_ = Place(new QLineEdit(this), Dlu(357, 12, 20, 12), widget_id::kTempo);
    tempo_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), tempo_));
    tempoSource_ =
        Place(Caption(this, "", Dlu(289, 24, 92, 8)), Dlu(289, 24, 92, 8), widget_id::kTempoSource);

    Place(new QGroupBox("Control", this), Dlu(284, 34, 101, 78));
    auto* mixer = Place(new QPushButton("Open MM mixer...", this), Dlu(289, 44, 92, 24),
                        widget_id::kOpenMixer);
    Caption(this, "Sequencer step", Dlu(289, 72, 56, 12), false);
    stepList_ = DropDownList(this, widget_id::kSequencerStep, Dlu(345, 72, 36, 180));
    Caption(this, "Play watch", Dlu(289, 88, 48, 20));
    playWatch_ = Place(Caption(this, "00:00:000", Dlu(341, 88, 40, 20)), Dlu(341, 88, 40, 20),
                       widget_id::kPlayWatch);

    Caption(this, "F1 for help", Dlu(389, 4, 60, 12));
    auto* logo = Place(new QLabel(this), Dlu(389, 20, 61, 32));
    logo->setPixmap(LogoImage(logo->devicePixelRatioF()));
    logo->setAlignment(Qt::AlignCenter);
    Caption(this, (QString("\n\nVAS\n\n") + kReleaseLabel).toLatin1().constData(),
            Dlu(389, 56, 60, 56));

    // Buttons and lists keep the keyboard away from the editor only for the click itself.
    for (QWidget* control : findChildren<QPushButton*>()) control->setFocusPolicy(Qt::NoFocus);

    connect(previous, &QPushButton::clicked, this, [this] { StepChannel(-1); });
    connect(next, &QPushButton::clicked, this, [this] { StepChannel(+1); });
    connect(channelList_, &QComboBox::activated, this, &ControlPanel::ChooseChannel);
    connect(deviceList_, &QComboBox::activated, this, &ControlPanel::ChooseDevice);
    connect(details, &QPushButton::clicked, this, [this] {
        doc_.ShowMidiOutInfo();
        BackToView();
    });
    connect(programList_, &QComboBox::activated, this, &ControlPanel::ChooseProgram);
    connect(edit, &QPushButton::clicked, this, &ControlPanel::EditPatchName);
    connect(open, &QPushButton::clicked, this, &ControlPanel::OpenPatchList);
    connect(save, &QPushButton::clicked, this, &ControlPanel::SavePatchList);
    connect(velocity_, &QSlider::valueChanged, this, &ControlPanel::ApplyVelocity);
    // Only the user's typing sets the tempo: a tempo the program writes into the box must not
    // come back rounded (a 124 ms line shows 120, which would make it 125 ms).
    connect(tempo_, &QLineEdit::textEdited, this, &ControlPanel::ApplyTempoText);
    connect(tempo_, &QLineEdit::editingFinished, this, &ControlPanel::ShowPlayingTempo);
    connect(mixer, &QPushButton::clicked, this, [this] {
        frame_.services().OpenMixer(&frame_);
        BackToView();
    });
    connect(stepList_, &QComboBox::activated, this, &ControlPanel::ChooseStep);
}

void ControlPanel::Fill() {
    filled_ = false;
    velocity_->setRange(1, 127);
    channelList_->clear();
    for (int channel = 1; channel <= 16; ++channel) channelList_->addItem(QString::number(channel));
    stepList_->clear();
    for (int step : kSequencerSteps) stepList_->addItem(QString::number(step));
    stepList_->setCurrentIndex(7);
    deviceList_->clear();
    {
        std::lock_guard lock(doc_.mutex);
        for (int device = 0; device < doc_.ports.deviceCount; ++device)
            deviceList_->addItem(QString::fromLatin1(doc_.ports.capabilities[device].productName));
    }
    RefillProgramList();
    filled_ = true;
}

void ControlPanel::SelectCurrentChannel() {
    int channel;
    {
        std::lock_guard lock(doc_.mutex);
        channel = doc_.editor.currentChannel;
    }
    channelList_->setCurrentIndex(channel);
    RefreshChannelControls();
}

void ControlPanel::RefreshChannelControls() {
    int device;
    int velocity;
    {
        std::lock_guard lock(doc_.mutex);
        const int channel = doc_.editor.currentChannel & 0x0F;
        device = doc_.song.channelDevice[channel];
        velocity = doc_.song.channelVelocity[channel];
    }
    deviceList_->setCurrentIndex(device < deviceList_->count() ? device : -1);
    RefillProgramList();
    velocity_->setValue(velocity);
}

void ControlPanel::RefillProgramList() {
    const ProgramList list = doc_.RefillProgramList();
    programList_->clear();
    for (const std::string& entry : list.entries)
        programList_->addItem(QString::fromLatin1(entry.data(), qsizetype(entry.size())));
    programList_->setCurrentIndex(list.selected);
    frame_.view().update();
    BackToView();
}

void ControlPanel::SelectProgram(int program) {
    programList_->setCurrentIndex(program < programList_->count() ? program : -1);
}

void ControlPanel::ShowTempoSource(const QString& label, bool followed, bool typedTempoShared) {
    // The internal clock is the usual case and goes unsaid.
    tempoSource_->setText(followed ? label : QString());
    tempo_->setReadOnly(followed && !typedTempoShared);
    tempoShared_ = typedTempoShared;
}

void ControlPanel::ShowBpmText(int bpm) {
    tempo_->setText(QString::number(bpm));
}

void ControlPanel::SetPlayWatchText(const QString& text) {
    playWatch_->setText(text);
}

void ControlPanel::SetHelperTexts(const std::string& row, const std::string& value,
                                  const std::optional<std::string>& status) {
    helperRow_->setText(QString::fromLatin1(row.data(), qsizetype(row.size())));
    helperValue_->setText(QString::fromLatin1(value.data(), qsizetype(value.size())));
    if (status)
        helperStatus_->setText(QString::fromLatin1(status->data(), qsizetype(status->size())));
}

void ControlPanel::ChooseChannel(int channel) {
    {
        std::lock_guard lock(doc_.mutex);
        tarvel::ChooseChannel(doc_.songEditor, channel);
    }
    RefreshChannelControls();
    frame_.view().update();
    BackToView();
}

void ControlPanel::StepChannel(int delta) {
    bool moved;
    {
        std::lock_guard lock(doc_.mutex);
        moved = tarvel::StepChannel(doc_.songEditor, delta);
    }
    if (moved) {
        SelectCurrentChannel();
        frame_.view().update();
    }
    BackToView();
}

void ControlPanel::ChooseDevice(int device) {
    if (device >= 0) {
        std::lock_guard lock(doc_.mutex);
        const int channel = doc_.editor.currentChannel & 0x0F;
        if (doc_.song.channelDevice[channel] != device)
            SetChannelDeviceAsEdit(doc_, channel, device);
    }
    BackToView();
}

void ControlPanel::ChooseProgram(int program) {
    if (program >= 0) {
        std::lock_guard lock(doc_.mutex);
        SetChannelProgramAsEdit(doc_, doc_.editor.currentChannel & 0x0F,
                                static_cast<std::uint8_t>(program));
    }
    frame_.view().update();
    BackToView();
}

void ControlPanel::ApplyTempoText(const QString& text) {
    // Every keystroke counts, so typing 400 sets 40 on the second digit; a fourth digit is not
    // read. Tempos outside 32..512 are refused by SetBpm.
    const std::optional<int> bpm = TypedBpm(text);
    // A session's tempo changes once, when entered: not 4, 40 and 400 for everybody.
    if (!bpm || tempoShared_) return;
    std::lock_guard lock(doc_.mutex);
    SetBpmAsEdit(doc_, *bpm);
}

void ControlPanel::ShowPlayingTempo() {
    int lineDuration;
    double followedBpm;
    {
        std::lock_guard lock(doc_.mutex);
        lineDuration = doc_.EffectiveLineDuration();
        followedBpm = doc_.engine.FollowedBpm();
    }
    if (tempoShared_) {
        // Link's range; the session's tempo shows as it comes back.
        const std::optional<int> typed = TypedBpm(tempo_->text());
        if (typed >= kLowestSharedBpm && typed <= kHighestSharedBpm && doc_.SetSharedTempo(*typed))
            return;
        if (followedBpm > 0) ShowBpmText(static_cast<int>(std::lround(followedBpm)));
        return;
    }
    // A typed tempo that plays stays as typed (400 plays as 405); anything else, refused or only
    // partly read, gives way to the tempo that plays.
    const std::optional<int> typed = TypedBpm(tempo_->text());
    if (tempo_->text().size() <= 3 && typed > 0 && LineDurationOfBpm(*typed) == lineDuration)
        return;
    ShowBpmText(BpmOfLineDuration(lineDuration));
}

void ControlPanel::ApplyVelocity(int value) {
    if (!filled_) return;
    std::lock_guard lock(doc_.mutex);
    SetChannelVelocityAsEdit(doc_, doc_.editor.currentChannel & 0x0F, value);
}

void ControlPanel::ChooseStep(int index) {
    {
        std::lock_guard lock(doc_.mutex);
        ChooseSequencerStep(doc_.songEditor, index);
    }
    frame_.view().update();
    BackToView();
}

void ControlPanel::EditPatchName() {
    std::string name;
    {
        std::lock_guard lock(doc_.mutex);
        const int program = doc_.song.channelProgram[doc_.editor.currentChannel & 0x0F];
        const char* stored = doc_.song.patchNames[program];
        name.assign(stored, strnlen(stored, kNameSize));
    }
    if (frame_.services().RunPatchNameDialog(&frame_, name)) {
        doc_.EditPatchName(name);
        RefillProgramList();
    }
    BackToView();
}

void ControlPanel::OpenPatchList() {
    if (const auto path = frame_.services().ChoosePatchListToOpen(&frame_)) {
        WorkedElseShowBox(frame_.services(), &frame_, doc_.LoadPatchList(*path));
        RefillProgramList();
    }
    BackToView();
}

void ControlPanel::SavePatchList() {
    if (const auto path = frame_.services().ChoosePatchListToSave(&frame_)) {
        WorkedElseShowBox(frame_.services(), &frame_, doc_.SavePatchList(*path));
    }
    BackToView();
}

void ControlPanel::BackToView() {
    frame_.view().setFocus();
}

}  // namespace tarvel
