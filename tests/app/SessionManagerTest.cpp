// Tarvel in a session manager's session: a fake NSM server on loopback (liblo) takes the
// announcement, opens a song at a session path, saves it, hears dirty and clean as the song
// changes and is saved, hides and shows the window, and opens the saved song again. It uses the
// network, so it runs only inside a network namespace of its own (TARVEL_PRIVATE_NETWORK, set by
// its CTest entry).
#include <lo/lo.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "AppFixture.h"

namespace tarvel::testing {
namespace {

// Every message the server got, as "path arg arg...".
struct FakeSessionManager {
    lo_server server = lo_server_new_with_proto(nullptr, LO_UDP, nullptr);
    lo_address client = nullptr;
    std::vector<std::string> heard;

    FakeSessionManager() {
        lo_server_add_method(
            server, nullptr, nullptr,
            [](const char* path, const char* types, lo_arg** argv, int argc, lo_message message,
               void* self) {
                auto& s = *static_cast<FakeSessionManager*>(self);
                std::string text = path;
                for (int i = 0; i < argc; ++i)
                    text += types[i] == 's' ? " " + std::string(&argv[i]->s)
                                            : " " + std::to_string(argv[i]->i);
                s.heard.push_back(text);
                if (!s.client) {
                    lo_address from = lo_message_get_source(message);
                    s.client =
                        lo_address_new(lo_address_get_hostname(from), lo_address_get_port(from));
                }
                return 0;
            },
            this);
    }
    ~FakeSessionManager() {
        if (client) lo_address_free(client);
        lo_server_free(server);
    }
    // Serves, and lets the window thread run, until `heardText` comes (true) or 5 s pass.
    bool WaitFor(const std::string& heardText) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < end) {
            lo_server_recv_noblock(server, 10);
            QApplication::processEvents();
            if (std::find(heard.begin(), heard.end(), heardText) != heard.end()) return true;
        }
        return false;
    }
};

class SessionManager : public AppTest {
  protected:
    void SetUp() override {
        if (!std::getenv("TARVEL_PRIVATE_NETWORK"))
            GTEST_SKIP() << "uses the network: run by its CTest entry in a namespace of its own";
        const std::unique_ptr<char, decltype(&std::free)> url(lo_server_get_url(manager.server),
                                                              &std::free);
        ASSERT_TRUE(Start(false, url.get()));
    }
    void Send(const char* path, const char* argument = nullptr) {
        ASSERT_NE(manager.client, nullptr);
        argument ? lo_send_from(manager.client, manager.server, LO_TT_IMMEDIATE, path, "sss",
                                argument, "Tarvel", "nTARV1")
                 : lo_send_from(manager.client, manager.server, LO_TT_IMMEDIATE, path, "");
    }
    FakeSessionManager manager;
};

TEST_F(SessionManager, TheSessionOpensSavesAndShowsOurSongWithoutAskingAnything) {
    ASSERT_TRUE(manager.WaitFor("/nsm/server/announce Tarvel :dirty:optional-gui: app_tests 1 1 " +
                                std::to_string(getpid())))
        << ::testing::PrintToString(manager.heard);
    lo_send_from(manager.client, manager.server, LO_TT_IMMEDIATE, "/reply", "ssss",
                 "/nsm/server/announce", "Welcome", "Fake manager", ":server-control:");

    // A new session: the song does not exist yet, so a new one is saved there at once.
    const std::string song = PathOf("session/Tarvel.nTARV1");
    std::filesystem::create_directories(PathOf("session"));
    Send("/nsm/client/open", song.c_str());
    ASSERT_TRUE(manager.WaitFor("/reply /nsm/client/open OK"));
    EXPECT_TRUE(std::filesystem::exists(song + ".trv"));
    EXPECT_TRUE(manager.WaitFor("/nsm/client/is_clean"));

    Edit(60);  // the song changes: dirty; the session saves it: clean again
    EXPECT_TRUE(manager.WaitFor("/nsm/client/is_dirty"));
    manager.heard.clear();
    Send("/nsm/client/save");
    ASSERT_TRUE(manager.WaitFor("/reply /nsm/client/save OK"));
    EXPECT_TRUE(manager.WaitFor("/nsm/client/is_clean"));
    EXPECT_EQ(services.calls, std::vector<std::string>{}) << "no dialog";

    Send("/nsm/client/hide_optional_gui");
    ASSERT_TRUE(manager.WaitFor("/nsm/client/gui_is_hidden"));
    EXPECT_FALSE(frame().isVisible());
    Send("/nsm/client/show_optional_gui");
    ASSERT_TRUE(manager.WaitFor("/nsm/client/gui_is_shown"));
    EXPECT_TRUE(frame().isVisible());

    // Opened again, the session's song is read from its file, not written over.
    Edit(61);
    Send("/nsm/client/open", song.c_str());
    ASSERT_TRUE(manager.WaitFor("/reply /nsm/client/open OK"));
    EXPECT_EQ(Cell().note, 60);
}

}  // namespace
}  // namespace tarvel::testing
