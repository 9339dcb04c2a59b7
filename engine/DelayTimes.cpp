#include "engine/DelayTimes.h"
#include "song/Tempo.h"

#include <cstdio>

namespace tarvel {

std::string DelayTimesText(int lineDuration) {
    const int line = lineDuration >= 1 ? lineDuration : 120;
    char text[256];
    std::snprintf(text, sizeof text,
                  "At current tempo [%d BPM]:\n\nx1 Line = %d ms.\nx2 Lines = %d ms.\n"
                  "x3 Lines = %d ms.\nx4 Lines = %d ms.\nx5 Lines = %d ms.\nx6 Lines = %d ms.\n",
                  BpmOfLineDuration(line), line, 2 * line, 3 * line, 4 * line, 5 * line, 6 * line);
    return text;
}

}  // namespace tarvel
