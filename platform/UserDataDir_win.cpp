#include "platform/UserDataDir.h"

#include <windows.h>

#include "platform/WinText.h"

namespace platform {

std::string UserDataPath(std::string_view name)
{
    // %LOCALAPPDATA%: this user's data on this machine, not roamed.
    wchar_t buf[32768];
    const DWORD n = ::GetEnvironmentVariableW(L"LOCALAPPDATA", buf, 32768);
    if (n == 0 || n >= 32768)
        return {};
    std::wstring dir(buf, n);
    while (!dir.empty() && (dir.back() == L'\\' || dir.back() == L'/'))
        dir.pop_back();
    dir += L"\\Darvell";
    // Every missing folder on the way, as on other systems.
    for (std::size_t sep = dir.find_first_of(L"\\/", 3); sep != std::wstring::npos;
         sep = dir.find_first_of(L"\\/", sep + 1))
        ::CreateDirectoryW(dir.substr(0, sep).c_str(), nullptr);
    ::CreateDirectoryW(dir.c_str(), nullptr);
    const DWORD attrs = ::GetFileAttributesW(dir.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return {};
    return Utf8FromWide(dir) + "\\" + std::string(name);
}

} // namespace platform
