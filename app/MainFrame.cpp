#include "app/MainFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <mutex>

#include "app/Accelerators.h"
#include "app/Artwork.h"
#include "app/CommandIds.h"
#include "app/CommandTexts.h"
#include "app/ControlPanel.h"
#include "app/FennoralApp.h"
#include "app/FennoralView.h"
#include "app/WebLinks.h"
#include "app/WidgetIds.h"
#include "document/FennoralDoc.h"
#include "engine/PlayWatch.h"

namespace tarvel {

namespace {

// Shortens a recent file's path to at most 30 characters, keeping its root and its name.
QString ShortenedPath(const QString& path) {
    constexpr int kLimit = 30;
    if (path.size() <= kLimit) return path;
    const QStringList parts = path.split('/');
    const QString name = parts.last();
    const QString root = parts.first() + "/";  // "" + "/" for an absolute path
    for (int skip = 1; skip < parts.size() - 1; ++skip) {
        QString shortened = root + "...";
        for (int i = skip + 1; i < parts.size(); ++i) shortened += "/" + parts[i];
        if (shortened.size() <= kLimit) return shortened;
    }
    return name.size() <= kLimit ? name : name.left(kLimit);
}

}  // namespace

CMainFrame::CMainFrame(CFennoralApp& app, CFennoralDoc& doc, WindowServices& services)
    : QMainWindow(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                               Qt::WindowCloseButtonHint),
      app_(app),
      doc_(doc),
      services_(services) {
    setObjectName("CMainFrame");
    setWindowIcon(ProgramIcon());
    view_ = new CFennoralView(doc_, *this);
    panel_ = new ControlPanel(doc_, *this);
    setCentralWidget(view_);
    BuildMenu();
    BuildToolBar();
    BuildStatusBar();
    view_->setFocus();

    // The classic size is the default and the least: as wide as the editor's classic layout,
    // tall enough for its 25 rows. More room shows more of the song.
    setMinimumSize(kWidth, sizeHint().height());
    resize(kWidth, sizeHint().height());

    auto* playWatchTimer = new QTimer(this);
    connect(playWatchTimer, &QTimer::timeout, this, [this] {
        RefreshPlayWatch();
        UpdateCommandStates();
    });
    playWatchTimer->start(100);

    qApp->installEventFilter(this);
}

CMainFrame::~CMainFrame() {
    qApp->removeEventFilter(this);
}

QAction* CMainFrame::AddCommand(QMenu* menu, const char* label, int commandId) {
    auto* action = new QAction(QString::fromLatin1(label), this);
    action->setData(commandId);
    action->setObjectName(QString::number(commandId));
    action->setIconVisibleInMenu(false);
    const CommandText text = TextOfCommand(commandId);
    action->setStatusTip(QString::fromLatin1(text.prompt));
    if (*text.tooltip) action->setToolTip(QString::fromLatin1(text.tooltip));
    connect(action, &QAction::triggered, this, [this, commandId] { Execute(commandId); });
    if (menu) menu->addAction(action);
    actions_.emplace(commandId, action);
    return action;
}

QAction* CMainFrame::action(int commandId) const {
    const auto found = actions_.find(commandId);
    return found == actions_.end() ? nullptr : found->second;
}

void CMainFrame::BuildMenu() {
    using namespace cmd;
    QMenuBar* bar = menuBar();

    fileMenu_ = bar->addMenu("&File");
    AddCommand(fileMenu_, "&New\tCtrl+N", kFileNew);
    AddCommand(fileMenu_, "&Open...\tCtrl+O", kFileOpen);
    AddCommand(fileMenu_, "&Save\tCtrl+S", kFileSave);
    AddCommand(fileMenu_, "Save &As...", kFileSaveAs);
    fileMenu_->addSeparator();
    AddCommand(fileMenu_->addMenu("&Import"), "MIDI file...", kImportMidiFile);
    QMenu* exportMenu = fileMenu_->addMenu("&Export");
    AddCommand(exportMenu, "MIDI file...", kExportMidiFile);
    AddCommand(exportMenu, "Audio file...", kExportAudioFile);
    fileMenu_->addSeparator();
    AddCommand(fileMenu_, "Edit song header...", kEditSongHeader);
    fileMenu_->addSeparator();
    AddCommand(fileMenu_, "&Print...\tCtrl+P", kFilePrint);
    AddCommand(fileMenu_, "Print Pre&view", kFilePrintPreview);
    AddCommand(fileMenu_, "P&rint Setup...", kFilePrintSetup);
    fileMenu_->addSeparator();
    // The placeholder holds id 57616 until there is a recent file; then the entries take over.
    recentPlaceholder_ = new QAction("Recent File", this);
    recentPlaceholder_->setEnabled(false);
    fileMenu_->addAction(recentPlaceholder_);
    for (int i = 0; i < kRecentFileCount; ++i) {
        recentFiles_[i] = AddCommand(fileMenu_, "", kRecentFile1 + i);
        recentFiles_[i]->setVisible(false);
    }
    fileMenu_->addSeparator();
    AddCommand(fileMenu_, "E&xit", kAppExit);

    editMenu_ = bar->addMenu("&Edit");
    AddCommand(editMenu_, "&Undo\tCtrl+Z",
               kEditUndo);  // named after the step by UpdateCommandStates
    AddCommand(editMenu_, "&Redo\tCtrl+Y", kEditRedo);
    editMenu_->addSeparator();
    AddCommand(editMenu_, "Mark pattern block start\tCtrl+B", kMarkBlockStart);
    AddCommand(editMenu_, "Mark pattern block end\tCtrl+E", kMarkBlockEnd);
    editMenu_->addSeparator();
    AddCommand(editMenu_, "Cu&t\tCtrl+X", kEditCut);
    AddCommand(editMenu_, "&Copy\tCtrl+C", kEditCopy);
    AddCommand(editMenu_, "&Paste\tCtrl+V", kEditPaste);
    AddCommand(editMenu_, "Interpolate velocity\tCtrl+U", kInterpolateVelocity);
    AddCommand(editMenu_, "Interpolate parameter\tCtrl+I", kInterpolateParameter);
    editMenu_->addSeparator();
    AddCommand(editMenu_, "Shift octave down\t/", kOctaveDown);
    AddCommand(editMenu_, "Shift octave up\t*", kOctaveUp);
    editMenu_->addSeparator();
    AddCommand(editMenu_, "Prev. pattern\t-", kPrevPattern);
    AddCommand(editMenu_, "Next pattern\t+", kNextPattern);
    editMenu_->addSeparator();
    AddCommand(editMenu_, "Transpose up sequencer row\tCtrl +", kTransposeUp);
    AddCommand(editMenu_, "Transpose down sequencer row\tCtrl -", kTransposeDown);
    editMenu_->addSeparator();
    AddCommand(editMenu_, "Cut pattern\tCtrl+F3", kCutPattern);
    AddCommand(editMenu_, "Copy pattern\tCtrl+F4", kCopyPattern);
    AddCommand(editMenu_, "Paste pattern\tCtrl+F5", kPastePattern);
    editMenu_->addSeparator();
    AddCommand(editMenu_, "Pattern properties...\tAlt+ENTER", kPatternProperties);

    QMenu* viewMenu = bar->addMenu("&View");
    AddCommand(viewMenu, "&Toolbar", kViewToolbar)->setCheckable(true);
    AddCommand(viewMenu, "&Status Bar", kViewStatusBar)->setCheckable(true);
    viewMenu->addSeparator();
    AddCommand(viewMenu, "Follow play\tScroll Lock", kFollowPlay)->setCheckable(true);
    viewMenu->addSeparator();
    AddCommand(viewMenu, "Zoom in\tCtrl++", kZoomIn);
    AddCommand(viewMenu, "Zoom out\tCtrl+-", kZoomOut);
    AddCommand(viewMenu, "Actual size\tCtrl+0", kActualSize);

    QMenu* playerMenu = playerMenu_ = bar->addMenu("Player");
    AddCommand(playerMenu, "Record\tSpace", kRecord)->setCheckable(true);
    playerMenu->addSeparator();
    AddCommand(playerMenu, "Play current pattern\tF4", kPlayPattern)->setCheckable(true);
    AddCommand(playerMenu, "Play song\tF5", kPlaySong)->setCheckable(true);
    AddCommand(playerMenu, "Stop\tF8", kStop);  // F8 is the key that stops
    playerMenu->addSeparator();
    AddCommand(playerMenu, "Seek start", kSeekStart);
    AddCommand(playerMenu, "Seek end", kSeekEnd);
    playerMenu->addSeparator();
    AddCommand(playerMenu, "Mute current track\tF9", kMuteTrack)->setCheckable(true);
    AddCommand(playerMenu, "Solo current track\tShift+F9", kSoloTrack)->setCheckable(true);
    playerMenu->addSeparator();
    AddCommand(playerMenu, "Live mode\tF7", kLiveMode)->setCheckable(true);
    AddCommand(playerMenu, "Launch slot at cursor\tShift+F7", kLaunchSlot);
    AddCommand(playerMenu, "Queue mute of current track\tCtrl+F9", kQueueMute);
    AddCommand(playerMenu, "Launch at pattern end", kLaunchAtPatternEnd)->setCheckable(true);
    AddCommand(playerMenu, "Launch at next bar", kLaunchAtNextBar)->setCheckable(true);
    launchInputMenu_ = playerMenu->addMenu("Launch input");  // filled by LaunchInputMenu
    launchInputMenu_->setObjectName("launchInput");
    AddCommand(playerMenu, "Record arrangement", kRecordArrangement)->setCheckable(true);

    QMenu* midiMenu = midiMenu_ = bar->addMenu("Midi");
    QMenu* sendMenu = midiMenu->addMenu("Send");
    AddCommand(sendMenu, "All controllers reset", kMidiResetControllers);
    AddCommand(sendMenu, "All notes off", kMidiAllNotesOff);
    midiMenu->addSeparator();
    AddCommand(midiMenu, "Open Multimedia mixer panel", kOpenMixer);

    QMenu* toolsMenu = bar->addMenu("Tools");
    AddCommand(toolsMenu, "View delay times...", kDelayTimes);

    QMenu* helpMenu = bar->addMenu("&Help");
    AddCommand(helpMenu, "&About TARVEL...", kAppAbout);
    QMenu* linksMenu = helpMenu->addMenu("Internet links");
    for (const WebLink& link : kWebLinks) {
        if (link.separatorBefore) linksMenu->addSeparator();
        AddCommand(linksMenu, link.label, link.commandId);
    }
    helpMenu->addSeparator();
    AddCommand(helpMenu, "Show help file...\tF1", kShowHelp);

    // The keys that have no menu item still have commands: both are never enabled.
    AddCommand(nullptr, "", kNextPane);
    AddCommand(nullptr, "", kPrevPane);

    for (QMenu* menu : bar->findChildren<QMenu*>())
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
}

void CMainFrame::BuildToolBar() {
    using namespace cmd;
    constexpr int kSlots[25] = {kFileNew,
                                kFileOpen,
                                kFileSave,
                                0,
                                kEditCut,
                                kEditCopy,
                                kEditPaste,
                                0,
                                kFilePrint,
                                0,
                                kRecord,
                                kPlayPattern,
                                kPlaySong,
                                kStop,
                                kSeekStart,
                                kSeekEnd,
                                0,
                                kAppAbout,
                                kMidiResetControllers,
                                kMidiAllNotesOff,
                                0,
                                kDelayTimes,
                                0,
                                kShowHelp,
                                kWebsite};
    toolBar_ = new QToolBar("Toolbar", this);
    toolBar_->setObjectName(widget_id::Name(widget_id::kToolBar));
    toolBar_->setIconSize(QSize(26, 18));
    toolBar_->setAllowedAreas(Qt::TopToolBarArea);
    toolBar_->setFloatable(false);
    for (int id : kSlots) {
        if (id == 0) {
            toolBar_->addSeparator();
            continue;
        }
        QAction* command = action(id);
        command->setIcon(ToolbarIcon(id));
        toolBar_->addAction(command);
    }
    addToolBar(Qt::TopToolBarArea, toolBar_);
    addToolBarBreak(Qt::TopToolBarArea);

    panelBar_ = new QToolBar("Control panel", this);
    panelBar_->setObjectName(widget_id::Name(widget_id::kPanelBar));
    panelBar_->setAllowedAreas(Qt::TopToolBarArea);
    panelBar_->setFloatable(false);
    panelBar_->addWidget(panel_);
    addToolBar(Qt::TopToolBarArea, panelBar_);
}

void CMainFrame::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(widget_id::Name(widget_id::kStatusBar));
    bar->setSizeGripEnabled(true);
    for (const char* indicator : {"CAP", "NUM", "SCRL"}) {
        auto* pane = new QLabel(indicator, bar);
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(36);
        bar->addPermanentWidget(pane);
        followPlayPane_ = pane;  // the last: Scroll Lock is the key of Follow play
    }
    followPlayPane_->setObjectName("followPlayPane");
    // The message pane falls back to the idle prompt whenever a command prompt goes away.
    connect(bar, &QStatusBar::messageChanged, this, [bar](const QString& message) {
        if (message.isEmpty()) bar->showMessage(kIdlePrompt);
    });
    bar->showMessage(kIdlePrompt);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    // Accelerators come first, wherever in this window the keyboard is.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        if (const int commandId = AcceleratorCommand(*static_cast<QKeyEvent*>(event))) {
            Execute(commandId);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::Execute(int commandId) {
    if (!IsCommandEnabled(commandId)) return;
    RunCommand(commandId);
    UpdateCommandStates();
    view_->update();
    if (isVisible()) view_->setFocus();
}

void CMainFrame::UpdateCommandStates() {
    for (const auto& [id, command] : actions_) {
        command->setEnabled(IsCommandEnabled(id));
        if (command->isCheckable()) command->setChecked(IsCommandChecked(id));
    }
    followPlayPane_->setText(IsCommandChecked(cmd::kFollowPlay) ? "SCRL" : "");
    ShowUndoState();
}

void CMainFrame::SelectCurrentChannel() {
    if (panel_->IsFilled()) panel_->SelectCurrentChannel();
}

void CMainFrame::ShowRecentFiles(const QStringList& paths) {
    for (int i = 0; i < cmd::kRecentFileCount; ++i) {
        const bool used = i < paths.size();
        recentFiles_[i]->setVisible(used);
        if (used)
            recentFiles_[i]->setText(QString("&%1 %2").arg(i + 1).arg(ShortenedPath(paths[i])));
    }
    recentPlaceholder_->setVisible(paths.isEmpty());
}

void CMainFrame::RefreshPlayWatch() {
    if (!shown_) return;
    int played;
    {
        std::lock_guard lock(doc_.mutex);
        played = doc_.player.playWatch;
    }
    panel_->SetPlayWatchText(QString::fromStdString(FormatPlayWatch(played)));
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_) return;
    panel_->Fill();
    panel_->SelectCurrentChannel();
    {
        std::lock_guard lock(doc_.mutex);
        doc_.ShowBpm();
    }
    doc_.DispatchUiSignals();
    UpdateCommandStates();
    shown_ = true;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!app_.SaveModifiedSong()) {
        event->ignore();
        return;
    }
    app_.StoreWindowSize();
    doc_.CloseMidiPorts();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) app_.OpenDroppedFile(url.toLocalFile().toStdString());
    }
    event->acceptProposedAction();
}

}  // namespace tarvel
