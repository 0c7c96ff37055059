#include "platform/FileReplace.h"

#include <windows.h>

#include "platform/WinText.h"

namespace platform {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

class Handle {
public:
    explicit Handle(HANDLE h) : m_h(h) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool Valid() const { return m_h != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_h; }
    bool Close()
    {
        const bool ok = !Valid() || ::CloseHandle(m_h);
        m_h = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE m_h;
};

bool WriteFrom(HANDLE h, std::string_view data)
{
    LARGE_INTEGER zero{};
    if (!::SetFilePointerEx(h, zero, nullptr, FILE_BEGIN))
        return false;
    while (!data.empty()) {
        const DWORD chunk = data.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(data.size());
        DWORD wrote = 0;
        if (!::WriteFile(h, data.data(), chunk, &wrote, nullptr) || wrote == 0)
            return false;
        data.remove_prefix(wrote);
    }
    return true;
}

std::wstring FolderOf(const std::wstring& path)
{
    const std::size_t sep = path.find_last_of(L"\\/");
    return sep == std::wstring::npos ? std::wstring() : path.substr(0, sep + 1);
}

// Temporary files that a write cut short by a crash left beside the file, at
// least a minute old (a write in progress elsewhere is younger).
void RemoveLeftovers(const std::wstring& dir, const std::wstring& name)
{
    WIN32_FIND_DATAW found{};
    const HANDLE find = ::FindFirstFileW((dir + L"." + name + L".*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    FILETIME nowFt{};
    ::GetSystemTimeAsFileTime(&nowFt);
    const auto ticks = [](const FILETIME& ft) { return (ULONGLONG(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; };
    const ULONGLONG minAge = ULONGLONG(kLeftoverSeconds) * 10000000ULL; // 100 ns units
    do {
        if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0
            || !IsTemporaryFileOf(Utf8FromWide(found.cFileName), Utf8FromWide(name)))
            continue;
        if (ticks(nowFt) >= ticks(found.ftLastWriteTime) + minAge)
            ::DeleteFileW((dir + found.cFileName).c_str());
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
}

// A new file beside the target: "." + name + "." and six letters or digits.
HANDLE CreateTemporary(const std::wstring& dir, const std::wstring& name, std::wstring& tmp)
{
    static const wchar_t kAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    ULONGLONG seed = ::GetTickCount64() ^ (ULONGLONG(::GetCurrentProcessId()) << 20);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring suffix;
        for (int i = 0; i < 6; ++i) {
            seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
            suffix.push_back(kAlphabet[(seed >> 33) % 62]);
        }
        tmp = dir + L"." + name + L"." + suffix;
        const HANDLE h = ::CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS)
            return h;
    }
    return INVALID_HANDLE_VALUE;
}

enum class RenameResult { Done, Failed, NotPossible };

// A new file beside the original, put in its place by ReplaceFileW, which
// keeps the original's attributes, security descriptor and times: atomic.
// NotPossible when the folder takes no new file or the system refuses the
// replacement (the file open elsewhere without delete sharing, say); nothing
// is left then and the original is untouched.
RenameResult WriteByReplace(const std::wstring& target, std::string_view bytes, const StageCheck& allow)
{
    const std::wstring dir = FolderOf(target);
    const std::wstring name = target.substr(dir.size());
    RemoveLeftovers(dir, name);
    std::wstring tmp;
    Handle h(CreateTemporary(dir, name, tmp));
    if (!h.Valid())
        return RenameResult::NotPossible;
    bool ok = allow(WriteStage::Write) && WriteFrom(h.Get(), bytes) && ::FlushFileBuffers(h.Get());
    ok = h.Close() && ok;
    if (!ok || !allow(WriteStage::Replace)) {
        ::DeleteFileW(tmp.c_str());
        return RenameResult::Failed;
    }
    if (!::ReplaceFileW(target.c_str(), tmp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                        nullptr)) {
        ::DeleteFileW(tmp.c_str());
        return RenameResult::NotPossible;
    }
    return RenameResult::Done;
}

// The same file rewritten: keeps hard links and needs no right on the folder,
// but is not atomic. On a failure the old bytes are put back as far as the
// system lets us.
bool WriteInPlace(const std::wstring& target, std::string_view old, std::string_view bytes,
                  const StageCheck& allow)
{
    Handle h(::CreateFileW(target.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.Valid())
        return false;
    const auto commit = [&h](std::string_view data) {
        return WriteFrom(h.Get(), data) && ::SetEndOfFile(h.Get()) && ::FlushFileBuffers(h.Get());
    };
    bool ok = allow(WriteStage::Write) && WriteFrom(h.Get(), bytes);
    ok = ok && allow(WriteStage::Replace) && ::SetEndOfFile(h.Get()) && ::FlushFileBuffers(h.Get());
    if (!ok)
        commit(old);
    return h.Close() && ok;
}

} // namespace

std::string WritableFileTarget(const std::string& path)
{
    const std::wstring wide = WideFromUtf8(path);
    const DWORD attrs = ::GetFileAttributesW(wide.c_str());
    if (path.empty() || attrs == INVALID_FILE_ATTRIBUTES
        || (attrs & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
        return {};
    // Opening for writing proves the right to write without changing a byte.
    Handle h(::CreateFileW(wide.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.Valid() || ::GetFileType(h.Get()) != FILE_TYPE_DISK)
        return {};
    // Links followed, so that a link stays a link.
    wchar_t buf[32768];
    const DWORD n = ::GetFinalPathNameByHandleW(h.Get(), buf, 32768, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0 || n >= 32768)
        return path;
    std::wstring final(buf, n);
    if (final.rfind(L"\\\\?\\UNC\\", 0) == 0)
        final = L"\\\\" + final.substr(8);
    else if (final.rfind(L"\\\\?\\", 0) == 0 && final.size() > 6 && final[5] == L':')
        final = final.substr(4);
    return Utf8FromWide(final);
}

bool ReplaceFileContents(const std::string& target, std::string_view old, std::string_view bytes,
                         const StageCheck& allow)
{
    const std::wstring wide = WideFromUtf8(target);
    BY_HANDLE_FILE_INFORMATION info{};
    {
        Handle h(::CreateFileW(wide.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                               nullptr));
        if (!h.Valid() || !::GetFileInformationByHandle(h.Get(), &info))
            return false;
    }
    // A second name would be cut off from the new content.
    if (info.nNumberOfLinks == 1) {
        const RenameResult r = WriteByReplace(wide, bytes, allow);
        if (r != RenameResult::NotPossible)
            return r == RenameResult::Done;
    }
    return WriteInPlace(wide, old, bytes, allow);
}

} // namespace platform
