#include "diagnosis/CHistoryEntry.h"

#include <gtest/gtest.h>

#include "data/AppState.h"
#include "diagnosis/CEnteredStatus.h"
#include "tests/support/TempDataDir.h"

namespace {

using Outcome = HistoryReplay::Outcome;

// A one-unit emitter record replayed on the English sample data, the app at three units before.
TEST(CHistoryEntry, ReplayEntersLooksUpAndComparesARecord)
{
    struct Case {
        const char* name;
        const char* code;       // as the entry button reads in English
        int interlock, halt;    // lamp conditions of the record
        std::vector<int> kept;  // the record's error numbers
        bool noCauseFile;
        Outcome outcome;
        std::vector<int> now;
        std::optional<Message> failure;
    };
    const std::vector<int> four = {149, 150, 151, 152};
    const Case cases[] = {
        {"replays", "No error code", 0, 0, four, false, Outcome::Done, four, {}},
        {"narrowed", "No error code", 1, 1, {150}, false, Outcome::Done, {150}, {}},
        {"other numbers today", "No error code", 0, 0, {7, 8}, false, Outcome::Done, four, {}},
        {"code not offered", "No such code", 0, 0, four, false, Outcome::CannotEnter, {}, {}},
        {"lookup fails", "No error code", 0, 0, four, true, Outcome::LookupFailed, {}, Message::NoCauseFile},
    };
    for (const Case& c : cases) {
        TempDataDir dir;
        ASSERT_TRUE(dir.CopySampleDir(DARVELL_BINARY_DIR "/QL7_Tool"));
        ASSERT_TRUE(!c.noCauseFile || dir.Remove("QL7BE.ini"));
        AppState app;
        app.m_nLanguage = 1;
        CEnteredStatus status(app);
        CDiagnosis diag(app);
        HistoryRecord record;
        record.m_strCodes[0] = c.code;
        record.m_nInterlock = c.interlock;
        record.m_nHalt = c.halt;
        record.m_nErrNos = c.kept;
        const HistoryReplay replay = CHistoryEntry::Replay(app, record, status, diag);
        EXPECT_EQ(replay.m_outcome, c.outcome) << c.name;
        EXPECT_EQ(replay.m_nErrNos, c.now) << c.name;
        EXPECT_EQ(replay.m_bChanged, c.outcome == Outcome::Done && c.now != c.kept) << c.name;
        EXPECT_EQ(replay.m_failure, c.failure) << c.name;
        EXPECT_EQ(app.m_nUnitsIndex, 2) << c.name;
        EXPECT_EQ(status.Code(0), c.outcome == Outcome::CannotEnter ? 0 : 1) << c.name;
        EXPECT_EQ(diag.CauseCount(), static_cast<int>(c.now.size())) << c.name;
        EXPECT_EQ(diag.AppliedInterlock(), c.outcome == Outcome::Done ? c.interlock : 0) << c.name;
    }
}

} // namespace
