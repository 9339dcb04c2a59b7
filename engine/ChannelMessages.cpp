// Every MIDI message the program sends leaves through here. Notes go to the device their
// channel is routed to; everything else goes to every device in ascending order.
#include "engine/Engine.h"

namespace tarvel {

void Engine::SendToDevice(int device, std::uint8_t status, int data1, int data2) noexcept {
    if (device < 0 || device >= ports.deviceCount) return;
    MidiOutDriver* handle = ports.handles[device];
    if (!handle) return;  // failed to open, or closed: dropped, as the platform would
    const int length = MidiMessageLength(status);
    if (length == 0) return;
    // A data byte must never look like a status byte on the wire.
    const std::uint8_t bytes[3] = {status, static_cast<std::uint8_t>(data1 & 0x7F),
                                   static_cast<std::uint8_t>(data2 & 0x7F)};
    handle->Send(device, bytes, length);
}

void Engine::SendToAllDevices(std::uint8_t status, int data1, int data2) noexcept {
    for (int device = 0; device < ports.deviceCount; ++device)
        SendToDevice(device, status, data1, data2);
}

void Engine::NoteOn(int channel, int column, int note, int velocity) {
    TARVEL_ASSERT_LOCKED(*this);
    channel &= 0x0F;
    column &= 0x0F;
    NoteOff(channel, column);
    const std::uint8_t device = song.channelDevice[channel];
    song.soundingNote[channel][column] = note & 0xFF;
    player.soundingDevice[channel][column] = device;
    SendToDevice(device, static_cast<std::uint8_t>(0x90 + channel), note, velocity);
}

void Engine::NoteOff(int channel, int column) {
    TARVEL_ASSERT_LOCKED(*this);
    channel &= 0x0F;
    column &= 0x0F;
    std::int32_t& sounding = song.soundingNote[channel][column];
    if (sounding < 0) return;
    const int note = sounding;
    sounding = -1;
    // Where the note went, even if the channel has been routed elsewhere since.
    SendToDevice(player.soundingDevice[channel][column], static_cast<std::uint8_t>(0x80 + channel),
                 note, 0x64);
}

void Engine::SendAllNotesOffTo(int device) {
    TARVEL_ASSERT_LOCKED(*this);
    for (int channel = 0; channel < kTrackCount; ++channel)
        SendToDevice(device, static_cast<std::uint8_t>(0xB0 + channel), 123, 0);
}

void Engine::SetChannelDevice(int channel, int device) {
    TARVEL_ASSERT_LOCKED(*this);
    channel &= 0x0F;
    for (int column = 0; column < kTrackCount; ++column) NoteOff(channel, column);
    song.channelDevice[channel] = static_cast<std::uint8_t>(device);
}

void Engine::SendControlChange(int channel, int controller, int value) {
    TARVEL_ASSERT_LOCKED(*this);
    SendToAllDevices(static_cast<std::uint8_t>(0xB0 + (channel & 0x0F)), controller, value);
}

void Engine::SendPitchWheel(int channel, int low, int high) {
    TARVEL_ASSERT_LOCKED(*this);
    SendToAllDevices(static_cast<std::uint8_t>(0xE0 + (channel & 0x0F)), low, high);
}

void Engine::SendSystemMessage(int status, int data) {
    TARVEL_ASSERT_LOCKED(*this);
    // The data travels in the second data byte, as for the pitch wheel.
    SendToAllDevices(static_cast<std::uint8_t>(status), 0, data);
}

void Engine::SetChannelProgram(int channel, int program, int currentChannel) {
    TARVEL_ASSERT_LOCKED(*this);
    channel &= 0x0F;
    song.channelProgram[channel] = static_cast<std::uint8_t>(program);
    if (channel == currentChannel) signals_.Raise(kSelectProgram);
    SendToAllDevices(static_cast<std::uint8_t>(0xC0 + channel), program, 0);
}

void Engine::SendControlToAllChannels(int controller) {
    TARVEL_ASSERT_LOCKED(*this);
    // A controller reset does not silence notes on every device: release them first, so the
    // tracking never forgets a note that still sounds.
    ReleaseAllNotes();
    for (int channel = 0; channel < kTrackCount; ++channel)
        SendControlChange(channel, controller, 0);
}

void Engine::SendAllPrograms(int currentChannel) {
    TARVEL_ASSERT_LOCKED(*this);
    for (int channel = 0; channel < kTrackCount; ++channel)
        SetChannelProgram(channel, song.channelProgram[channel], currentChannel);
}

void Engine::ReleaseAllNotes() {
    TARVEL_ASSERT_LOCKED(*this);
    for (int channel = 0; channel < kTrackCount; ++channel) {
        for (int column = 0; column < kTrackCount; ++column) {
            NoteOff(channel, column);
            player.pendingAction[channel][column] = kNoAction;
            player.fineEvents[channel][column] = {};
        }
    }
    ReleaseInputNotes();
}

void Engine::ShowBpm() {
    TARVEL_ASSERT_LOCKED(*this);
    signals_.Raise(kShowBpm);
}

void Engine::ResetNoteTracking() {
    TARVEL_ASSERT_LOCKED(*this);
    for (auto& channel : song.soundingNote)
        for (auto& note : channel) note = -1;
    for (auto& channel : player.pendingAction)
        for (auto& action : channel) action = kNoAction;
    for (auto& channel : player.fineEvents)
        for (auto& event : channel) event = {};
    for (auto& input : player.inputNotes) input.sounding = 0;
}

}  // namespace tarvel
