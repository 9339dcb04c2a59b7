#include "platform/NsmClient.h"

#include <lo/lo.h>

#include <cstring>

namespace tarvel {
namespace {

constexpr int kApiMajor = 1;
constexpr int kApiMinor = 1;
constexpr int kErrorGeneral = -1;

std::string Text(const char* types, void** argv, int index) {
    return types[index] == 's' ? std::string(&static_cast<lo_arg*>(argv[index])->s) : std::string();
}

}  // namespace

std::unique_ptr<NsmClient> NsmClient::Connect(const std::string& url, Requests requests,
                                              std::string& whyNot) {
    std::unique_ptr<NsmClient> client(new NsmClient());
    client->requests_ = std::move(requests);
    client->server_ = lo_address_new_from_url(url.c_str());
    if (!client->server_) {
        whyNot = "NSM_URL \"" + url + "\" is not an OSC address";
        return nullptr;
    }
    // Our own port, any free one, on the server's protocol.
    client->thread_ =
        lo_server_thread_new_with_proto(nullptr, lo_address_get_protocol(client->server_), nullptr);
    if (!client->thread_) {
        whyNot = "no port could be opened for the session manager's messages";
        return nullptr;
    }
    lo_server_thread_add_method(
        client->thread_, nullptr, nullptr,
        [](const char* path, const char* types, lo_arg** argv, int argc, lo_message, void* self) {
            return Receive(path, types, reinterpret_cast<void**>(argv), argc, self);
        },
        client.get());
    lo_server_thread_start(client->thread_);
    return client;
}

NsmClient::~NsmClient() {
    if (thread_) {
        lo_server_thread_stop(thread_);
        lo_server_thread_free(thread_);
    }
    if (server_) lo_address_free(server_);
}

void* NsmClient::Own() const {
    return lo_server_thread_get_server(thread_);
}

// liblo's thread.
int NsmClient::Receive(const char* path, const char* types, void** argv, int argc, void* self) {
    NsmClient& client = *static_cast<NsmClient*>(self);
    const Requests& r = client.requests_;
    if (std::strcmp(path, "/nsm/client/open") == 0 && argc >= 3) {
        if (r.open) r.open(Text(types, argv, 0), Text(types, argv, 1), Text(types, argv, 2));
    } else if (std::strcmp(path, "/nsm/client/save") == 0) {
        if (r.save) r.save();
    } else if (std::strcmp(path, "/nsm/client/show_optional_gui") == 0) {
        if (r.showGui) r.showGui(true);
    } else if (std::strcmp(path, "/nsm/client/hide_optional_gui") == 0) {
        if (r.showGui) r.showGui(false);
    } else if (std::strcmp(path, "/reply") == 0 && argc >= 1 &&
               Text(types, argv, 0) == "/nsm/server/announce") {
        if (r.announced) r.announced("");
    } else if (std::strcmp(path, "/error") == 0 && argc >= 3 &&
               Text(types, argv, 0) == "/nsm/server/announce") {
        if (r.announced) r.announced(Text(types, argv, 2));
    }
    return 0;
}

void NsmClient::Announce(const std::string& appName, const std::string& executable, int pid) {
    lo_send_from(server_, Own(), LO_TT_IMMEDIATE, "/nsm/server/announce", "sssiii", appName.c_str(),
                 ":dirty:optional-gui:", executable.c_str(), kApiMajor, kApiMinor, pid);
}

void NsmClient::Reply(const char* request) {
    lo_send_from(server_, Own(), LO_TT_IMMEDIATE, "/reply", "ss", request, "OK");
}

void NsmClient::Fail(const char* request, const std::string& message) {
    lo_send_from(server_, Own(), LO_TT_IMMEDIATE, "/error", "sis", request, kErrorGeneral,
                 message.c_str());
}

void NsmClient::SetDirty(bool dirty) {
    lo_send_from(server_, Own(), LO_TT_IMMEDIATE,
                 dirty ? "/nsm/client/is_dirty" : "/nsm/client/is_clean", "");
}

void NsmClient::SetGuiShown(bool shown) {
    lo_send_from(server_, Own(), LO_TT_IMMEDIATE,
                 shown ? "/nsm/client/gui_is_shown" : "/nsm/client/gui_is_hidden", "");
}

}  // namespace tarvel
