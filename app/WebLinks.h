// The Help menu's "Internet links", in menu order, with the separators between their groups.
// The first is the program's own website, which the toolbar's last button opens too.
#pragma once

#include <array>

namespace tarvel {

struct WebLink {
    int commandId;
    const char* label;
    const char* address;
    bool separatorBefore = false;  // the first of a group in the menu
};

inline constexpr std::array<WebLink, 14> kWebLinks = {{
    {32808, "Tarvel official website", "https://www.velmora-audio.org/tarvel/"},
    {32818, "Velmora Audio Software at SourceForge (mirror)",
     "https://sourceforge.net/projects/tarvel/"},
    {32825, "Velmora - our music", "https://velmora.bandcamp.com/", true},
    {32817, "KVR Audio - audio software news and downloads", "https://www.kvraudio.com/", true},
    {32816, "The Mod Archive - tracker music community", "https://modarchive.org/"},
    {32813, "Renoise - MIDI tracker", "https://www.renoise.com/", true},
    {32814, "OpenMPT - tracker", "https://openmpt.org/"},
    {32815, "Schism Tracker - tracker with MIDI out", "https://schismtracker.org/"},
    {32819, "MilkyTracker - tracker", "https://milkytracker.org/", true},
    {32821, "SunVox - modular tracker-style studio", "https://warmplace.ru/soft/sunvox/"},
    {32820, "Furnace - chiptune tracker", "https://tildearrow.org/furnace/"},
    {32822, "Jean-Michel Jarre", "https://jeanmicheljarre.com/", true},
    {32823, "Kraftwerk", "https://kraftwerk.com/"},
    {32824, "Aphex Twin", "https://aphextwin.warp.net/"},
}};

// The link of a command, or nullptr.
constexpr const WebLink* FindWebLink(int commandId) {
    for (const WebLink& link : kWebLinks) {
        if (link.commandId == commandId) return &link;
    }
    return nullptr;
}

}  // namespace tarvel
