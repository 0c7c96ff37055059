#include "platform/ExeDir.h"
#include "platform/FileExists.h"
#include "platform/SystemLanguage.h"
#include "platform/UserDataDir.h"

#include "tests/support/TempDataDir.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdlib>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// The system's separator between the directory and the relative part.
const std::string kSep = QDir::separator() == u'/' ? "/" : "\\";

TEST(ExeDir, RealDirectoryIsWhereTheTestProgramLives)
{
    platform::SetExecutableDirForTesting({});
    const std::string dir = QDir::toNativeSeparators(QCoreApplication::applicationDirPath()).toStdString();
    EXPECT_EQ(platform::ExecutableDir(), dir);
    EXPECT_EQ(platform::ExePath("\\QL7_Tool\\Setting.ini"), dir + kSep + "QL7_Tool" + kSep + "Setting.ini");
}

TEST(ExeDir, SeamPointsAllPathsElsewhereAndResets)
{
    platform::SetExecutableDirForTesting("/srv/darvell/");
    EXPECT_EQ(platform::ExecutableDir(), "/srv/darvell");
    EXPECT_EQ(platform::ExePath("\\QL7_Tool\\Setting.ini"), "/srv/darvell" + kSep + "QL7_Tool" + kSep + "Setting.ini");
    EXPECT_EQ(platform::DataPath("h00.bmp"), "/srv/darvell" + kSep + "QL7_Tool" + kSep + "h00.bmp");
    EXPECT_EQ(platform::DataPath(), "/srv/darvell" + kSep + "QL7_Tool");
    platform::SetExecutableDirForTesting({});
    EXPECT_NE(platform::ExecutableDir(), "/srv/darvell");
}

TEST(FileExists, OnlyExistingEntriesThatAreNoDirectory)
{
    TempDataDir dir;
    ASSERT_TRUE(dir.Write("file.ini", "x"));
    ASSERT_TRUE(dir.Write("empty.ini", ""));
    ASSERT_TRUE(dir.MakeDir("Setting.ini"));
#ifndef _WIN32
    ASSERT_EQ(::symlink(dir.PathOf("Setting.ini").c_str(), dir.PathOf("dirlink.ini").c_str()), 0);
    ASSERT_EQ(::symlink(dir.PathOf("gone").c_str(), dir.PathOf("dangling.ini").c_str()), 0);
#endif

    EXPECT_TRUE(platform::FileExists(dir.PathOf("file.ini")));
    EXPECT_TRUE(platform::FileExists(dir.PathOf("empty.ini")));
    EXPECT_FALSE(platform::FileExists(dir.PathOf("Setting.ini")));
    EXPECT_FALSE(platform::FileExists(dir.PathOf("dirlink.ini")));
    EXPECT_FALSE(platform::FileExists(dir.PathOf("dangling.ini")));
    EXPECT_FALSE(platform::FileExists(dir.PathOf("missing.ini")));
    EXPECT_FALSE(platform::FileExists(""));
}

// The user's settings folder: named without a trace, made private on demand.
TEST(UserSettingsDir, FromTheVariableElseTheHomeAndMadeOnlyWhenAsked)
{
    TempDataDir dir;
    const std::string home = dir.Root() + kSep + "home";
#ifdef _WIN32
    const char* kVar = "APPDATA";
    const std::string kFromHome = "";
    const std::string kRelative = "";
#else
    const char* kVar = "XDG_CONFIG_HOME";
    const std::string kFromHome = home + "/.config/Darvell";
    const std::string kRelative = "relative";
#endif
    const struct {
        std::string variable; // empty: unset
        std::string expected;
    } cases[] = {
        {dir.Root() + kSep + "config" + kSep, dir.Root() + kSep + "config" + kSep + "Darvell"},
        {"", kFromHome},
        {kRelative, kFromHome},
    };
    const QByteArray savedVar = qgetenv(kVar), savedHome = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(home));
    for (const auto& c : cases) {
        c.variable.empty() ? qunsetenv(kVar) : qputenv(kVar, QByteArray::fromStdString(c.variable));
        EXPECT_EQ(platform::UserSettingsDir(false), c.expected) << c.variable;
        EXPECT_FALSE(!c.expected.empty() && QDir(QString::fromStdString(c.expected)).exists()) << "made unasked";
        EXPECT_EQ(platform::UserSettingsPath("Team.ini", true), c.expected.empty() ? "" : c.expected + kSep + "Team.ini");
        EXPECT_TRUE(c.expected.empty() || QDir(QString::fromStdString(c.expected)).exists()) << c.expected;
#ifndef _WIN32
        struct stat st {};
        EXPECT_TRUE(c.expected.empty() || (::stat(c.expected.c_str(), &st) == 0 && (st.st_mode & 077) == 0));
#endif
        if (!c.expected.empty())
            QDir(QString::fromStdString(c.expected)).removeRecursively();
    }
    qputenv(kVar, savedVar);
    qputenv("HOME", savedHome);
}

