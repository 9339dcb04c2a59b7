// What a MIDI input plays: its notes, controllers and pitch bend go on to the device of the
// channel they are played on, with the same note safety as the notes the program plays itself.
#include "engine/Engine.h"

namespace tarvel {

void Engine::ThruNoteOn(int channel, int note, int velocity) {
    TARVEL_ASSERT_LOCKED(*this);
    note &= 0x7F;
    ThruNoteOff(note);
    if ((velocity & 0x7F) == 0) return;
    channel &= 0x0F;
    const std::uint8_t device = song.channelDevice[channel];
    player.inputNotes[note] = {1, device, static_cast<std::uint8_t>(channel)};
    SendToDevice(device, static_cast<std::uint8_t>(0x90 + channel), note, velocity);
}

void Engine::ThruNoteOff(int note) {
    TARVEL_ASSERT_LOCKED(*this);
    PlayerState::InputNote& input = player.inputNotes[note & 0x7F];
    if (!input.sounding) return;
    input.sounding = 0;
    SendToDevice(input.device, static_cast<std::uint8_t>(0x80 + input.channel), note & 0x7F, 0x64);
}

void Engine::ThruMessage(int channel, std::uint8_t status, int data1, int data2) {
    TARVEL_ASSERT_LOCKED(*this);
    const int type = status & 0xF0;
    if (type != 0xB0 && type != 0xE0) return;  // the rest of what a keyboard sends is not ours
    channel &= 0x0F;
    SendToDevice(song.channelDevice[channel], static_cast<std::uint8_t>(type + channel), data1,
                 data2);
}

void Engine::ReleaseInputNotes() {
    TARVEL_ASSERT_LOCKED(*this);
    for (int note = 0; note < 128; ++note) ThruNoteOff(note);
}

}  // namespace tarvel
