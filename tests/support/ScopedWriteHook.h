#pragma once
#include "platform/ProfileFile.h"

#include <string>
#include <vector>

// "Open", "Write", "Replace": names for parameterised tests.
const char* WriteStageName(platform::WriteStage stage);

// Makes profile writes fail at one stage while the object lives, as a read-only
// file, a full disk or a failed rename would; tests run as root, where
// permissions stop nothing. Also records every stage reached.
class ScopedWriteHook {
public:
    // failAt empty: nothing fails, stages are only recorded. The first passFirst
    // writes go through untouched, so that a later write of a sequence can fail.
    explicit ScopedWriteHook(std::vector<platform::WriteStage> failAt = {}, int passFirst = 0);
    ~ScopedWriteHook();
    ScopedWriteHook(const ScopedWriteHook&) = delete;
    ScopedWriteHook& operator=(const ScopedWriteHook&) = delete;

    int Calls(platform::WriteStage stage) const;
    int Writes() const { return Calls(platform::WriteStage::Open); } // attempted writes

private:
    std::vector<platform::WriteStage> m_failAt;
    int m_passFirst = 0;
    std::vector<platform::WriteStage> m_seen;
};
