// A cursor over bytes that checks every read against the end, so a file reader built on it
// cannot look outside its buffer whatever the file claims. A read past the end reads nothing,
// returns false and leaves the cursor where it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tarvel {

class ByteReader {
  public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t Offset() const { return offset_; }
    std::size_t Remaining() const { return bytes_.size() - offset_; }
    bool AtEnd() const { return offset_ == bytes_.size(); }

    bool Byte(std::uint8_t& value) {
        if (Remaining() < 1) return false;
        value = bytes_[offset_++];
        return true;
    }
    bool Peek(std::uint8_t& value) const {
        if (Remaining() < 1) return false;
        value = bytes_[offset_];
        return true;
    }
    bool BigEndian16(std::uint16_t& value) {
        if (Remaining() < 2) return false;
        value = static_cast<std::uint16_t>(bytes_[offset_] << 8 | bytes_[offset_ + 1]);
        offset_ += 2;
        return true;
    }
    bool BigEndian32(std::uint32_t& value) {
        if (Remaining() < 4) return false;
        value = std::uint32_t{bytes_[offset_]} << 24 | std::uint32_t{bytes_[offset_ + 1]} << 16 |
                std::uint32_t{bytes_[offset_ + 2]} << 8 | bytes_[offset_ + 3];
        offset_ += 4;
        return true;
    }
    bool LittleEndian32(std::uint32_t& value) {
        if (Remaining() < 4) return false;
        value = std::uint32_t{bytes_[offset_ + 3]} << 24 |
                std::uint32_t{bytes_[offset_ + 2]} << 16 | std::uint32_t{bytes_[offset_ + 1]} << 8 |
                bytes_[offset_];
        offset_ += 4;
        return true;
    }
    // The next `count` bytes, in place.
    bool Bytes(std::size_t count, std::span<const std::uint8_t>& value) {
        if (Remaining() < count) return false;
        value = bytes_.subspan(offset_, count);
        offset_ += count;
        return true;
    }
    bool Skip(std::size_t count) {
        if (Remaining() < count) return false;
        offset_ += count;
        return true;
    }

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t offset_ = 0;
};

}  // namespace tarvel
