// Windows speaks UTF-16; the program's strings, file names included, are UTF-8. Windows builds
// only. Any thread.
#pragma once

#include <string>

namespace tarvel {

// False when `utf8` is not valid UTF-8 (or holds a NUL), which no file name can be.
bool ToUtf16(const std::string& utf8, std::wstring& utf16);
std::string ToUtf8(const wchar_t* utf16);

}  // namespace tarvel
