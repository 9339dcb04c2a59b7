#include "platform/MidiInParser.h"

namespace tarvel {
namespace {

constexpr std::uint8_t kSongPosition = 0xF2;

}  // namespace

bool MidiInParser::Feed(std::uint8_t byte, MidiInMessage& message) noexcept {
    if (byte >= 0xF8) {  // real time: interleaved anywhere, never breaks a message
        if (!passesClock_ || byte == 0xF9 || byte > 0xFC) return false;
        message = {byte, 0, 0};
        return true;
    }
    if (byte >= 0x80) {
        have_ = 0;
        inSysEx_ = byte == 0xF0;
        // System common (and SysEx, and its end) cancels running status; we play none of it.
        status_ = byte < 0xF0 || (passesClock_ && byte == kSongPosition) ? byte : 0;
        return false;
    }
    if (inSysEx_ || status_ == 0) return false;
    data_[have_++] = byte;
    const int needed = (status_ & 0xF0) == 0xC0 || (status_ & 0xF0) == 0xD0 ? 1 : 2;
    if (have_ < needed) return false;
    have_ = 0;
    message = {status_, data_[0], needed == 2 ? data_[1] : std::uint8_t{0}};
    if (status_ == kSongPosition) status_ = 0;  // system common: no running status after it
    return true;
}

}  // namespace tarvel
