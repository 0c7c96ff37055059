// Two laptops' histories syncing through the private server as tc_tech and tc_tech2 (team-connect-setup.sh).
#include "data/CHistory.h"
#include "data/CSqliteHistory.h"
#include "data/TeamSync.h"
#include "data/TeamSyncRunner.h"
#include "platform/ExeDir.h"
#include "tests/support/SilentListener.h"
#include "tests/support/TempDataDir.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDateTime>

#include <chrono>
#include <thread>

namespace {

struct Laptop {
    std::unique_ptr<CSqliteHistory> store;
    std::unique_ptr<TeamConnection> server;
    std::string user;
};

// One pass, as "sent refused held skipped".
std::string Sync(Laptop& laptop)
{
    TeamSyncResult r;
    TeamError error;
    EXPECT_TRUE(team::SyncOnce(*laptop.store, *laptop.server, r, error)) << error.m_strDetail << r.m_localError.m_strDetail;
    return std::to_string(r.m_nSent) + " " + std::to_string(r.m_nRefused) + " " + std::to_string(r.m_nHeld) + " "
        + std::to_string(r.m_nSkipped);
}

// The records of ids each laptop holds, as "note;" or "-;" when it has none.
std::string Shown(const std::vector<Laptop*>& laptops, const std::vector<std::string>& ids)
{
    std::string text;
    for (Laptop* laptop : laptops) {
        std::vector<HistoryRecord> records;
        HistoryError error;
        EXPECT_TRUE(laptop->store->Load(records, error)) << error.m_strDetail;
        for (const std::string& id : ids) {
            const auto it = std::find_if(records.begin(), records.end(), [&](const auto& r) { return r.m_strId == id; });
            text += (it == records.end() ? "-" : it->m_strNote) + ";";
        }
        text += "|";
    }
    return text;
}

std::string Ago(int seconds)
{
    return history::LocalTime(QDateTime::currentMSecsSinceEpoch() - seconds * 1000LL);
}

HistoryRecord Made(int secondsAgo = 60)
{
    HistoryRecord r;
    r.m_strId = history::NewId();
    r.m_strTime = Ago(secondsAgo);
    r.m_strCodes = {"No error code", "", ""};
    return r;
}

} // namespace

TEST(TeamSync, TwoLaptopsEndTheSame)
{
    TempDataDir home;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home.Root()));
    platform::SetExecutableDirForTesting(DARVELL_BINARY_DIR);
    Laptop a{nullptr, nullptr, "tc_tech"}, b{nullptr, nullptr, "tc_tech2"};
    TeamError teamError;
    HistoryError error;
    for (Laptop* laptop : {&a, &b}) {
        const TeamSettings settings{"127.0.0.1", qgetenv("PGPORT").toInt(), "tc_team", laptop->user, "verify-full",
                                    qgetenv("SERVER_DIR").toStdString() + "/ca.crt", "", ""};
        laptop->server = ConnectTeam(settings, {.password = laptop == &a ? "te:ch\\pw" : "second"},
                                     kTeamConnectTimeoutMs, teamError);
        laptop->store = CSqliteHistory::Open(home.PathOf(laptop->user), CSqliteHistory::Mode::ReadWrite, 100, {}, error);
        ASSERT_TRUE(laptop->server && laptop->store) << teamError.m_strDetail << error.m_strDetail << " (run by CTest?)";
    }
    // ahead: made with a clock two days ahead, kept back without blocking the rest.
    const HistoryRecord ra = Made(), rb = Made(), gone = Made(), ahead = Made(-2 * 86400);
    const std::vector<std::string> ids{ra.m_strId, rb.m_strId, gone.m_strId};
    ASSERT_TRUE(b.store->Add(ahead, error) && a.store->Add(ra, error) && a.store->Add(gone, error)
                && b.store->Add(rb, error));

    // A record made on each: both hold all after a pass each way.
    EXPECT_EQ(Sync(a), "2 0 0 0");
    EXPECT_EQ(Sync(b), "1 0 1 0");
    Sync(a);
    EXPECT_EQ(Shown({&a, &b}, ids), ";;;|;;;|");

    // A note changed on both: the later one wins on both, though sent first. A
    // deletion of one's own record goes everywhere; of another's, the server refuses it.
    ASSERT_TRUE(a.store->Annotate(rb.m_strId, "A's, later", std::nullopt, Ago(10), a.user, error)
                && b.store->Annotate(rb.m_strId, "B's, earlier", std::nullopt, Ago(20), b.user, error)
                && a.store->Delete(gone.m_strId, Ago(5), a.user, error) && b.store->Delete(ra.m_strId, Ago(5), b.user, error));
    EXPECT_EQ(Sync(a), "2 0 0 0");
    EXPECT_EQ(Sync(b), "1 1 1 0");
    Sync(a);
    EXPECT_EQ(Shown({&a, &b}, ids), ";A's, later;-;|-;A's, later;-;|");

    // Further passes send nothing again, and nothing removed comes back.
    for (int pass = 0; pass < 4; ++pass)
        EXPECT_EQ(Sync(pass % 2 ? b : a), pass % 2 ? "0 0 1 0" : "0 0 0 0");
    EXPECT_EQ(Shown({&a, &b}, ids), ";A's, later;-;|-;A's, later;-;|");
}

