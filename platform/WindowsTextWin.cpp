#include <windows.h>

#include <climits>

#include "platform/WindowsText.h"

namespace tarvel {

bool ToUtf16(const std::string& utf8, std::wstring& utf16) {
    utf16.clear();
    if (utf8.empty()) return true;
    if (utf8.size() > INT_MAX || utf8.find('\0') != std::string::npos) return false;
    const int length = static_cast<int>(utf8.size());
    const int wide =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
    if (wide <= 0) return false;
    utf16.resize(static_cast<std::size_t>(wide));
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, utf16.data(),
                               wide) == wide;
}

std::string ToUtf8(const wchar_t* utf16) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, utf16, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1) return {};
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16, -1, utf8.data(), bytes, nullptr, nullptr);
    utf8.pop_back();  // the NUL it counted
    return utf8;
}

}  // namespace tarvel
