#include "platform/WinMmMidiOut.h"

#include <windows.h>
// After windows.h, which it needs.
#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/WindowsText.h"

namespace tarvel {
namespace {

HMIDIOUT HandleOf(void* handle) {
    return static_cast<HMIDIOUT>(handle);
}

// Copies as much of `text` as fits, never splitting a UTF-8 character.
template <std::size_t N>
void CopyName(char (&to)[N], const std::string& text) {
    std::size_t length = std::min(text.size(), N - 1);
    while (length > 0 && length < text.size() && (text[length] & 0xC0) == 0x80) --length;
    std::memcpy(to, text.data(), length);
    to[length] = '\0';
}

}  // namespace

WinMmMidiOut::WinMmMidiOut() : handles_(midiOutGetNumDevs(), nullptr) {}

WinMmMidiOut::~WinMmMidiOut() {
    for (int device = 0; device < DeviceCount(); ++device) Close(device);
}

int WinMmMidiOut::DeviceCount() {
    return static_cast<int>(handles_.size());
}

MidiOutCaps WinMmMidiOut::Describe(int device) {
    MidiOutCaps caps;
    MIDIOUTCAPSW windows{};
    if (device < 0 || device >= DeviceCount() ||
        midiOutGetDevCapsW(static_cast<UINT_PTR>(device), &windows, sizeof windows) !=
            MMSYSERR_NOERROR)
        return caps;
    caps.manufacturerId = windows.wMid;
    caps.productId = windows.wPid;
    caps.driverVersion = windows.vDriverVersion;
    windows.szPname[MAXPNAMELEN - 1] = L'\0';
    CopyName(caps.productName, ToUtf8(windows.szPname));
    caps.voices = windows.wVoices;
    caps.support = windows.dwSupport;
    std::snprintf(caps.details, sizeof caps.details, "API: Windows multimedia (WinMM)\nDevice: %d",
                  device);
    return caps;
}

bool WinMmMidiOut::Open(int device, std::string& whyNot) {
    if (device < 0 || device >= DeviceCount()) {
        whyNot = "there is no such device";
        return false;
    }
    if (handles_[static_cast<std::size_t>(device)]) return true;
    HMIDIOUT handle = nullptr;
    if (const MMRESULT result =
            midiOutOpen(&handle, static_cast<UINT>(device), 0, 0, CALLBACK_NULL);
        result != MMSYSERR_NOERROR) {
        char text[MAXERRORLENGTH] = {};
        midiOutGetErrorTextA(result, text, sizeof text);
        whyNot = text[0] ? text : "Windows refused to open the device";
        return false;
    }
    handles_[static_cast<std::size_t>(device)] = handle;
    return true;
}

void WinMmMidiOut::Close(int device) noexcept {
    if (device < 0 || device >= DeviceCount()) return;
    void*& handle = handles_[static_cast<std::size_t>(device)];
    if (!handle) return;
    midiOutReset(HandleOf(handle));  // no note rings on after we let go
    midiOutClose(HandleOf(handle));
    handle = nullptr;
}

void WinMmMidiOut::Send(int device, const std::uint8_t* bytes, int length) noexcept {
    if (device < 0 || device >= DeviceCount() || length < 1 || length > 3) return;
    void* handle = handles_[static_cast<std::size_t>(device)];
    if (!handle) return;
    DWORD message = 0;  // status in the low byte, then the data bytes
    for (int i = 0; i < length; ++i) message |= DWORD{bytes[i]} << (8 * i);
    midiOutShortMsg(HandleOf(handle), message);
}

}  // namespace tarvel