TEST(ReadFileBytes, ReadsNoFurtherThanTheLimit)
{
    // Reports a size of 0 and yields more: like a file that grows while it is read.
    const std::string growing = "/proc/self/maps";
    std::string bytes;
    if (!platform::ReadFileBytes(growing, bytes, std::size_t(1) << 24) || bytes.size() < 64)
        GTEST_SKIP() << "no /proc here";
    EXPECT_FALSE(platform::ReadFileBytes(growing, bytes, 16));
    EXPECT_TRUE(bytes.empty());
}

struct LanguageCase {
    const char* locale;
    int id;
};

class LanguageMapping : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(LanguageMapping, PrimaryIdOfLocaleName)
{
    EXPECT_EQ(platform::PrimaryLanguageIdOf(GetParam().locale), GetParam().id)
        << (GetParam().locale ? GetParam().locale : "(null)");
}

INSTANTIATE_TEST_SUITE_P(Locales, LanguageMapping, ::testing::Values(
    LanguageCase{"zh_CN.UTF-8", 4}, LanguageCase{"zh_TW", 4}, LanguageCase{"zh", 4},
    LanguageCase{"ja_JP.eucJP", 17}, LanguageCase{"ja", 17},
    LanguageCase{"en_US.UTF-8", 9}, LanguageCase{"EN_gb", 9},
    LanguageCase{"de-DE", 7}, LanguageCase{"de_AT@euro", 7},
    LanguageCase{"ko_KR.UTF-8", 18}, LanguageCase{"fr_CA", 12}, LanguageCase{"es", 10},
    LanguageCase{"it_IT", 16}, LanguageCase{"ru_RU", 25}, LanguageCase{"pt_BR", 22},
    LanguageCase{"nb_NO", 20}, LanguageCase{"sr@latin", 26}, LanguageCase{"fil_PH", 100},
    LanguageCase{"C", 9}, LanguageCase{"POSIX", 9}, LanguageCase{"C.UTF-8", 9},
    LanguageCase{"", 9}, LanguageCase{"xx_YY", 9}, LanguageCase{"zhx", 9},
    LanguageCase{nullptr, 9}));

#ifndef _WIN32
// Sets or clears the locale variables for the life of the object.
class LocaleEnv {
public:
    LocaleEnv(const char* all, const char* messages, const char* lang)
    {
        for (int i = 0; i < 3; ++i) {
            const char* old = std::getenv(kNames[i]);
            m_had[i] = old != nullptr;
            m_old[i] = old ? old : "";
        }
        Set(0, all);
        Set(1, messages);
        Set(2, lang);
    }
    ~LocaleEnv()
    {
        for (int i = 0; i < 3; ++i)
            Set(i, m_had[i] ? m_old[i].c_str() : nullptr);
    }

private:
    static void Set(int i, const char* v)
    {
        if (v)
            ::setenv(kNames[i], v, 1);
        else
            ::unsetenv(kNames[i]);
    }
    static constexpr const char* kNames[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    bool m_had[3] = {};
    std::string m_old[3];
};

TEST(SystemLanguage, FollowsTheLocaleVariablesInOrder)
{
    {
        LocaleEnv env("ja_JP.UTF-8", "de_DE", "zh_CN");
        EXPECT_EQ(platform::SystemPrimaryLanguageId(), 17);
    }
    {
        LocaleEnv env("", "de_DE", "zh_CN"); // an empty variable does not count
        EXPECT_EQ(platform::SystemPrimaryLanguageId(), 7);
    }
    {
        LocaleEnv env(nullptr, nullptr, "zh_CN.UTF-8");
        EXPECT_EQ(platform::SystemPrimaryLanguageId(), 4);
    }
    {
        LocaleEnv env(nullptr, nullptr, nullptr);
        EXPECT_EQ(platform::SystemPrimaryLanguageId(), 9);
    }
}
#endif

} // namespace
