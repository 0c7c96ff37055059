#include "platform/AtomicWrite.h"

#include <random>
#include <windows.h>

#include "platform/FileReplace.h"
#include "platform/WinText.h"

namespace platform {

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error, FileAccess)
{
    const std::wstring target = WideFromUtf8(path);
    const std::size_t sep = target.find_last_of(L"\\/");
    const std::wstring dir = sep == std::wstring::npos ? std::wstring() : target.substr(0, sep + 1);
    const std::wstring name = sep == std::wstring::npos ? target : target.substr(sep + 1);

    RemoveTemporaryLeftovers(path);
    std::random_device seed;
    std::wstring tmp;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && h == INVALID_HANDLE_VALUE; ++attempt) {
        // A name of ours beside the target; a write a crash cut short left one
        // behind, which went before the loop.
        tmp = dir + WideFromUtf8(TemporaryName(Utf8FromWide(name), (0ULL + seed()) << 32 | seed()));
        h = ::CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    DWORD err = h == INVALID_HANDLE_VALUE ? ::GetLastError() : 0;
    for (std::string_view rest = bytes; !err && !rest.empty();) {
        const DWORD chunk = rest.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(rest.size());
        DWORD wrote = 0;
        if (!::WriteFile(h, rest.data(), chunk, &wrote, nullptr) || wrote == 0)
            err = ::GetLastError() != 0 ? ::GetLastError() : ERROR_DISK_FULL;
        rest.remove_prefix(wrote);
    }
    if (!err && !::FlushFileBuffers(h))
        err = ::GetLastError();
    if (h != INVALID_HANDLE_VALUE && !::CloseHandle(h) && !err)
        err = ::GetLastError();
    if (!err && !::MoveFileExW(tmp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        err = ::GetLastError();
    if (err) {
        if (h != INVALID_HANDLE_VALUE)
            ::DeleteFileW(tmp.c_str());
        error = SystemErrorText(err);
        return false;
    }
    return true;
}

} // namespace platform
