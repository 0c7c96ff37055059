// Two laptops' histories syncing through the private server
// (team-connect-setup.sh): tc_tech on one, tc_tech2 on the other.
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

TeamSyncResult Sync(Laptop& laptop)
{
    TeamSyncResult result;
    TeamError error;
    EXPECT_TRUE(team::SyncOnce(*laptop.store, *laptop.server, result, error))
        << error.m_strDetail << result.m_localError.m_strDetail;
    return result;
}

// The records of ids a laptop holds, each as "note;" or "-;" when it has none.
std::string Shown(Laptop& laptop, const std::vector<std::string>& ids)
{
    std::vector<HistoryRecord> records;
    HistoryError error;
    EXPECT_TRUE(laptop.store->Load(records, error)) << error.m_strDetail;
    std::string text;
    for (const std::string& id : ids) {
        const auto it = std::find_if(records.begin(), records.end(), [&](const auto& r) { return r.m_strId == id; });
        text += (it == records.end() ? "-" : it->m_strNote) + ";";
    }
    return text;
}

std::string Ago(int seconds)
{
    return history::LocalTime(QDateTime::currentMSecsSinceEpoch() - seconds * 1000LL);
}

HistoryRecord Made(const std::string& author)
{
    HistoryRecord r;
    r.m_strId = history::NewId();
    r.m_strTime = Ago(60);
    r.m_strVersion = "1.0.1.0";
    r.m_nUnits = 2;
    r.m_strCodes = {"No error code", "F", ""};
    r.m_nErrNos = {149, 150};
    r.m_strAuthor = author;
    r.m_strLaptop = "laptop of " + author;
    return r;
}

} // namespace

TEST(TeamSync, TwoLaptopsEndTheSame)
{
    const int port = qgetenv("PGPORT").toInt();
    ASSERT_GT(port, 0) << "run through CTest (label team): PGPORT names the private server";
    TempDataDir home;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home.Root()));
    platform::SetExecutableDirForTesting(DARVELL_BINARY_DIR);
    Laptop a{nullptr, nullptr, "tc_tech"}, b{nullptr, nullptr, "tc_tech2"};
    for (Laptop* laptop : {&a, &b}) {
        TeamSettings settings;
        settings.m_strHost = "127.0.0.1";
        settings.m_nPort = port;
        settings.m_strDatabase = "tc_team";
        settings.m_strUser = laptop->user;
        settings.m_strSslRootCert = qgetenv("SERVER_DIR").toStdString() + "/ca.crt";
        TeamConnectOptions options;
        options.password = laptop == &a ? "te:ch\\pw" : "second";
        TeamError error;
        laptop->server = ConnectTeam(settings, options, kTeamConnectTimeoutMs, error);
        ASSERT_TRUE(laptop->server) << error.m_strDetail;
        HistoryError opened;
        laptop->store = CSqliteHistory::Open(home.PathOf(laptop->user + ".sqlite"), CSqliteHistory::Mode::ReadWrite, 100,
                                             {}, opened);
        ASSERT_TRUE(laptop->store) << opened.m_strDetail;
    }
    HistoryError error;
    const HistoryRecord ra = Made(a.user), rb = Made(b.user), gone = Made(a.user);
    const std::vector<std::string> ids{ra.m_strId, rb.m_strId, gone.m_strId};
    HistoryRecord ahead = Made(b.user); // made with a clock two days ahead: kept back, blocking nothing
    ahead.m_strTime = Ago(-2 * 86400);
    ASSERT_TRUE(b.store->Add(ahead, error) && a.store->Add(ra, error) && a.store->Add(gone, error)
                && b.store->Add(rb, error));

    // A record made on each: both hold all three after a pass each way.
    EXPECT_EQ(Sync(a).m_nSent, 2u);
    EXPECT_EQ(Sync(b).m_nSent, 1u);
    Sync(a);
    EXPECT_EQ(Shown(a, ids), ";;;");
    EXPECT_EQ(Shown(b, ids), ";;;");

    // A note changed on both: the later one wins on both, though sent first.
    ASSERT_TRUE(a.store->Annotate(rb.m_strId, "A's, later", std::nullopt, Ago(10), a.user, error));
    ASSERT_TRUE(b.store->Annotate(rb.m_strId, "B's, earlier", std::nullopt, Ago(20), b.user, error));
    // A deletion of one's own record goes everywhere; of another's record, the server refuses it.
    ASSERT_TRUE(a.store->Delete(gone.m_strId, Ago(5), a.user, error));
    ASSERT_TRUE(b.store->Delete(ra.m_strId, Ago(5), b.user, error));
    EXPECT_EQ(Sync(a).m_nSent, 2u);
    const TeamSyncResult refused = Sync(b);
    EXPECT_EQ(refused.m_nSent, 1u);
    EXPECT_EQ(refused.m_nRefused, 1u);
    Sync(a);
    EXPECT_EQ(Shown(a, ids), ";A's, later;-;");
    EXPECT_EQ(Shown(b, ids), "-;A's, later;-;");

    // Further passes send nothing again, and nothing removed comes back.
    for (int pass = 0; pass < 2; ++pass)
        for (Laptop* laptop : {&a, &b}) {
            const TeamSyncResult again = Sync(*laptop);
            EXPECT_EQ(again.m_nSent + again.m_nRefused + again.m_nSkipped, 0u);
            EXPECT_EQ(again.m_nHeld, laptop == &b ? 1u : 0u);
        }
    EXPECT_EQ(Shown(a, ids), ";A's, later;-;");
    EXPECT_EQ(Shown(b, ids), "-;A's, later;-;");
}
