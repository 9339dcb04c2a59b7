// Tarvel in a session manager's session (NSM, with NSM_URL set): the song lives at the path the
// session gives and is opened and saved there without a file dialog, the session hears whether
// the song differs from its file, and it may hide and show the window. The manager ends us with
// SIGTERM, which quits as a clean exit does. Window thread; the manager's requests arrive on
// liblo's thread and are queued to this one.
#pragma once

#include <QObject>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class QTimer;

namespace tarvel {

class CFennoralApp;
class NsmClient;

class SessionClient final : public QObject {
    Q_OBJECT

  public:
    // Announces us to the manager at `url`; failure() says why it cannot be reached.
    SessionClient(CFennoralApp& app, const std::string& url);
    ~SessionClient() override;
    const std::string& failure() const { return failure_; }

  private:
    // What liblo's thread heard, for the window thread: kept behind our own lock, since the
    // thread sanitizer cannot see through Qt's event queue.
    struct Request {
        enum Kind { kOpen, kSave, kShow, kHide, kRefused } kind;
        std::string text;  // the path to open, or the manager's refusal
    };
    void Queue(Request request);  // liblo's thread
    Q_INVOKABLE void TakeRequests();
    void Open(const std::string& path);
    void Save();
    void ShowGui(bool shown);
    void TellDirty();

    CFennoralApp& app_;
    std::unique_ptr<NsmClient> client_;
    QTimer* dirtyTimer_ = nullptr;
    int toldDirty_ = -1;  // what the manager last heard: -1 nothing yet
    std::string failure_;
    std::mutex requestsMutex_;
    std::vector<Request> requests_;  // under requestsMutex_
};

}  // namespace tarvel
