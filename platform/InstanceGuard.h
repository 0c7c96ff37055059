#pragma once
#include <memory>
#include <string>

namespace platform {

// A lock named after the program in the user's runtime directory (else a
// private folder in the home or in the temporary folder, else the program's own
// folder). It is held for the life of the object and released by the system
// when the process ends, crashes included.
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
    // The places the default directory is chosen from (runtime folder, home,
    // shared temporary folder; empty: none), in place of the system's.
    static void SetLockPlacesForTesting(std::string runtime, std::string home, std::string tmp);
    static void ClearLockPlacesForTesting();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace platform
