#include "platform/InstanceGuard.h"

#include <functional>
#include <windows.h>

#include "platform/WinText.h"

namespace platform {

// A named mutex in the session's namespace: one copy per logged-on user
// session. The system closes it when the process ends, crashes included.
struct CInstanceGuard::Impl {
    HANDLE mutex = nullptr;
};

namespace {

std::string& NameSpaceOverride()
{
    static std::string prefix;
    return prefix;
}

} // namespace

CInstanceGuard::CInstanceGuard() : m_impl(std::make_unique<Impl>()) {}

CInstanceGuard::~CInstanceGuard()
{
    if (m_impl->mutex != nullptr)
        ::CloseHandle(m_impl->mutex);
}

CInstanceGuard::Outcome CInstanceGuard::Acquire(const std::string& name)
{
    if (m_impl->mutex != nullptr) {
        ::CloseHandle(m_impl->mutex);
        m_impl->mutex = nullptr;
    }
    // A backslash would name another namespace.
    if (name.empty() || name.find_first_of("/\\") != std::string::npos || name == "." || name == "..")
        return Outcome::Failed;
    const std::string full = (NameSpaceOverride().empty() ? std::string("Local\\") : NameSpaceOverride()) + name;
    const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, WideFromUtf8(full).c_str());
    const DWORD err = ::GetLastError();
    if (mutex == nullptr)
        return err == ERROR_ACCESS_DENIED ? Outcome::HeldByAnother : Outcome::Failed;
    if (err == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        return Outcome::HeldByAnother;
    }
    m_impl->mutex = mutex;
    return Outcome::Acquired;
}

// Tests name a private prefix for the mutex in place of a folder.
void CInstanceGuard::SetLockDirForTesting(std::string dir)
{
    NameSpaceOverride() = dir.empty() ? std::string() : "Local\\" + std::to_string(std::hash<std::string>{}(dir)) + "_";
}

void CInstanceGuard::SetLockPlacesForTesting(std::string, std::string, std::string) {}

void CInstanceGuard::ClearLockPlacesForTesting() {}

} // namespace platform
