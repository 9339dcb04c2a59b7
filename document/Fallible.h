// The one way the document's operations on files fail: each gives back a Fallible, holding what
// it made (nothing, for most) when it worked, or else the box that says why not, in the words the
// user reads. The document shows no failure of a call itself: the window layer shows the box
// (app/FailureBox.h), the command line prints its text, the session manager hears its reason.
// Failures the document meets on its own (a device gone, the clock stopped) still go out through
// UiHooks, since no caller is waiting for them.
#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <variant>

#include "document/UiHooks.h"

namespace tarvel {

template <class Value = std::monostate>
class [[nodiscard]] Fallible {
  public:
    Fallible() = default;  // done
    Fallible(Value value) : value_(std::move(value)) {}
    // An error box titled `title`; `ownedByFrame` false gives it no owner, as at start-up.
    static Fallible Failed(std::string title, std::string text, bool ownedByFrame) {
        Fallible failed;
        failed.failure_ =
            UserMessage{MessageIcon::Error, std::move(title), std::move(text), ownedByFrame};
        return failed;
    }

    explicit operator bool() const noexcept { return !failure_; }  // true: it worked
    // What it made; only when it worked.
    const Value& operator*() const noexcept { return value_; }
    const Value* operator->() const noexcept { return &value_; }
    // Why not; only when it failed.
    const UserMessage& failure() const noexcept { return *failure_; }

  private:
    Value value_{};
    std::optional<UserMessage> failure_;
};

// A box's text on one line, for a terminal or a session manager's reply.
inline std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

}  // namespace tarvel
