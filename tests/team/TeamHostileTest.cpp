// A laptop syncing from tc_hostile, whose owner wrote rows no program of ours
// makes (team-connect-setup.sh), keeps only what it could have made itself.
#include "data/AppState.h"
#include "data/CHistory.h"
#include "data/CSqliteHistory.h"
#include "data/TeamSync.h"
#include "dialogs/CHistoryDlg.h"
#include "dialogs/CHistoryModel.h"
#include "platform/ExeDir.h"
#include "tests/support/TempDataDir.h"

#include <QLineEdit>
#include <gtest/gtest.h>

TEST(TeamHostile, RowsNoProgramMakesAreSkippedOrCutAndTheWindowShowsTheRest)
{
    TempDataDir home;
    platform::SetExecutableDirForTesting(DARVELL_BINARY_DIR);
    const std::string path = home.PathOf("History.sqlite");
    TeamError teamError;
    HistoryError error;
    const TeamSettings settings{"127.0.0.1", qgetenv("PGPORT").toInt(), "tc_hostile", "tc_tech", "verify-full",
                                qgetenv("SERVER_DIR").toStdString() + "/ca.crt", "", ""};
    auto server = ConnectTeam(settings, {.password = "te:ch\\pw"}, kTeamConnectTimeoutMs, teamError);
    auto store = CSqliteHistory::Open(path, CSqliteHistory::Mode::ReadWrite, CHistory::kMaxRecords, {}, error);
    ASSERT_TRUE(server && store) << teamError.m_strDetail << error.m_strDetail << " (run by CTest?)";
    // Taken: the sound record and its 1 MB note; skipped: a record of an
    // unknown code, a record and a note dated 9999, a note not in UTF-8.
    // The second pass sends nothing back (the note as cut here) and skips nothing again.
    for (const auto& [taken, skipped] : {std::pair{2u, 4u}, std::pair{0u, 0u}}) {
        TeamSyncResult r;
        ASSERT_TRUE(team::SyncOnce(*store, *server, r, teamError)) << teamError.m_strDetail << r.m_localError.m_strDetail;
        EXPECT_EQ(std::vector<std::size_t>({r.m_nTaken, r.m_nSkipped, r.m_nSent, r.m_nHeld}),
                  std::vector<std::size_t>({taken, skipped, 0, 0}));
    }
    store.reset();

    AppState app;
    app.m_nLanguage = 1;
    CHistory history(path);
    CHistoryDlg dlg(app, history);
    ASSERT_EQ(history.Records().size(), 1u);
    EXPECT_EQ(history.Records()[0].m_strNote, std::string(HistoryRecord::kMaxNote, 'n'));
    for (const auto& [typed, rows] : {std::pair{"tc_owner@press-pc", 1}, {"nnnn", 1}, {"bad", 0}, {"E99", 0}, {"", 1}}) {
        dlg.FilterBox()->setText(QString::fromUtf8(typed));
        EXPECT_EQ(dlg.Model()->rowCount(), rows) << typed;
    }
}
