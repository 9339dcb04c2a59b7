// The window side of the core's UiHooks. The timer thread only ever calls WakeWindowThread,
// which writes to an eventfd (a pipe elsewhere); a socket notifier on the window thread then
// runs the document's pending signals. Nothing on that path allocates or waits.
#pragma once

#include <QObject>

#include "document/UiHooks.h"

class QSocketNotifier;

namespace tarvel {

class CFennoralDoc;
class CMainFrame;
class WindowServices;

class QtUiHooks final : public QObject, public UiHooks {
    Q_OBJECT

  public:
    explicit QtUiHooks(WindowServices& services);
    ~QtUiHooks() override;

    // The document and the frame are made after the hooks; until they are attached, requests
    // that need them are dropped (the frame fills everything when it is first shown).
    void AttachDocument(CFennoralDoc* doc) { doc_ = doc; }
    void AttachFrame(CMainFrame* frame) { frame_ = frame; }

    void ShowMessage(const UserMessage& message) override;
    void InvalidateView() override;
    void SelectProgram(int program) override;
    void ShowBpmText(int bpm) override;
    void RefreshPanel() override;
    void ShowTempoSource(const std::string& label, bool followed, bool typedTempoShared) override;
    void ShowStatusText(const std::string& text) override;
    void WakeWindowThread() noexcept override;

  private:
    void OnWake();

    WindowServices& services_;
    CFennoralDoc* doc_ = nullptr;
    CMainFrame* frame_ = nullptr;
    int readFd_ = -1;
    int writeFd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace tarvel
