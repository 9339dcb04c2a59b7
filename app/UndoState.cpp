// What the window shows of the undo history: the Edit menu's Undo and Redo name the step they
// take back, and the title marks a song that differs from its file.
#include <mutex>

#include "app/CommandIds.h"
#include "app/FennoralApp.h"
#include "app/MainFrame.h"
#include "document/FennoralDoc.h"

namespace tarvel {

void CMainFrame::ShowUndoState() {
    QString undo, redo;
    {
        std::lock_guard lock(doc_.mutex);
        undo = QString::fromLatin1(doc_.history.UndoLabel());
        redo = QString::fromLatin1(doc_.history.RedoLabel());
    }
    if (QAction* action = actions_[cmd::kEditUndo])
        action->setText((undo.isEmpty() ? "&Undo" : "&Undo " + undo) + "\tCtrl+Z");
    if (QAction* action = actions_[cmd::kEditRedo])
        action->setText((redo.isEmpty() ? "&Redo" : "&Redo " + redo) + "\tCtrl+Y");
    const QString title = app_.WindowTitle();
    if (windowTitle() != title) setWindowTitle(title);
}

}  // namespace tarvel
