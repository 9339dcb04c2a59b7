// The help viewer: the manual "readme.txt" in a list that only scrolls, with four buttons that
// jump to its sections. The file is read again at every opening.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;

namespace tarvel {

class CHelpDialog final : public QDialog {
    Q_OBJECT
  public:
    // Reads the manual from the first of `folders` that holds one ("" is the working folder).
    CHelpDialog(QWidget* parent, const std::vector<std::string>& folders);

    QListWidget* list() const { return list_; }

    // Brings entry 0 into view, then `entry` to the top of the list, if the list has it.
    void ShowSection(int entry);

  private:
    QListWidget* list_;
};

// Where the manual is looked for: the working folder, then the installed data folder.
std::vector<std::string> HelpFolders();

// Window thread. Modal.
void ShowHelpDialog(QWidget* parent);

}  // namespace tarvel
