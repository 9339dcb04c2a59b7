// The main window: menu, accelerators, toolbar, control panel, status bar and the editor view,
// the 100 ms play-watch timer and the command routing. It holds no song data: everything it
// shows it reads from the document. Window thread. Defined in app/MainFrame.cpp, except where a
// group names its own file.
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <map>

#include "engine/PlayerState.h"

class QLabel;
class QMenu;
class QToolBar;

namespace tarvel {

class CFennoralApp;
class CFennoralDoc;
class CFennoralView;
class ControlPanel;
class WindowServices;

class CMainFrame final : public QMainWindow {
    Q_OBJECT

  public:
    static constexpr int kWidth = 802;

    CMainFrame(CFennoralApp& app, CFennoralDoc& doc, WindowServices& services);
    ~CMainFrame() override;

    CFennoralView& view() { return *view_; }
    ControlPanel& panel() { return *panel_; }
    QMenu& editMenu() { return *editMenu_; }
    QMenu& midiMenu() { return *midiMenu_; }
    QMenu& playerMenu() { return *playerMenu_; }
    QMenu& launchInputMenu() { return *launchInputMenu_; }
    WindowServices& services() { return services_; }
    QToolBar& toolBar() { return *toolBar_; }
    QAction* action(int commandId) const;

    // Runs a command as the menu, an accelerator or the toolbar would: a disabled one does
    // nothing. Afterwards the keyboard goes back to the editor.
    void Execute(int commandId);
    bool IsCommandEnabled(int commandId) const;  // (app/CommandRouting.cpp)
    bool IsCommandChecked(int commandId) const;  // (app/CommandRouting.cpp)
    void UpdateCommandStates();

    void SelectCurrentChannel();  // once the panel is filled
    void ShowRecentFiles(const QStringList& paths);
    void RefreshPlayWatch();
    void AcceptDroppedFiles() { setAcceptDrops(true); }
    // "Follow play": kept in the settings as it changes.
    void SetFollowPlay(bool on);  // (app/WindowSettings.cpp)
    // The view's zoom: kept in the settings as it changes.
    void SetZoom(int percent);  // (app/WindowSettings.cpp)
    // When launches start: kept in the settings as it changes.
    void SetLaunchBoundary(LaunchBoundary boundary);  // (app/WindowSettings.cpp)

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void BuildMenu();
    void BuildToolBar();
    void BuildStatusBar();
    QAction* AddCommand(QMenu* menu, const char* label, int commandId);
    void RunCommand(int commandId);  // the routing table
    void EditPatternProperties();
    // (app/CommandRouting.cpp)
    void ShowUndoState();  // the Undo and Redo items name their steps; the title marks a change
    // (app/UndoState.cpp)

    CFennoralApp& app_;
    CFennoralDoc& doc_;
    WindowServices& services_;
    CFennoralView* view_;
    ControlPanel* panel_;
    QToolBar* toolBar_ = nullptr;
    QToolBar* panelBar_ = nullptr;
    QMenu* editMenu_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QMenu* midiMenu_ = nullptr;
    QMenu* playerMenu_ = nullptr;
    QMenu* launchInputMenu_ = nullptr;
    std::map<int, QAction*> actions_;
    QAction* recentPlaceholder_ = nullptr;
    QAction* recentFiles_[4] = {};
    QLabel* followPlayPane_ = nullptr;  // the status bar's SCRL: lit while Follow play is on
    bool shown_ = false;
};

}  // namespace tarvel
