// Two laptops' histories syncing through the private server as tc_tech and tc_tech2 (team-connect-setup.sh).
#include "data/CSqliteHistory.h"
#include "data/TeamSync.h"
#include "platform/ExeDir.h"
#include "tests/support/TempDataDir.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDateTime>

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
