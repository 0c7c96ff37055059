#include "platform/AppendFile.h"

#include <windows.h>

#include "platform/WinText.h"

namespace platform {

namespace {

bool Fail(std::string& error, DWORD err)
{
    error = SystemErrorText(err);
    return false;
}

} // namespace

bool AppendLine(const std::string& path, std::string_view line, std::string& error)
{
    // Append-only access: every write goes to the end, whoever else appends.
    const HANDLE h = ::CreateFileW(WideFromUtf8(path).c_str(), FILE_APPEND_DATA | FILE_READ_DATA | SYNCHRONIZE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return Fail(error, ::GetLastError());
    LARGE_INTEGER size{};
    if (::GetFileType(h) != FILE_TYPE_DISK || !::GetFileSizeEx(h, &size)) {
        const DWORD err = ::GetLastError();
        ::CloseHandle(h);
        return Fail(error, err != 0 ? err : ERROR_INVALID_PARAMETER);
    }
    char last = '\n';
    if (size.QuadPart > 0) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>((size.QuadPart - 1) & 0xFFFFFFFF);
        at.OffsetHigh = static_cast<DWORD>((size.QuadPart - 1) >> 32);
        DWORD got = 0;
        if (!::ReadFile(h, &last, 1, &got, &at) || got != 1)
            last = '\n'; // unknown: better a whole line than none
    }
    std::string bytes;
    if (last != '\n')
        bytes = line.ends_with("\r\n") ? "\r\n" : "\n";
    bytes.append(line);
    DWORD wrote = 0;
    const bool ok = ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr)
        && wrote == bytes.size();
    if (!ok) {
        const DWORD err = ::GetLastError();
        if (wrote > 0) {
            // Take the cut line back; where that fails, readers skip it.
            LARGE_INTEGER end = size;
            ::SetFilePointerEx(h, end, nullptr, FILE_BEGIN);
            ::SetEndOfFile(h);
        }
        ::CloseHandle(h);
        return Fail(error, err != 0 ? err : ERROR_DISK_FULL);
    }
    if (!::FlushFileBuffers(h)) {
        const DWORD err = ::GetLastError();
        ::CloseHandle(h);
        return Fail(error, err);
    }
    ::CloseHandle(h);
    return true;
}

} // namespace platform
