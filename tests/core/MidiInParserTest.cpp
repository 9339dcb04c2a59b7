// What a byte stream from an input turns into: only whole channel messages, whatever real-time,
// SysEx or system common bytes are mixed in.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/MidiInParser.h"

namespace tarvel {
namespace {

std::string Parse(const std::vector<std::uint8_t>& bytes) {
    MidiInParser parser;
    std::string out;
    MidiInMessage message;
    for (std::uint8_t byte : bytes) {
        if (!parser.Feed(byte, message)) continue;
        char text[16];
        std::snprintf(text, sizeof text, "%s%02x %02x %02x", out.empty() ? "" : ",", message.status,
                      message.data1, message.data2);
        out += text;
    }
    return out;
}

TEST(MidiInParser, KeepsRunningStatusSkipsRealTimeAndSwallowsSysExAndSystemCommon) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        const char* expected;
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
        {"song select and tune request", {0xF3, 5, 0xF6, 60, 100}, ""},
        {"data with no status", {60, 100, 0x7F}, ""},
        {"a cut message restarts", {0x90, 60, 0xB0, 7, 99}, "b0 07 63"},
        {"pitch bend", {0xE0, 0x00, 0x40}, "e0 00 40"},
    };
    for (const Case& c : cases) EXPECT_EQ(Parse(c.bytes), c.expected) << c.what;
}

}  // namespace
}  // namespace tarvel
