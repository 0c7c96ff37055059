#include "platform/FileReplace.h"

#include <windows.h>
#include <aclapi.h>

#include <vector>

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

bool Exists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Whether the file's owner is this process's user, or the owner the user's new
// files get (an administrator's files may belong to the Administrators group).
bool OwnedByUs(HANDLE file)
{
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (::GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr, &sd)
        != ERROR_SUCCESS)
        return false;
    bool ours = false;
    HANDLE token = nullptr;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        for (const TOKEN_INFORMATION_CLASS kind : {TokenUser, TokenOwner}) {
            DWORD size = 0;
            ::GetTokenInformation(token, kind, nullptr, 0, &size);
            std::vector<BYTE> info(size);
            if (size == 0 || !::GetTokenInformation(token, kind, info.data(), size, &size))
                continue;
            const PSID sid = kind == TokenUser ? reinterpret_cast<TOKEN_USER*>(info.data())->User.Sid
                                               : reinterpret_cast<TOKEN_OWNER*>(info.data())->Owner;
            ours = ours || ::EqualSid(sid, owner);
        }
        ::CloseHandle(token);
    }
    ::LocalFree(sd);
    return ours;
}

// Temporary files that a write cut short by a crash left beside the file: ours
// by name and owner, regular and at least a minute old (a write in progress
// elsewhere is younger). Each is checked and deleted through one handle, so
// that nothing put in its place in between is touched.
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
        if (!IsTemporaryFileOf(Utf8FromWide(found.cFileName), Utf8FromWide(name)))
            continue;
        Handle h(::CreateFileW((dir + found.cFileName).c_str(), DELETE | READ_CONTROL | FILE_READ_ATTRIBUTES,
                               kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        BY_HANDLE_FILE_INFORMATION info{};
        if (!h.Valid() || !::GetFileInformationByHandle(h.Get(), &info)
            || (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0
            || ticks(nowFt) < ticks(info.ftLastWriteTime) + minAge || !OwnedByUs(h.Get()))
            continue;
        FILE_DISPOSITION_INFO dispose{};
        dispose.DeleteFile = TRUE;
        ::SetFileInformationByHandle(h.Get(), FileDispositionInfo, &dispose, sizeof dispose);
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
}

std::wstring OurName(const std::wstring& dir, const std::wstring& name, ULONGLONG& seed)
{
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return dir + WideFromUtf8(TemporaryName(Utf8FromWide(name), seed >> 11));
}

ULONGLONG Seed()
{
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);
    return ULONGLONG(now.QuadPart) ^ (ULONGLONG(::GetCurrentProcessId()) << 20);
}

// A new file of ours beside the target.
HANDLE CreateTemporary(const std::wstring& dir, const std::wstring& name, std::wstring& tmp)
{
    ULONGLONG seed = Seed();
    for (int attempt = 0; attempt < 100; ++attempt) {
        tmp = OurName(dir, name, seed);
        const HANDLE h = ::CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS)
            return h;
    }
    return INVALID_HANDLE_VALUE;
}

// A name of ours that no file has yet, for the original while it is replaced.
std::wstring UnusedName(const std::wstring& dir, const std::wstring& name)
{
    ULONGLONG seed = Seed() ^ 0x9E3779B97F4A7C15ULL;
    std::wstring candidate;
    for (int attempt = 0; attempt < 100; ++attempt) {
        candidate = OurName(dir, name, seed);
        if (!Exists(candidate) && ::GetLastError() == ERROR_FILE_NOT_FOUND)
            break;
    }
    return candidate;
}

DWORD& ReplaceFailure()
{
    static DWORD error = 0;
    return error;
}

BOOL Replace(const std::wstring& target, const std::wstring& tmp, const std::wstring& backup)
{
    if (const DWORD error = ReplaceFailure()) {
        if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT)
            ::DeleteFileW(target.c_str());
        else if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)
            ::MoveFileExW(target.c_str(), backup.c_str(), 0);
        ::SetLastError(error);
        return FALSE;
    }
    return ::ReplaceFileW(target.c_str(), tmp.c_str(), backup.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                          nullptr);
}

bool MoveWrittenThrough(const std::wstring& from, const std::wstring& to)
{
    // Never over a file: the name must be free.
    return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH);
}

enum class RenameResult { Done, Failed, NotPossible };

// After ReplaceFileW failed, by what it left: never deletes the only copy of
// the old content or of the new one. With the original in its place (1175, and
// 1176 as documented with a backup name) nothing changed: the temporary file
// goes and the write is NotPossible. With its name free the old content lies
// under the backup name (1177) or is gone (1176): the original comes back from
// the backup for 1177, else the temporary file takes the name, which is the
// write Done; if that move fails too, the backup comes back.
RenameResult AfterFailedReplace(DWORD error, const std::wstring& target, const std::wstring& tmp,
                                const std::wstring& backup)
{
    if (Exists(target)) {
        ::DeleteFileW(tmp.c_str());
        ::DeleteFileW(backup.c_str());
        return RenameResult::NotPossible;
    }
    const bool restoreFirst = error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 && Exists(backup);
    if (!restoreFirst && MoveWrittenThrough(tmp, target)) {
        ::DeleteFileW(backup.c_str());
        return RenameResult::Done;
    }
    if (Exists(backup) && MoveWrittenThrough(backup, target)) {
        ::DeleteFileW(tmp.c_str());
        return RenameResult::NotPossible;
    }
    if (restoreFirst && MoveWrittenThrough(tmp, target)) {
        ::DeleteFileW(backup.c_str());
        return RenameResult::Done;
    }
    // Both contents stay under names of ours, which no later write removes
    // while the original's name is free.
    return RenameResult::Failed;
}

// A new file beside the original, put in its place by ReplaceFileW, which
// keeps the original's attributes, security descriptor and times: atomic. The
// original becomes the backup until the replacement is complete. NotPossible
// when the folder takes no new file or the system refuses the replacement
// with the original kept (the file open elsewhere without delete sharing,
// say); nothing of ours is left then.
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
    const std::wstring backup = UnusedName(dir, name);
    if (!Replace(target, tmp, backup))
        return AfterFailedReplace(::GetLastError(), target, tmp, backup);
    ::DeleteFileW(backup.c_str());
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

void SetReplaceFailureForTesting(unsigned long error)
{
    ReplaceFailure() = error;
}

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

WriteDenial WhyNotWritable(const std::string& path, std::string& reason)
{
    const std::wstring wide = WideFromUtf8(path);
    const DWORD attrs = ::GetFileAttributesW(wide.c_str());
    if (path.empty() || attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return WriteDenial::Other;
    // A read-only file, a folder the user may only read and a write-protected
    // medium all refuse the opening for writing.
    Handle h(::CreateFileW(wide.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (h.Valid())
        return ::GetFileType(h.Get()) == FILE_TYPE_DISK ? WriteDenial::None : WriteDenial::Other;
    const DWORD err = ::GetLastError();
    reason = SystemErrorText(err);
    return err == ERROR_ACCESS_DENIED || err == ERROR_WRITE_PROTECT ? WriteDenial::Denied : WriteDenial::Other;
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

void RemoveTemporaryLeftovers(const std::string& path)
{
    const std::wstring target = WideFromUtf8(path);
    const std::size_t sep = target.find_last_of(L"\\/");
    if (sep == std::wstring::npos)
        RemoveLeftovers(std::wstring(), target);
    else
        RemoveLeftovers(target.substr(0, sep + 1), target.substr(sep + 1));
}

} // namespace platform
