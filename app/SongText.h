// The song keeps its texts as 8-bit characters; the window shows them as Latin-1. A character
// Latin-1 cannot hold becomes '?' on the way in.
#pragma once

#include <QString>
#include <cstddef>
#include <string>

#include "song/Song.h"

namespace tarvel {

template <std::size_t N>
QString FromSongText(const char (&field)[N]) {
    return QString::fromLatin1(field, static_cast<qsizetype>(BoundedLength(field)));
}

inline QString FromSongText(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToSongText(const QString& text) {
    return text.toLatin1().toStdString();
}

}  // namespace tarvel
