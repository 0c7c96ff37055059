#pragma once
#include <memory>
#include <string>

namespace platform {

// A lock named after the program in the user's runtime directory. It is held
// for the life of the object and released by the system when the process ends,
// crashes included.
class CInstanceGuard {
public:
    enum class Outcome { Acquired, HeldByAnother, Failed };

    CInstanceGuard();
    ~CInstanceGuard();
    CInstanceGuard(const CInstanceGuard&) = delete;
    CInstanceGuard& operator=(const CInstanceGuard&) = delete;

    Outcome Acquire(const std::string& name);

    // Directory in which the lock files live; tests point it elsewhere.
    static void SetLockDirForTesting(std::string dir);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace platform
