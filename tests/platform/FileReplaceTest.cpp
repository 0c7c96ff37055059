// What a rewrite by rename must carry over from the file it replaces, the
// temporary files an earlier crash left, and on Windows each outcome of a
// failed replacement.
#include "platform/AtomicWrite.h"
#include "platform/FileReplace.h"

#include "tests/support/TempDataDir.h"

#include <QDir>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

namespace {

const std::string kOld = "[Setting]\r\nType=0\r\n";
const std::string kNew = "[Setting]\r\nType=1\r\n";
const auto kAllow = [](platform::WriteStage) { return true; };

#ifndef _WIN32

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

#endif

// Only the program's own temporary files of the same file, old enough to be a
// crash's, and the user's: never a user's file such as ".Setting.ini.backup".
TEST(FileReplace, OnlyOldTemporaryFilesOfOursAreRemoved)
{
    TempDataDir dir;
    ASSERT_TRUE(dir.Write("Setting.ini", kOld));
    const struct {
        const char* name;
        bool old;
        bool removed;
    } cases[] = {
        {".Setting.ini.darvell-Ab12Cd", true, true},  {".Setting.ini.darvell-Ef34Gh", false, false},
        {".Setting.ini.backup", true, false},         {".Setting.ini.Ab12Cd", true, false},
        {".Setting.ini.darvell-Ab12Cde", true, false}, {".Setting.ini.darvell-Ab-2Cd", true, false},
        {"Setting.ini.darvell-Ab12Cd", true, false},  {".Help.ini.darvell-Ab12Cd", true, false},
    };
    const auto twoMinutesAgo = std::filesystem::file_time_type::clock::now() - std::chrono::minutes(2);
    for (const auto& c : cases) {
        ASSERT_TRUE(dir.Write(c.name, "x"));
        if (c.old)
            std::filesystem::last_write_time(dir.PathOf(c.name), twoMinutesAgo);
    }
#ifndef _WIN32
    // Another user's leftover of the same name stays too.
    const bool asRoot = ::geteuid() == 0;
    if (asRoot) {
        ASSERT_TRUE(dir.Write(".Setting.ini.darvell-Xy98Zw", "x"));
        ASSERT_EQ(::chown(dir.PathOf(".Setting.ini.darvell-Xy98Zw").c_str(), 65534, 65534), 0);
        std::filesystem::last_write_time(dir.PathOf(".Setting.ini.darvell-Xy98Zw"), twoMinutesAgo);
    }
#endif
    // A whole-file write (the history's export) clears its own the same way.
    ASSERT_TRUE(dir.Write(".Export.csv.darvell-Ab12Cd", "x"));
    std::filesystem::last_write_time(dir.PathOf(".Export.csv.darvell-Ab12Cd"), twoMinutesAgo);
    std::string error;
    ASSERT_TRUE(platform::WriteFileAtomically(dir.PathOf("Export.csv"), "a,b\r\n", error)) << error;
    EXPECT_FALSE(dir.Exists(".Export.csv.darvell-Ab12Cd"));
    ASSERT_TRUE(platform::ReplaceFileContents(dir.PathOf("Setting.ini"), kOld, kNew, kAllow));
    for (const auto& c : cases)
        EXPECT_EQ(dir.Exists(c.name), !c.removed) << c.name;
#ifndef _WIN32
    EXPECT_TRUE(!asRoot || dir.Exists(".Setting.ini.darvell-Xy98Zw"));
#endif
}

#ifdef _WIN32
QStringList Entries(const TempDataDir& dir)
{
    return QDir(QString::fromStdString(dir.DataDir())).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// ReplaceFileW failing with each documented outcome: the write ends with the
// new content when it can, never loses the only copy of the old one, and
// leaves no file of ours. inPlaceFails makes the write in place that follows
// a replacement that changed nothing fail as well.
TEST(FileReplace, EachFailedReplacementEndsWithOneWholeFile)
{
    const struct {
        unsigned long error;
        bool inPlaceFails;
        bool written;
    } cases[] = {
        {1175, false, true}, // nothing changed: written in place
        {1176, false, true}, // the original gone: the temporary file takes its name
        {1177, false, true}, // the original under the backup name: restored, then written in place
        {1175, true, false}, // the write in place fails too: the original as it was
        {1177, true, false},
    };
    for (const auto& c : cases) {
        TempDataDir dir;
        ASSERT_TRUE(dir.Write("Setting.ini", kOld));
        int writes = 0;
        const auto allow = [&](platform::WriteStage stage) {
            return stage != platform::WriteStage::Write || ++writes == 1 || !c.inPlaceFails;
        };
        platform::SetReplaceFailureForTesting(c.error);
        const bool ok = platform::ReplaceFileContents(dir.PathOf("Setting.ini"), kOld, kNew, allow);
        platform::SetReplaceFailureForTesting(0);
        EXPECT_EQ(ok, c.written) << c.error;
        EXPECT_EQ(dir.Read("Setting.ini"), c.written ? kNew : kOld) << c.error;
        EXPECT_EQ(Entries(dir), QStringList{"Setting.ini"}) << c.error;
    }
}
#endif

} // namespace
