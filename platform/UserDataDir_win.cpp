#include "platform/UserDataDir.h"

#include <windows.h>

#include "platform/WinText.h"

namespace platform {

namespace {

// %variable%\Darvell; empty where the variable is unset.
std::wstring UserDir(const wchar_t* variable)
{
    wchar_t buf[32768];
    const DWORD n = ::GetEnvironmentVariableW(variable, buf, 32768);
    if (n == 0 || n >= 32768)
        return {};
    std::wstring dir(buf, n);
    while (!dir.empty() && (dir.back() == L'\\' || dir.back() == L'/'))
        dir.pop_back();
    return dir + L"\\Darvell";
}

// Every missing folder on the way, as on other systems; true when dir then is a folder.
bool MakeDirs(const std::wstring& dir)
{
    for (std::size_t sep = dir.find_first_of(L"\\/", 3); sep != std::wstring::npos;
         sep = dir.find_first_of(L"\\/", sep + 1))
        ::CreateDirectoryW(dir.substr(0, sep).c_str(), nullptr);
    ::CreateDirectoryW(dir.c_str(), nullptr);
    const DWORD attrs = ::GetFileAttributesW(dir.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

std::string UserDataPath(std::string_view name)
{
    // %LOCALAPPDATA%: this user's data on this machine, not roamed.
    const std::wstring dir = UserDir(L"LOCALAPPDATA");
    if (dir.empty() || !MakeDirs(dir))
        return {};
    return Utf8FromWide(dir) + "\\" + std::string(name);
}

std::string UserSettingsDir(bool create)
{
    // %APPDATA%: this user's settings, roamed with the user.
    const std::wstring dir = UserDir(L"APPDATA");
    return dir.empty() || (create && !MakeDirs(dir)) ? std::string() : Utf8FromWide(dir);
}

std::string UserSettingsPath(std::string_view name, bool create)
{
    const std::string dir = UserSettingsDir(create);
    return dir.empty() ? dir : dir + "\\" + std::string(name);
}

} // namespace platform
