// What a rewrite by rename must carry over from the file it replaces, and the
// temporary files an earlier crash left.
#include "platform/FileReplace.h"

#include "tests/support/TempDataDir.h"

#include <gtest/gtest.h>

#include <ctime>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utime.h>

namespace {

const std::string kOld = "[Setting]\r\nType=0\r\n";
const std::string kNew = "[Setting]\r\nType=1\r\n";
const auto kAllow = [](platform::WriteStage) { return true; };

struct stat StatOf(const std::string& path)
{
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st;
}

TEST(FileReplace, NewFileKeepsTheGroupInASetGroupIdFolder)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs to hand the folder to another group";
    TempDataDir dir;
    ASSERT_TRUE(dir.Write("Setting.ini", kOld));
    const std::string path = dir.PathOf("Setting.ini");
    ASSERT_EQ(::chown(dir.DataDir().c_str(), 0, 65534), 0);
    ASSERT_EQ(::chmod(dir.DataDir().c_str(), 02775), 0);
    ASSERT_EQ(::chown(path.c_str(), 0, 0), 0);
    const ino_t before = StatOf(path).st_ino;

    ASSERT_TRUE(platform::ReplaceFileContents(path, kOld, kNew, kAllow));
    EXPECT_EQ(dir.Read("Setting.ini"), kNew);
    EXPECT_NE(StatOf(path).st_ino, before) << "written in place, not renamed";
    EXPECT_EQ(StatOf(path).st_gid, 0u);
}

TEST(FileReplace, ExtendedAttributesGoOverToTheNewFile)
{
    TempDataDir dir;
    ASSERT_TRUE(dir.Write("Setting.ini", kOld));
    const std::string path = dir.PathOf("Setting.ini");
    if (::setxattr(path.c_str(), "user.darvell", "kept", 4, 0) != 0)
        GTEST_SKIP() << "no user attributes on this file system";
    const ino_t before = StatOf(path).st_ino;

    ASSERT_TRUE(platform::ReplaceFileContents(path, kOld, kNew, kAllow));
    EXPECT_NE(StatOf(path).st_ino, before) << "an attribute alone forced the write in place";
    char value[8] = {};
    EXPECT_EQ(::getxattr(path.c_str(), "user.darvell", value, sizeof value), 4);
    EXPECT_STREQ(value, "kept");
}

TEST(FileReplace, OnlyOldTemporaryFilesOfTheSameNameAreRemoved)
{
    TempDataDir dir;
    ASSERT_TRUE(dir.Write("Setting.ini", kOld));
    const struct {
        const char* name;
        bool old;
        bool removed;
    } cases[] = {
        {".Setting.ini.Ab12Cd", true, true},   {".Setting.ini.Ef34Gh", false, false},
        {".Setting.ini.Ab12Cde", true, false}, {".Setting.ini.Ab-2Cd", true, false},
        {"Setting.ini.Ab12Cd", true, false},   {".Help.ini.Ab12Cd", true, false},
    };
    const std::time_t twoMinutesAgo = std::time(nullptr) - 120;
    for (const auto& c : cases) {
        ASSERT_TRUE(dir.Write(c.name, "x"));
        const utimbuf times{twoMinutesAgo, twoMinutesAgo};
        if (c.old) {
            ASSERT_EQ(::utime(dir.PathOf(c.name).c_str(), &times), 0);
        }
    }
    ASSERT_TRUE(platform::ReplaceFileContents(dir.PathOf("Setting.ini"), kOld, kNew, kAllow));
    for (const auto& c : cases)
        EXPECT_EQ(dir.Exists(c.name), !c.removed) << c.name;
}

} // namespace
