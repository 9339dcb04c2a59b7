#include "app/LaunchInputMenu.h"

#include <QActionGroup>
#include <QMenu>
#include <QSettings>
#include <mutex>

#include "app/FennoralApp.h"
#include "app/MainFrame.h"
#include "app/WindowServices.h"
#include "document/FennoralDoc.h"

namespace tarvel {
namespace {

constexpr const char* kLaunchInputKey = "Player/LaunchInput";  // the menu text

}  // namespace

LaunchInputMenu::LaunchInputMenu(CFennoralDoc& doc, CMainFrame& frame, MidiInDriver& inputs,
                                 QString settingsFile)
    : doc_(doc), frame_(frame), inputs_(inputs), settingsFile_(std::move(settingsFile)) {
    connect(&frame_.launchInputMenu(), &QMenu::aboutToShow, this, &LaunchInputMenu::Fill);
    // A port remembered but not here today stays remembered; every input launches meanwhile.
    const QString remembered = OpenSettings(settingsFile_)->value(kLaunchInputKey).toString();
    if (!remembered.isEmpty()) Choose(remembered, /*quiet=*/true);
}

LaunchInputMenu::~LaunchInputMenu() {
    inputs_.SetLaunchInput("");
}

void LaunchInputMenu::Fill() {
    QMenu& menu = frame_.launchInputMenu();
    menu.clear();
    auto* group = new QActionGroup(&menu);
    const auto add = [&](const QString& text) {
        QAction* item = menu.addAction(text);
        item->setCheckable(true);
        item->setChecked(text == chosen_);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, text] { Choose(text); });
    };
    add(kEveryInput);
    for (const std::string& port : inputs_.PortNames()) add(QString::fromStdString(port));
}

void LaunchInputMenu::Choose(const QString& choice, bool quiet) {
    if (choice == chosen_) return;
    const bool every = choice == kEveryInput;
    if (!inputs_.SetLaunchInput(every ? "" : choice.toStdString())) {  // then it has none
        Apply(kEveryInput);
        if (quiet) return;  // kept for a start where the port is there
        frame_.services().ShowMessage(
            &frame_, {MessageIcon::Error, "Launch input",
                      "The notes of \"" + choice.toStdString() +
                          "\" cannot launch patterns: the port cannot be opened. Every input "
                          "launches.",
                      true});
        OpenSettings(settingsFile_)->setValue(kLaunchInputKey, kEveryInput);
        return;
    }
    Apply(choice);
    OpenSettings(settingsFile_)->setValue(kLaunchInputKey, choice);
}

void LaunchInputMenu::Apply(const QString& choice) {
    chosen_ = choice;
    std::lock_guard lock(doc_.mutex);
    doc_.inputRecording.launchInputChosen = choice == kEveryInput ? 0 : 1;
}

}  // namespace tarvel
