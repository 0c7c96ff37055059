#include "data/TeamServer.h"
#include "data/TeamSettings.h"
#include "tests/support/TempDataDir.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

TeamSettings Sample()
{
    TeamSettings s;
    s.m_strHost = "fe80::1";
    s.m_nPort = 6543;
    s.m_strDatabase = "darvell";
    s.m_strUser = "李工";
    s.m_strSslMode = "verify-ca";
    s.m_strSslRootCert = " C:\\Users\\Jörg\\根.crt ";
    s.m_strSslKey = "\"quoted\"";
    return s;
}

} // namespace

// Team.ini as written and read back, and each broken file with its message.
TEST(TeamSettings, ReadBackAndBrokenFilesSayWhatIsWrong)
{
    TempDataDir dir;
    const std::string ini = dir.PathOf("Team.ini"), pass = dir.PathOf("pgpass");
    TeamSettingsError error;
    ASSERT_TRUE(team::SaveSettings(ini, pass, Sample(), "s3:cr\\et", error)) << team::ErrorText(error, 1);
    TeamSettings read;
    ASSERT_TRUE(team::ReadSettings(ini, read, error));
    EXPECT_EQ(read, Sample());
    EXPECT_EQ(dir.Read("Team.ini").find("s3"), std::string::npos) << "the password is in Team.ini";

    const struct {
        const char* text; // nullptr: no file; "/": a folder in its place
        TeamSettingsError::Kind kind;
        const char* inMessage;
        const char* host; // what is read all the same
    } cases[] = {
        {nullptr, TeamSettingsError::Kind::None, "", ""},
        {"\xEF\xBB\xBF[team]\nhost = h\nDatabase=d\nUser=u\n", TeamSettingsError::Kind::None, "", "h"},
        {"[Team]\nHost=h\nPort=0\n", TeamSettingsError::Kind::BadPort, "Port=0", "h"},
        {"[Team]\nHost=h\nPort=5432x\n", TeamSettingsError::Kind::BadPort, "1 to 65535", "h"},
        {"[Team]\nHost=h\nSslMode=prefer\n", TeamSettingsError::Kind::BadSslMode, "SslMode=prefer", "h"},
        {"[Team]\nSslMode=\n", TeamSettingsError::Kind::BadSslMode, "verify-full", ""},
        {"[Team]\nHost=h\nUser=\xC0\xAF\n", TeamSettingsError::Kind::NotUtf8, "not UTF-8", ""},
        {"/", TeamSettingsError::Kind::Unreadable, "cannot be read", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "(none)");
        dir.Remove("Team.ini");
        if (c.text && std::string_view(c.text) == "/")
            dir.MakeDir("Team.ini");
        else if (c.text)
            dir.Write("Team.ini", c.text);
        EXPECT_EQ(team::ReadSettings(ini, read, error), c.kind == TeamSettingsError::Kind::None);
        EXPECT_EQ(error.m_kind, c.kind);
        EXPECT_EQ(read.m_strHost, c.host);
        EXPECT_TRUE(team::IsAcceptedSslMode(read.m_strSslMode) && read.m_nPort == 5432);
        const std::string message = team::ErrorText(error, 1);
        EXPECT_TRUE(!error || (message.find(ini) != std::string::npos && message.find(c.inMessage) != std::string::npos))
            << message;
    }
}

// The password file: libpq's escapes, the user's alone, kept when no password
// is given, put back when the settings cannot be written.
TEST(TeamSettings, PasswordFileEscapedPrivateKeptAndRestored)
{
    TeamSettings s = Sample();
    EXPECT_EQ(team::PasswordLine(s, "a:b\\c"), "fe80\\:\\:1:6543:darvell:李工:a\\:b\\\\c\n");
    for (const char* password : {"", "a:b\\c", "trailing\\", "::", "密码 with blanks "})
        EXPECT_EQ(team::PasswordFromText("# comment\n\n" + team::PasswordLine(s, password) + "x:1:d:u:other\n"),
                  password);
    EXPECT_EQ(team::PasswordFromText("h:1:d:u\n"), std::nullopt);

    TempDataDir dir;
    const std::string ini = dir.PathOf("Team.ini"), pass = dir.PathOf("pgpass");
    dir.Write("pgpass", "old\n");
#ifndef _WIN32
    ::chmod(pass.c_str(), 0644);
    const mode_t mask = ::umask(0);
#endif
    TeamSettingsError error;
    ASSERT_TRUE(team::SaveSettings(ini, pass, s, "first", error));
#ifndef _WIN32
    ::umask(mask);
    struct stat st {};
    ASSERT_EQ(::stat(pass.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
#endif
    s.m_strHost = "db.plant";
    ASSERT_TRUE(team::SaveSettings(ini, pass, s, std::nullopt, error));
    EXPECT_EQ(dir.Read("pgpass"), team::PasswordLine(s, "first"));

    EXPECT_FALSE(team::SaveSettings(ini, pass, s, "two\nlines", error));
    EXPECT_EQ(error.m_kind, TeamSettingsError::Kind::LineBreak);
    EXPECT_EQ(team::ErrorText(error, 1).find("two"), std::string::npos);
    // Team.ini cannot be replaced (a folder in its place): the password file is as it was.
    dir.Remove("Team.ini");
    dir.MakeDir("Team.ini");
    EXPECT_FALSE(team::SaveSettings(ini, pass, s, "second", error));
    EXPECT_EQ(error.m_kind, TeamSettingsError::Kind::WriteFailed);
    EXPECT_EQ(error.m_strPath, ini);
    EXPECT_EQ(team::StoredPassword(pass), "first");
}

// What ConnectTeam refuses before it touches the network (an SSL mode or a
// root certificate: TeamConnectTest).
TEST(TeamServer, RefusedBeforeAnyConnect)
{
    TempDataDir dir; // an executable folder without the module
    TeamSettings s = Sample();
    const struct {
        void (*change)(TeamSettings&);
        TeamError::Kind kind;
    } cases[] = {
        {[](TeamSettings& t) { t.m_strUser.clear(); }, TeamError::Kind::NotSet},
        {[](TeamSettings& t) { t.m_strSslMode = "require"; }, TeamError::Kind::ModuleMissing},
    };
    for (const auto& c : cases) {
        TeamSettings t = s;
        c.change(t);
        TeamError error;
        EXPECT_EQ(ConnectTeam(t, 1000, error), nullptr);
        EXPECT_EQ(error.m_kind, c.kind) << error.m_strDetail;
        EXPECT_FALSE(team::ErrorText(error, 0).empty());
    }
}
