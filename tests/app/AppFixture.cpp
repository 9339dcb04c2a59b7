#include "AppFixture.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>

#include "support/RecordingUi.h"

namespace tarvel::testing {

void AppTest::Settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

std::vector<std::string> AppTest::TakeSent() {
    return testing::TakeSent(midi);
}

namespace {

void CollectMenuActions(const QMenu& menu, std::map<int, QString>& labels) {
    for (QAction* action : menu.actions()) {
        if (action->menu()) CollectMenuActions(*action->menu(), labels);
        if (action->data().isValid()) labels[action->data().toInt()] = action->text();
    }
}

}  // namespace

std::map<int, QString> MenuLabels(CMainFrame& frame) {
    std::map<int, QString> labels;
    for (QAction* top : frame.menuBar()->actions()) CollectMenuActions(*top->menu(), labels);
    return labels;
}

}  // namespace tarvel::testing
