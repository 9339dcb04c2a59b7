// The window's own settings: its size, "Follow play", the view's zoom and when live launches
// start. Window thread.
#include <QSettings>
#include <mutex>

#include "app/FennoralApp.h"
#include "app/FennoralView.h"
#include "app/MainFrame.h"
#include "document/FennoralDoc.h"

namespace tarvel {

namespace {

constexpr const char* kWindowGroup = "Window";
constexpr const char* kPlayerGroup = "Player";
constexpr const char* kLaunchAtKey = "LaunchAt";
// A damaged or foreign entry cannot ask for a window larger than any screen.
constexpr QSize kLargestStoredSize(16384, 16384);

}  // namespace

void CFennoralApp::RestoreWindowSettings() {
    const auto settings = OpenSettings(options_.settingsFile);
    settings->beginGroup(kWindowGroup);
    const QSize size = settings->value("Size").toSize();
    if (size.isValid())
        frame_->resize(size.boundedTo(kLargestStoredSize).expandedTo(frame_->minimumSize()));
    if (settings->value("Maximized", false).toBool())
        frame_->setWindowState(frame_->windowState() | Qt::WindowMaximized);
    // A value that is no zoom step (a hand-edited file) shows the actual size.
    frame_->view().SetZoom(settings->value("Zoom", 100).toInt());
    const bool followPlay = settings->value("FollowPlay", false).toBool();
    settings->endGroup();
    settings->beginGroup(kPlayerGroup);
    // Anything but "NextBar" (none yet, a hand-edited file) is the pattern's end.
    const bool nextBar = settings->value(kLaunchAtKey).toString() == "NextBar";
    std::lock_guard lock(doc_->mutex);
    doc_->songEditor.followPlay = followPlay;
    doc_->player.live.boundary = nextBar ? kAtNextBar : kAtPatternEnd;
}

void CFennoralApp::StoreWindowSize() const {
    const auto settings = OpenSettings(options_.settingsFile);
    settings->beginGroup(kWindowGroup);
    // A maximised window comes back maximised over the size it had before.
    const bool maximized = frame_->isMaximized();
    settings->setValue("Size", maximized ? frame_->normalGeometry().size() : frame_->size());
    settings->setValue("Maximized", maximized);
}

void CFennoralApp::StoreFollowPlay(bool on) const {
    const auto settings = OpenSettings(options_.settingsFile);
    settings->beginGroup(kWindowGroup);
    settings->setValue("FollowPlay", on);
}

void CFennoralApp::StoreZoom(int percent) const {
    const auto settings = OpenSettings(options_.settingsFile);
    settings->beginGroup(kWindowGroup);
    settings->setValue("Zoom", percent);
}

void CFennoralApp::StoreLaunchBoundary(int boundary) const {
    const auto settings = OpenSettings(options_.settingsFile);
    settings->beginGroup(kPlayerGroup);
    settings->setValue(kLaunchAtKey, boundary == kAtNextBar ? "NextBar" : "PatternEnd");
}

void CMainFrame::SetLaunchBoundary(LaunchBoundary boundary) {
    {
        std::lock_guard lock(doc_.mutex);
        doc_.player.live.boundary = boundary;
    }
    app_.StoreLaunchBoundary(boundary);
}

void CMainFrame::SetZoom(int percent) {
    view_->SetZoom(percent);
    app_.StoreZoom(view_->zoom());
}

void CMainFrame::SetFollowPlay(bool on) {
    {
        std::lock_guard lock(doc_.mutex);
        doc_.songEditor.followPlay = on;
    }
    app_.StoreFollowPlay(on);
}

}  // namespace tarvel
