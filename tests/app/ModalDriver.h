// Drives a modal dialog from inside its own event loop: `act` runs once the dialog is the
// active modal widget, so tests type into the real dialog that a Run/Show function opened.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace tarvel::testing {

inline void WhenModalShows(std::function<void(QWidget*)> act) {
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || !dialog->isVisible()) return;
        poll->stop();
        poll->deleteLater();
        (void)QTest::qWaitForWindowActive(dialog);
        act(dialog);
        // A failed expectation must not leave the test waiting on an open dialog.
        if (QApplication::activeModalWidget() == dialog && dialog->isVisible()) {
            ADD_FAILURE() << "the dialog was left open";
            dialog->close();
        }
    });
    poll->start();
}

template <class T = QWidget>
T* Child(QWidget* dialog, const char* id) {
    return dialog->findChild<T*>(id);
}

}  // namespace tarvel::testing
