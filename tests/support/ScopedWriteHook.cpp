#include "ScopedWriteHook.h"

#include <algorithm>

ScopedWriteHook::ScopedWriteHook(std::vector<platform::WriteStage> failAt, int passFirst)
    : m_failAt(std::move(failAt)), m_passFirst(passFirst)
{
    platform::SetWriteHookForTesting([this](const std::string&, platform::WriteStage stage) {
        m_seen.push_back(stage);
        if (Writes() <= m_passFirst)
            return true;
        return std::find(m_failAt.begin(), m_failAt.end(), stage) == m_failAt.end();
    });
}

ScopedWriteHook::~ScopedWriteHook()
{
    platform::SetWriteHookForTesting({});
}

int ScopedWriteHook::Calls(platform::WriteStage stage) const
{
    return static_cast<int>(std::count(m_seen.begin(), m_seen.end(), stage));
}

const char* WriteStageName(platform::WriteStage stage)
{
    switch (stage) {
    case platform::WriteStage::Open: return "Open";
    case platform::WriteStage::Write: return "Write";
    case platform::WriteStage::Replace: return "Replace";
    }
    return "Unknown";
}
