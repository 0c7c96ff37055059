#include "platform/FileExists.h"

#include <new>
#include <stdexcept>
#include <windows.h>

#include "platform/WinText.h"

namespace platform {

bool FileExists(const std::string& path)
{
    if (path.empty())
        return false;
    const DWORD attrs = ::GetFileAttributesW(WideFromUtf8(path).c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsWritableFile(const std::string& path)
{
    const HANDLE h = ::CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    const bool disk = ::GetFileType(h) == FILE_TYPE_DISK;
    ::CloseHandle(h);
    return disk;
}

bool IsLink(const std::string& path)
{
    const DWORD attrs = ::GetFileAttributesW(WideFromUtf8(path).c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

std::string ResolvedDir(const std::string& dir)
{
    const DWORD attrs = ::GetFileAttributesW(WideFromUtf8(dir).c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0 ? dir : std::string();
}

bool ReadFileBytes(const std::string& path, std::string& out, std::size_t maxBytes)
{
    const HANDLE h = ::CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size{};
    if (::GetFileType(h) != FILE_TYPE_DISK || !::GetFileSizeEx(h, &size)
        || static_cast<unsigned long long>(size.QuadPart) > maxBytes) {
        ::CloseHandle(h);
        return false;
    }
    out.clear();
    // As on other systems: a file that grows while it is read is read one byte
    // past the limit and no further, and a file too large for memory is unreadable.
    bool ok = true;
    try {
        out.reserve(static_cast<std::size_t>(size.QuadPart));
        char buf[65536];
        while (out.size() <= maxBytes) {
            const std::size_t left = maxBytes - out.size();
            const DWORD want = static_cast<DWORD>(left < sizeof buf ? left + 1 : sizeof buf);
            DWORD got = 0;
            if (!::ReadFile(h, buf, want, &got, nullptr)) {
                ok = false;
                break;
            }
            if (got == 0)
                break;
            out.append(buf, got);
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    } catch (const std::length_error&) {
        ok = false;
    }
    ::CloseHandle(h);
    if (!ok || out.size() > maxBytes) {
        out.clear();
        out.shrink_to_fit();
        return false;
    }
    return true;
}

std::filesystem::path FileSystemPath(const std::string& path)
{
    return std::filesystem::path(WideFromUtf8(path));
}

std::string PathText(const std::filesystem::path& path)
{
    return Utf8FromWide(path.native());
}

} // namespace platform
