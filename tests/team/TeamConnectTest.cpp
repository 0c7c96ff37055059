// ConnectTeam and Exec against the private server (scripts/team-server.sh,
// tests/team/team-connect-setup.sh): PGPORT names its port, SERVER_DIR holds
// its test authority's certificates.
#include "data/TeamServer.h"
#include "platform/ExeDir.h"
#include "tests/support/SilentListener.h"
#include "tests/support/TempDataDir.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include <chrono>
#include <functional>
#include <regex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
const char* const kPassword = "te:ch\\pw";

std::string ServerFile(const char* name)
{
    return qgetenv("SERVER_DIR").toStdString() + "/" + name;
}

TeamSettings Server()
{
    TeamSettings s;
    s.m_strHost = "127.0.0.1";
    s.m_nPort = qgetenv("PGPORT").toInt();
    s.m_strDatabase = "tc_team";
    s.m_strUser = "tc_tech";
    s.m_strSslRootCert = ServerFile("ca.crt");
    return s;
}

long long MsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Runs cancel on a thread of its own after ms (none for 0); joined when it goes.
struct CancelLater {
    std::thread thread;
    CancelLater(int ms, std::function<void()> cancel)
    {
        if (ms)
            thread = std::thread([ms, cancel] {
                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
                cancel();
            });
    }
    ~CancelLater()
    {
        if (thread.joinable())
            thread.join();
    }
};

class TeamConnect : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_GT(Server().m_nPort, 0) << "run through CTest (label team): PGPORT names the private server";
        m_savedConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(m_home.Root()));
        TeamSettingsError error;
        ASSERT_TRUE(team::SaveSettings(team::SettingsPath(true), team::PasswordPath(), Server(), kPassword, error));
        platform::SetExecutableDirForTesting(DARVELL_BINARY_DIR);
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", m_savedConfig); }

    TempDataDir m_home;
    QByteArray m_savedConfig;
};

} // namespace

