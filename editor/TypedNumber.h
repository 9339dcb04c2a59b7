// The number a three-character box holds, read as the editor has always read its boxes: the
// decimal digits its first three characters start with, 0 when they start with none. The tempo
// box and the pattern's lines box both read this way.
#pragma once

#include <cstddef>
#include <string_view>

namespace tarvel {

constexpr int LeadingNumber(std::string_view text, std::size_t characters = 3) {
    int number = 0;
    for (std::size_t i = 0; i < characters && i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') break;
        number = number * 10 + (text[i] - '0');
    }
    return number;
}

}  // namespace tarvel
