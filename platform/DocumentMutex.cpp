#include "platform/DocumentMutex.h"

#include <algorithm>
#include <cstring>

namespace tarvel {

void CopyInShortHolds(DocumentMutex& mutex, void* to, const void* from, std::size_t size) {
    auto* out = static_cast<unsigned char*>(to);
    const auto* in = static_cast<const unsigned char*>(from);
    for (std::size_t done = 0; done < size; done += kShortHoldPieceBytes) {
        std::lock_guard lock(mutex);
        std::memcpy(out + done, in + done, std::min(kShortHoldPieceBytes, size - done));
    }
}

bool EqualInShortHolds(DocumentMutex& mutex, const void* a, const void* b, std::size_t size) {
    const auto* left = static_cast<const unsigned char*>(a);
    const auto* right = static_cast<const unsigned char*>(b);
    for (std::size_t done = 0; done < size; done += kShortHoldPieceBytes) {
        std::lock_guard lock(mutex);
        if (std::memcmp(left + done, right + done, std::min(kShortHoldPieceBytes, size - done)) !=
            0)
            return false;
    }
    return true;
}

}  // namespace tarvel
