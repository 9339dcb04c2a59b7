#include "engine/PlayWatch.h"

#include <cstdio>

namespace tarvel {

std::string FormatPlayWatch(int ms) {
    if (ms < 0) ms = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%.2d:%.2d:%.3d", ms / 60000, ms / 1000 % 60, ms % 1000);
    return text;
}

}  // namespace tarvel