TEST_F(TeamConnect, EachFailureItsKindWithinItsTime)
{
    SilentListener silent, closed(true);
    ASSERT_GT(silent.port, 0);
    using Change = std::function<void(TeamSettings&, TeamConnectOptions&)>;
    const struct {
        const char* name;
        Change change;
        TeamError::Kind kind;
        int timeoutMs;
        int cancelAfterMs; // 0: none
        long long maxMs;
    } cases[] = {
        {"verify-full, password file", [](TeamSettings&, TeamConnectOptions&) {}, TeamError::Kind::None, 10000, 0, 10000},
        {"host name, its addresses", [](TeamSettings& s, TeamConnectOptions& o) { s.m_strHost = "localhost"; o.password = kPassword; },
         TeamError::Kind::None, 10000, 0, 10000},
        {"plain where disabled", [](TeamSettings& s, TeamConnectOptions&) { s.m_strSslMode = "disable"; }, TeamError::Kind::None,
         10000, 0, 10000},
        {"wrong password", [](TeamSettings&, TeamConnectOptions& o) { o.password = "wrong"; }, TeamError::Kind::Password, 10000, 0,
         10000},
        {"no such database", [](TeamSettings& s, TeamConnectOptions& o) { s.m_strDatabase = "tc_absent"; o.password = kPassword; },
         TeamError::Kind::NoDatabase, 10000, 0, 10000},
        {"no schema", [](TeamSettings& s, TeamConnectOptions& o) { s.m_strDatabase = "tc_plain"; o.password = kPassword; },
         TeamError::Kind::NoSchema, 10000, 0, 10000},
        {"newer schema", [](TeamSettings& s, TeamConnectOptions& o) { s.m_strDatabase = "tc_newer"; o.password = kPassword; },
         TeamError::Kind::NewerSchema, 10000, 0, 10000},
        {"untrusted root", [](TeamSettings& s, TeamConnectOptions&) { s.m_strSslRootCert = ServerFile("other-ca.crt"); },
         TeamError::Kind::Certificate, 10000, 0, 10000},
        {"nothing listens", [&](TeamSettings& s, TeamConnectOptions&) { s.m_nPort = closed.port; }, TeamError::Kind::Unreachable,
         10000, 0, 10000},
        {"silent listener", [&](TeamSettings& s, TeamConnectOptions&) { s.m_nPort = silent.port; }, TeamError::Kind::Timeout,
         1500, 0, 2200},
        {"cancelled", [&](TeamSettings& s, TeamConnectOptions&) { s.m_nPort = silent.port; }, TeamError::Kind::Cancelled, 30000,
         200, 800},
        {"prefer", [&](TeamSettings& s, TeamConnectOptions&) { s.m_nPort = silent.port; s.m_strSslMode = "prefer"; },
         TeamError::Kind::SslModeRefused, 5000, 0, 100},
        {"root file missing", [&](TeamSettings& s, TeamConnectOptions&) { s.m_nPort = silent.port; s.m_strSslRootCert += ".gone"; },
         TeamError::Kind::RootCertMissing, 5000, 0, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TeamSettings settings = Server();
        TeamConnectOptions options;
        TeamCancel cancel;
        options.cancel = &cancel;
        c.change(settings, options);
        CancelLater canceller(c.cancelAfterMs, [&cancel] { cancel.Cancel(); });
        const Clock::time_point start = Clock::now();
        TeamError error;
        const auto connection = ConnectTeam(settings, options, c.timeoutMs, error);
        const long long took = MsSince(start);
        EXPECT_EQ(error.m_kind, c.kind) << error.m_strDetail;
        EXPECT_EQ(connection != nullptr, c.kind == TeamError::Kind::None);
        EXPECT_LE(took, c.maxMs);
        if (connection) {
            EXPECT_TRUE(std::regex_match(connection->ServerId(), std::regex("[0-9a-f-]{36}"))) << connection->ServerId();
            EXPECT_EQ(connection->SessionUser(), "tc_tech");
        }
        EXPECT_EQ(team::ErrorText(error, 1).find(kPassword), std::string::npos);
    }
}

TEST_F(TeamConnect, ExecRowsErrorsTimeoutAndCancel)
{
    TeamError error;
    const auto connection = ConnectTeam(Server(), kTeamConnectTimeoutMs, error);
    ASSERT_NE(connection, nullptr) << error.m_strDetail;
    std::vector<TeamConnection::Row> rows;
    ASSERT_TRUE(connection->Exec("SELECT $1::text, $2::text IS NULL, NULL::text FROM generate_series(1, 2)",
                                 {std::string("it's 测试"), std::nullopt}, rows, 5000, error));
    const TeamConnection::Row row{std::string("it's 测试"), std::string("t"), std::nullopt};
    EXPECT_EQ(rows, (std::vector<TeamConnection::Row>{row, row}));
    EXPECT_FALSE(connection->Exec("UPDATE record SET version = ''", {}, rows, 5000, error));
    EXPECT_EQ(error.m_kind, TeamError::Kind::Server);
    EXPECT_NE(error.m_strDetail.find("permission denied"), std::string::npos) << error.m_strDetail;

    const struct {
        int timeoutMs;
        int cancelAfterMs;
        TeamError::Kind kind;
    } cases[] = {{300, 0, TeamError::Kind::Timeout}, {30000, 200, TeamError::Kind::Cancelled}};
    for (const auto& c : cases) {
        auto busy = ConnectTeam(Server(), kTeamConnectTimeoutMs, error);
        ASSERT_NE(busy, nullptr) << error.m_strDetail;
        CancelLater canceller(c.cancelAfterMs, [&busy] { busy->Cancel(); });
        const Clock::time_point start = Clock::now();
        EXPECT_FALSE(busy->Exec("SELECT pg_sleep(30)", {}, rows, c.timeoutMs, error));
        EXPECT_LE(MsSince(start), std::max(c.timeoutMs, c.cancelAfterMs) + 500);
        EXPECT_EQ(error.m_kind, c.kind);
        EXPECT_FALSE(busy->Exec("SELECT 1", {}, rows, 5000, error)) << "used after it was given up";
    }
}
