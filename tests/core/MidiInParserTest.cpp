// What a byte stream from an input turns into: only whole channel messages, whatever real-time,
// SysEx or system common bytes are mixed in; and, from the input that passes the clock, its
// clock, Start, Continue, Stop and Song Position wherever they fall.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/MidiInParser.h"

namespace tarvel {
namespace {

std::string Parse(const std::vector<std::uint8_t>& bytes, bool passesClock) {
    MidiInParser parser(passesClock);
    std::string out;
    MidiInMessage message;
    for (std::uint8_t byte : bytes) {
        if (!parser.Feed(byte, message)) continue;
        char text[16];
        std::snprintf(text, sizeof text, "%02x %02x %02x", message.status, message.data1,
                      message.data2);
        out += (out.empty() ? "" : ",") + std::string(text, message.status >= 0xF8 ? 2 : 8);
    }
    return out;
}

TEST(MidiInParser, KeepsRunningStatusSkipsRealTimeAndSwallowsSysExAndSystemCommon) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        const char* expected;
        bool clock = false;  // the parser passes the clock
    };
    const Case cases[] = {
        {"note on and off", {0x90, 60, 100, 0x80, 60, 64}, "90 3c 64,80 3c 40"},
        {"running status", {0x91, 60, 100, 62, 0, 64, 90}, "91 3c 64,91 3e 00,91 40 5a"},
        {"one data byte", {0xC2, 5, 6, 0xD3, 70}, "c2 05 00,c2 06 00,d3 46 00"},
        {"real time inside a message", {0x90, 0xF8, 60, 0xFE, 100, 0xFA}, "90 3c 64"},
        {"real time keeps running status", {0xB0, 7, 1, 0xF8, 7, 2}, "b0 07 01,b0 07 02"},
        {"sysex is swallowed", {0xF0, 0x43, 60, 100, 0xF7, 60, 100}, ""},
        {"sysex cut by a status", {0xF0, 1, 2, 0x90, 60, 100}, "90 3c 64"},
        {"system common ends running status", {0x90, 60, 100, 0xF2, 1, 2, 62, 100}, "90 3c 64"},
        {"data with no status", {60, 100, 0x7F}, ""},
        {"a cut message restarts", {0x90, 60, 0xB0, 7, 99}, "b0 07 63"},
        {"pitch bend", {0xE0, 0x00, 0x40}, "e0 00 40"},
        {"clock: inside a note", {0x90, 60, 0xF8, 100}, "f8,90 3c 64", true},
        {"clock: start continue stop", {0xFA, 0xFB, 0xFC}, "fa,fb,fc", true},
        {"clock: sensing and reset are not the clock's", {0xFE, 0xFF, 0xF9, 0xF8}, "f8", true},
        {"clock: song position, then no running status",
         {0x90, 60, 100, 0xF2, 1, 2, 62, 100},
         "90 3c 64,f2 01 02",
         true},
        {"clock: song select and tune request are still swallowed",
         {0xF3, 5, 0xF6, 60, 100},
         "",
         true},
    };
    for (const Case& c : cases) EXPECT_EQ(Parse(c.bytes, c.clock), c.expected) << c.what;
}

}  // namespace
}  // namespace tarvel
