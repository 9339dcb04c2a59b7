// A client of a session manager speaking the NSM protocol 1.1 over OSC (liblo): it announces us
// to the server at NSM_URL and hands the server's requests (open a song at a path, save it, show
// or hide the window) to callbacks on liblo's own thread, which pass them on to the window
// thread. Replies and state changes may go back from any thread. Linux only.
#pragma once

#include <functional>
#include <memory>
#include <string>

typedef void* lo_address;
typedef void* lo_server_thread;

namespace tarvel {

class NsmClient {
  public:
    struct Requests {
        // `path` has no extension: the song is <path>.trv.
        std::function<void(const std::string& path, const std::string& displayName,
                           const std::string& clientId)>
            open;
        std::function<void()> save;
        std::function<void(bool shown)> showGui;
        // The server's answer to the announcement: empty when welcomed, else its error.
        std::function<void(const std::string& error)> announced;
    };

    // Null when `url` names no server we can reach; `whyNot` says why.
    static std::unique_ptr<NsmClient> Connect(const std::string& url, Requests requests,
                                              std::string& whyNot);
    ~NsmClient();  // stops liblo's thread first: no request comes after it
    NsmClient(const NsmClient&) = delete;
    NsmClient& operator=(const NsmClient&) = delete;

    // Capabilities: the window is optional, and we say when the song differs from its file.
    void Announce(const std::string& appName, const std::string& executable, int pid);
    // The answer to a request ("/nsm/client/open", "/nsm/client/save"): OK, or the failure.
    void Reply(const char* request);
    void Fail(const char* request, const std::string& message);
    void SetDirty(bool dirty);
    void SetGuiShown(bool shown);

  private:
    NsmClient() = default;
    void* Own() const;  // our server, which the replies come from
    // liblo's thread; `argv` is liblo's argument array.
    static int Receive(const char* path, const char* types, void** argv, int argc, void* self);

    Requests requests_;
    lo_address server_ = nullptr;
    lo_server_thread thread_ = nullptr;
};

}  // namespace tarvel
