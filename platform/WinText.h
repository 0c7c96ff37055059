#pragma once
// Windows only: the program's paths and texts are UTF-8 byte strings; the wide
// (UTF-16) system calls take them through these two conversions, so that any
// folder name works whatever the system's code page.
#include <string>
#include <string_view>

namespace platform {

std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);

// The system's words for an error code (GetLastError), without the final stop.
std::string SystemErrorText(unsigned long code);

} // namespace platform
