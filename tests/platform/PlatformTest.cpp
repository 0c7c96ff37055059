#include "platform/ExeDir.h"
#include "platform/FileExists.h"
#include "platform/SystemLanguage.h"
#include "platform/UserDataDir.h"

#include "tests/support/TempDataDir.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdlib>
#include <optional>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// The system's separator between the directory and the relative part.
const std::string kSep = QDir::separator() == u'/' ? "/" : "\\";

// The real directory is where the test program lives; the seam points every path elsewhere and resets.
TEST(ExeDir, PathsFollowTheProgramsOrTheSeamsDirectory)
{
    const std::string real = QDir::toNativeSeparators(QCoreApplication::applicationDirPath()).toStdString();
    for (const std::string& dir : {real, std::string("/srv/darvell")}) {
        platform::SetExecutableDirForTesting(dir == real ? std::string() : dir + "/");
        EXPECT_EQ(platform::ExecutableDir(), dir);
        EXPECT_EQ(platform::ExePath("\\QL7_Tool\\Setting.ini"), dir + kSep + "QL7_Tool" + kSep + "Setting.ini");
        EXPECT_EQ(platform::DataPath("h00.bmp"), dir + kSep + "QL7_Tool" + kSep + "h00.bmp");
        EXPECT_EQ(platform::DataPath(), dir + kSep + "QL7_Tool");
    }
    platform::SetExecutableDirForTesting({});
    EXPECT_EQ(platform::ExecutableDir(), real);
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
    for (const char* name : {"file.ini", "empty.ini"})
        EXPECT_TRUE(platform::FileExists(dir.PathOf(name))) << name;
    for (const char* name : {"Setting.ini", "dirlink.ini", "dangling.ini", "missing.ini"})
        EXPECT_FALSE(platform::FileExists(dir.PathOf(name))) << name;
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

TEST(LanguageMapping, PrimaryIdOfLocaleName)
{
    const struct {
        const char* locale;
        int id;
    } cases[] = {
        {"zh_CN.UTF-8", 4}, {"zh_TW", 4}, {"zh", 4}, {"ja_JP.eucJP", 17}, {"ja", 17}, {"en_US.UTF-8", 9},
        {"EN_gb", 9}, {"de-DE", 7}, {"de_AT@euro", 7}, {"ko_KR.UTF-8", 18}, {"fr_CA", 12}, {"es", 10},
        {"it_IT", 16}, {"ru_RU", 25}, {"pt_BR", 22}, {"nb_NO", 20}, {"sr@latin", 26}, {"fil_PH", 100},
        {"C", 9}, {"POSIX", 9}, {"C.UTF-8", 9}, {"", 9}, {"xx_YY", 9}, {"zhx", 9}, {nullptr, 9},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::PrimaryLanguageIdOf(c.locale), c.id) << (c.locale ? c.locale : "(null)");
}

#ifndef _WIN32
TEST(SystemLanguage, FollowsTheLocaleVariablesInOrder)
{
    const char* const kNames[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    const auto set = [&](int i, const char* value) { value ? ::setenv(kNames[i], value, 1) : ::unsetenv(kNames[i]); };
    std::optional<std::string> saved[3];
    for (int i = 0; i < 3; ++i)
        if (const char* old = std::getenv(kNames[i]))
            saved[i] = old;
    const struct {
        const char* values[3];
        int id;
    } cases[] = {
        {{"ja_JP.UTF-8", "de_DE", "zh_CN"}, 17},
        {{"", "de_DE", "zh_CN"}, 7}, // an empty variable does not count
        {{nullptr, nullptr, "zh_CN.UTF-8"}, 4},
        {{nullptr, nullptr, nullptr}, 9},
    };
    for (const auto& c : cases) {
        for (int i = 0; i < 3; ++i)
            set(i, c.values[i]);
        EXPECT_EQ(platform::SystemPrimaryLanguageId(), c.id) << c.id;
    }
    for (int i = 0; i < 3; ++i)
        set(i, saved[i] ? saved[i]->c_str() : nullptr);
}
#endif

} // namespace
