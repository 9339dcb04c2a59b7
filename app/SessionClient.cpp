#include "app/SessionClient.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QStatusBar>
#include <QTimer>

#include "app/FennoralApp.h"
#include "app/MainFrame.h"
#include "platform/NsmClient.h"

namespace tarvel {
namespace {

constexpr int kDirtyCheckMs = 250;

}  // namespace

SessionClient::SessionClient(CFennoralApp& app, const std::string& url) : app_(app) {
    // liblo's thread: each request waits on the window thread's queue.
    const auto later = [this](auto work) {
        QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
    };
    NsmClient::Requests requests;
    requests.open = [this, later](const std::string& path, const std::string&, const std::string&) {
        later([this, path] { Open(path); });
    };
    requests.save = [this, later] { later([this] { Save(); }); };
    requests.showGui = [this, later](bool shown) { later([this, shown] { ShowGui(shown); }); };
    requests.announced = [this, later](const std::string& error) {
        if (!error.empty())
            later([this, error] {
                app_.frame().statusBar()->showMessage(
                    QString::fromStdString("The session manager refused Tarvel: " + error));
            });
    };
    client_ = NsmClient::Connect(url, std::move(requests), failure_);
    if (!client_) return;
    const std::string executable =
        QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString();
    client_->Announce("Tarvel", executable.empty() ? "tarvel" : executable, getpid());
    dirtyTimer_ = new QTimer(this);
    connect(dirtyTimer_, &QTimer::timeout, this, &SessionClient::TellDirty);
}

SessionClient::~SessionClient() {
    client_.reset();  // no request is queued after this
}

void SessionClient::Open(const std::string& path) {
    std::string whyNot;
    if (app_.OpenSessionSong(path + ".trv", whyNot)) {
        client_->Reply("/nsm/client/open");
        toldDirty_ = -1;
        TellDirty();
        dirtyTimer_->start(kDirtyCheckMs);
    } else {
        client_->Fail("/nsm/client/open", whyNot);
    }
}

void SessionClient::Save() {
    if (app_.FileSave()) {
        client_->Reply("/nsm/client/save");
        TellDirty();
    } else {
        client_->Fail("/nsm/client/save", "the song could not be saved");
    }
}

void SessionClient::ShowGui(bool shown) {
    app_.frame().setVisible(shown);
    client_->SetGuiShown(shown);
}

void SessionClient::TellDirty() {
    const int dirty = app_.IsSongChanged() ? 1 : 0;
    if (dirty == toldDirty_) return;
    toldDirty_ = dirty;
    client_->SetDirty(dirty != 0);
}

}  // namespace tarvel
