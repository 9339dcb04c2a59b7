#include "platform/BrowserCommand.h"

#include <algorithm>
#include <array>

namespace tarvel {

namespace {

constexpr std::array<std::string_view, 5> kPlaceholders = {"%1", "%u", "%U", "%f", "%F"};

// Position of the earliest placeholder, each written as prefix + placeholder + suffix.
std::string_view::size_type FindPlaceholder(std::string_view command, std::string_view quote) {
    auto best = std::string_view::npos;
    for (std::string_view placeholder : kPlaceholders) {
        std::string pattern = std::string(quote) + std::string(placeholder) + std::string(quote);
        best = std::min(best, command.find(pattern));
    }
    return best;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

std::string BrowserCommandLine(std::string_view registered, std::string_view address) {
    auto cut = FindPlaceholder(registered, "\"");
    if (cut == std::string_view::npos) cut = FindPlaceholder(registered, "");
    std::string command(registered.substr(0, cut));
    command += ' ';
    command += address;
    return command;
}

std::optional<std::string> DesktopEntryExec(std::string_view desktopEntry) {
    bool inMainGroup = false;
    while (!desktopEntry.empty()) {
        auto end = desktopEntry.find('\n');
        std::string_view line = Trim(desktopEntry.substr(0, end));
        desktopEntry.remove_prefix(end == std::string_view::npos ? desktopEntry.size() : end + 1);
        if (line.starts_with('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inMainGroup || !line.starts_with("Exec")) continue;
        std::string_view rest = Trim(line.substr(4));
        if (!rest.starts_with('=')) continue;  // "Exec[de]=" or another key starting with Exec
        return std::string(Trim(rest.substr(1)));
    }
    return std::nullopt;
}

}  // namespace tarvel
