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
    NsmClient::Requests requests;
    requests.open = [this](const std::string& path, const std::string&, const std::string&) {
        Queue({Request::kOpen, path});
    };
    requests.save = [this] { Queue({Request::kSave, {}}); };
    requests.showGui = [this](bool shown) { Queue({shown ? Request::kShow : Request::kHide, {}}); };
    requests.announced = [this](const std::string& error) {
        if (!error.empty()) Queue({Request::kRefused, error});
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

void SessionClient::Queue(Request request) {
    {
        std::lock_guard lock(requestsMutex_);
        requests_.push_back(std::move(request));
    }
    QMetaObject::invokeMethod(this, "TakeRequests", Qt::QueuedConnection);
}

void SessionClient::TakeRequests() {
    std::vector<Request> taken;
    {
        std::lock_guard lock(requestsMutex_);
        taken.swap(requests_);
    }
    for (const Request& request : taken) {
        switch (request.kind) {
            case Request::kOpen:
                Open(request.text);
                break;
            case Request::kSave:
                Save();
                break;
            case Request::kShow:
            case Request::kHide:
                ShowGui(request.kind == Request::kShow);
                break;
            case Request::kRefused:
                app_.frame().statusBar()->showMessage(
                    QString::fromStdString("The session manager refused Tarvel: " + request.text));
                break;
        }
    }
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
