#include "platform/WritableDir.h"

#include <windows.h>

#include "platform/WinText.h"

namespace platform {

bool IsWritableDir(const std::string& path)
{
    // Rights on Windows are told by trying: a new file, deleted at once when closed.
    const std::wstring dir = WideFromUtf8(path);
    const DWORD attrs = ::GetFileAttributesW(dir.c_str());
    if (path.empty() || attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return false;
    const std::wstring probe = dir + L"\\.darvell-write-probe-" + std::to_wstring(::GetCurrentProcessId());
    const HANDLE h = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(h);
    return true;
}

} // namespace platform