// The program's sync: a record appended to the history reaches the server with
// no call but the append; quitting ends at once while a server never answers.
TEST(TeamSync, RunnerSendsEachChangeAndQuitsInTime)
{
    TempDataDir home;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home.Root()));
    platform::SetExecutableDirForTesting(DARVELL_BINARY_DIR);
    TeamSettings settings{"127.0.0.1", qgetenv("PGPORT").toInt(), "tc_team", "tc_tech", "verify-full",
                          qgetenv("SERVER_DIR").toStdString() + "/ca.crt", "", ""};
    TeamSettingsError settingsError;
    TeamError teamError;
    HistoryError error;
    ASSERT_TRUE(team::SaveSettings(team::SettingsPath(true), team::PasswordPath(true), settings, "te:ch\\pw",
                                   settingsError)) << settingsError.m_strDetail;
    Laptop b{CSqliteHistory::Open(home.PathOf("b"), CSqliteHistory::Mode::ReadWrite, 100, {}, error), nullptr, "tc_tech2"};
    b.server = ConnectTeam(TeamSettings{settings.m_strHost, settings.m_nPort, "tc_team", b.user, "verify-full",
                                        settings.m_strSslRootCert, "", ""},
                           {.cancel = nullptr, .password = "second"}, kTeamConnectTimeoutMs, teamError);
    ASSERT_TRUE(b.store && b.server) << teamError.m_strDetail << error.m_strDetail;
    CHistory history(home.PathOf("a"));
    const HistoryRecord made = Made();
    for (SilentListener silent; const int port : {settings.m_nPort, silent.port}) {
        settings.m_nPort = port;
        const auto start = std::chrono::steady_clock::now();
        {
            CTeamSyncRunner runner(history, settings);
            if (port == silent.port) {
                runner.Ask();
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
            } else {
                ASSERT_TRUE(history.Append(made));
                // The pass may still be taking rows when b already has the record.
                for (int i = 0; i < 100 && (Shown({&b}, {made.m_strId}) != ";|"
                                            || runner.State().m_kind != TeamSyncState::Kind::UpToDate); ++i) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
                    Sync(b);
                }
                EXPECT_EQ(Shown({&b}, {made.m_strId}), ";|");
                EXPECT_EQ(runner.State().m_kind, TeamSyncState::Kind::UpToDate) << team::StateText(runner.State(), 1);
            }
        }
        // Quitting waits for no network: at most the cancel's check and the join.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(port == silent.port ? 1500 : 15000));
    }
}
