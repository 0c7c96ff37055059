#include "platform/ProfileFile.h"

#include "tests/support/ScopedWriteHook.h"
#include "tests/support/TempDataDir.h"

#include <QDir>
#include <QStringEncoder>
#include <chrono>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

using platform::GetProfileString;
using platform::GetProfileStringFromText;
using platform::SetProfileStringInText;
using platform::WriteProfileString;
using platform::WriteStage;
using namespace std::string_literals;

namespace {

struct ReadCase {
    const char* name;
    std::string text;
    const char* section;
    const char* key;
    std::string expected;
    std::size_t buffer = 256;
};

TEST(ProfileRead, ReadsAsThePlatformDoes)
{
    const ReadCase cases[] = {
    ReadCase{"Plain", "[S]\r\nk=v\r\n", "S", "k", "v"},
    ReadCase{"NamesIgnoreCase", "[SeTTing]\nLANGUAGE=1\n", "setting", "Language", "1"},
    ReadCase{"MissingSection", "[S]\nk=v\n", "T", "k", "DEF"},
    ReadCase{"MissingKey", "[S]\nk=v\n", "S", "j", "DEF"},
    ReadCase{"BlanksTrimmedEverywhere", "[ \tS\v ]\n \t\vk \v=\t v  a \v\r\n", "S", "k", "v  a"},
    ReadCase{"KeyNameWithInnerBlank", "[S]\nmy key = 1\n", "S", "my key", "1"},
    ReadCase{"EmptyValueIsNotDefault", "[S]\nk=\n", "S", "k", ""},
    ReadCase{"BlankValueIsEmpty", "[S]\nk=  \t \n", "S", "k", ""},
    ReadCase{"DoubleQuotesRemoved", "[S]\nk= \" a b \" \n", "S", "k", " a b "},
    ReadCase{"SingleQuotesRemoved", "[S]\nk='x'\n", "S", "k", "x"},
    ReadCase{"EmptyQuotes", "[S]\nk=\"\"\n", "S", "k", ""},
    ReadCase{"OnlyOnePairRemoved", "[S]\nk=\"\"x\"\"\n", "S", "k", "\"x\""},
    ReadCase{"MismatchedQuotesStay", "[S]\nk=\"x'\n", "S", "k", "\"x'"},
    ReadCase{"LoneQuoteStays", "[S]\nk=\"\n", "S", "k", "\""},
    ReadCase{"InnerQuotesStay", "[S]\nk=a\"b\"\n", "S", "k", "a\"b\""},
    ReadCase{"LinesBeforeFirstSectionNeverFound", "k=top\n[S]\nj=1\n", "S", "k", "DEF"},
    ReadCase{"HeaderEndsAtFirstBracket", "[a]b]\nk=1\n", "a", "k", "1"},
    ReadCase{"HeaderRestIsNotTheName", "[a]b]\nk=1\n", "a]b", "k", "DEF"},
    ReadCase{"UnclosedHeaderOpensASection", "[S]\nk=1\n[T \t\nj=2\n", "T", "j", "2"},
    ReadCase{"UnclosedHeaderEndsThePrevious", "[S]\nk=1\n[T\nj=2\n", "S", "j", "DEF"},
    ReadCase{"CommentIsNoKey", "[S]\n;k=1\n \t;k=2\nk=3\n", "S", "k", "3"},
    ReadCase{"CommentedOutKeyOnly", "[S]\n;k=1\n", "S", "k", "DEF"},
    ReadCase{"NoTrailingComment", "[S]\nk=;x\n", "S", "k", ";x"},
    ReadCase{"SemicolonInsideValue", "[S]\nk=v ;c\n", "S", "k", "v ;c"},
    ReadCase{"HashIsOrdinary", "[S]\n#k=1\n", "S", "#k", "1"},
    ReadCase{"HashDoesNotComment", "[S]\n#k=1\n", "S", "k", "DEF"},
    ReadCase{"LineWithoutEqualsIsNoKey", "[S]\nk\nk=2\n", "S", "k", "2"},
    ReadCase{"OnlyLineWithoutEquals", "[S]\nk\n", "S", "k", "DEF"},
    ReadCase{"ValueKeepsLaterEquals", "[S]\nk=a=b\n", "S", "k", "a=b"},
    ReadCase{"FirstKeyWins", "[S]\nk=1\nK=2\n", "S", "k", "1"},
    ReadCase{"OnlyFirstSectionSearched", "[S]\nj=1\n[T]\n[s]\nk=2\n", "S", "k", "DEF"},
    ReadCase{"FirstSectionStillFound", "[S]\nj=1\n[T]\n[s]\nk=2\n", "s", "j", "1"},
    ReadCase{"KeyOfOtherSectionNotFound", "[T]\nk=1\n[S]\n", "S", "k", "DEF"},
    ReadCase{"LfLineEnds", "[S]\na=1\nk=2\n", "S", "k", "2"},
    ReadCase{"CrLfLineEnds", "[S]\r\na=1\r\nk=2\r\n", "S", "k", "2"},
    ReadCase{"LoneCrLineEnds", "[S]\ra=1\rk=2\r", "S", "k", "2"},
    ReadCase{"MixedLineEnds", "[S]\r\na=1\rb=2\nk=3", "S", "k", "3"},
    ReadCase{"CrLfCarriesNoBlankLine", "[S]\r\nk=v\r\n", "S", "k", "v"},
    ReadCase{"ByteOrderMarkSkipped", "\xEF\xBB\xBF[S]\nk=1\n", "S", "k", "1"},
    ReadCase{"MarkLaterIsPartOfTheName", "[S]\n\xEF\xBB\xBFk=1\n", "S", "k", "DEF"},
    ReadCase{"LastLineWithoutLineEnd", "[S]\nk=v", "S", "k", "v"},
    ReadCase{"HeaderOnlyWithoutLineEnd", "[S]", "S", "k", "DEF"},
    ReadCase{"EmptyText", "", "S", "k", "DEF"},
    ReadCase{"NulBytesElsewhere", "[S]\n\0\0junk\0\nk=2\n"s, "S", "k", "2"},
    ReadCase{"NulEndsTheValue", "[S]\nk=a\0b\n"s, "S", "k", "a"},
    ReadCase{"InvalidUtf8PassesThrough", "[S]\nk=\xFF\xFE\x80z\n", "S", "k", "\xFF\xFE\x80z"},
    ReadCase{"CutToBufferLessOne", "[S]\nk=abcdef\n", "S", "k", "abc", 4},
    ReadCase{"CutAfterQuotesRemoved", "[S]\nk=\"abcdef\"\n", "S", "k", "abc", 4},
    ReadCase{"BufferOfOneGivesEmpty", "[S]\nk=abc\n", "S", "k", "", 1},
    ReadCase{"BufferOfZeroGivesEmpty", "[S]\nk=abc\n", "S", "k", "", 0},
    ReadCase{"DefaultIsCutToo", "[S]\n", "S", "k", "DE", 3},
    ReadCase{"CutFitsWholeCharacters", "[S]\nk=中文\n", "S", "k", "中文", 7},
    ReadCase{"CutBeforeSplitCharacter", "[S]\nk=中文\n", "S", "k", "中", 6},
    ReadCase{"CutBeforeSplitCharacterEarly", "[S]\nk=中文\n", "S", "k", "中", 5},
    ReadCase{"CutBeforeFourByteCharacter", "[S]\nk=a\xF0\x9F\x98\x80\n", "S", "k", "a", 5},
    ReadCase{"FourByteCharacterFits", "[S]\nk=a\xF0\x9F\x98\x80\n", "S", "k", "a\xF0\x9F\x98\x80", 6},
    ReadCase{"StrayContinuationBytesCutPlainly", "[S]\nk=\x80\x80\x80\x80\x80\n", "S", "k", "\x80\x80", 3}};
    for (const ReadCase& c : cases)
        EXPECT_EQ(GetProfileStringFromText(c.text, c.section, c.key, "DEF", c.buffer), c.expected) << c.name;
}

TEST(ProfileReadLongLines, MegabyteLineIsCutAndLaterKeysStillFound)
{
    std::string text = "[S]\nk=";
    text.append(1 << 20, 'x');
    text.append("\n");
    text.append(1 << 20, 'y'); // a megabyte line without "="
    text.append("\nj=2\n");

    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(GetProfileStringFromText(text, "S", "k", "DEF", 256), std::string(255, 'x'));
        ASSERT_EQ(GetProfileStringFromText(text, "S", "j", "DEF", 256), "2");
    }
    // One scan per read: forty reads of 2 MB stay far below this even under sanitizers.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(ProfileReadLongLines, MegabyteOfMultiByteTextCutsOnACharacter)
{
    std::string value;
    while (value.size() < (1u << 20))
        value += "中";
    const std::string text = "[S]\nk=a" + value + "\n";
    const std::string got = GetProfileStringFromText(text, "S", "k", "DEF", 1024);
    ASSERT_EQ(got.size(), 1021u); // "a" and 340 three-byte characters; the 341st would need 1024
    EXPECT_EQ(got, "a" + value.substr(0, 1020));
}

// Each read decides the file's encoding; values come back as UTF-8, cut at a
// whole character of the file's own bytes (a UTF-16 file counts GB18030 bytes).
using E = platform::TextEncoding;

std::string Utf16(const char* utf8, QStringConverter::Encoding encoding)
{
    const QByteArray b = QStringEncoder(encoding).encode(QString::fromUtf8(utf8));
    return (encoding == QStringConverter::Utf16LE ? "\xFF\xFE" : "\xFE\xFF") + b.toStdString();
}

TEST(ProfileFileEncodings, DecidedPerFileAndCutOnTheFilesOwnBytes)
{
    const std::string gbk600 = QByteArray("\xD6\xD0").repeated(600).toStdString(); // 中 600 times
    const struct {
        std::string bytes;
        E ansi, found;
        std::size_t buffer;
        std::string expected;
    } cases[] = {
        {"[S]\nk=a\xD6\xD0\xCE\xC4\n", E::Gb18030, E::Gb18030, 5, "a中"},
        {"[S]\nk=" + gbk600 + "\n", E::Gb18030, E::Gb18030, 1024, QString(511, QChar(0x4E2D)).toStdString()},
        {"[S]\nk=\x81\x30\x81\x30z\n", E::Gb18030, E::Gb18030, 5, "\xC2\x80"},
        {"[S]\nk=caf\xE9\n", E::Windows1252, E::Windows1252, 256, "café"},
        {"[S\xD6\xD0 \nk=1\n[S\nk=2\n", E::Gb18030, E::Gb18030, 256, "2"},
        {Utf16("[S]\r\nk=中文\r\n", QStringConverter::Utf16LE), E::Windows1252, E::Utf16LE, 256, "中文"},
        {Utf16("[S]\nk=中文字\n", QStringConverter::Utf16BE), E::Gb18030, E::Utf16BE, 5, "中文"},
    };
    // Four-byte GB18030 characters need a system converter that has them.
    bool fourByte = false;
    platform::ToUtf8("\x81\x30\x81\x30", E::Gb18030, &fourByte);
    TempDataDir dir;
    for (const auto& c : cases) {
        if (!fourByte && c.bytes.find("\x81\x30") != std::string::npos)
            continue;
        ASSERT_TRUE(dir.Write("t.ini", c.bytes));
        EXPECT_EQ(platform::DetectTextEncoding(c.bytes, c.ansi), c.found) << c.bytes;
        EXPECT_EQ(GetProfileString(dir.PathOf("t.ini"), "S", "k", "DEF", c.buffer, c.ansi), c.expected) << c.bytes;
    }
}

TEST(ProfileFileEncodings, WriteKeepsEncodingMarkAndLineEnds)
{
    const auto le = QStringConverter::Utf16LE, be = QStringConverter::Utf16BE;
    const struct {
        std::string before, after;
        E ansi;
    } cases[] = {
        {Utf16("[Setting]\r\nLanguage=\r\n", le), Utf16("[Setting]\r\nLanguage=0\r\n", le), E::Windows1252},
        {Utf16(";中\n[Setting]\nLanguage=1", be), Utf16(";中\n[Setting]\nLanguage=0", be), E::Gb18030},
        {"; \xD6\xD0\n[Setting]\nLanguage=\n", "; \xD6\xD0\n[Setting]\nLanguage=0\n", E::Gb18030},
        {"; caf\xE9\r[Setting]\r", "; caf\xE9\r[Setting]\rLanguage=0\r", E::Windows1252},
    };
    TempDataDir dir;
    for (const auto& c : cases) {
        ASSERT_TRUE(dir.Write("Setting.ini", c.before));
        EXPECT_TRUE(WriteProfileString(dir.PathOf("Setting.ini"), "Setting", "Language", "0", c.ansi));
        EXPECT_EQ(dir.Read("Setting.ini"), c.after);
    }
    // A UTF-16 file that would not come back unchanged is not written.
    const std::string damaged = Utf16("[Setting]\nLanguage=1\n", le) + "\x00\xD8"s;
    ASSERT_TRUE(dir.Write("Setting.ini", damaged));
    EXPECT_FALSE(WriteProfileString(dir.PathOf("Setting.ini"), "Setting", "Language", "0"));
    EXPECT_EQ(dir.Read("Setting.ini"), damaged);
}

struct WriteCase {
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

TEST(ProfileWriteText, ChangesOnlyTheOneValue)
{
    const WriteCase cases[] = {
    WriteCase{"ReplaceKeepsCrLf", "[S]\r\na=1\r\nk=old\r\nb=2\r\n", "S", "k", "new",
              "[S]\r\na=1\r\nk=new\r\nb=2\r\n"},
    WriteCase{"ReplaceEmptyValue", "[Setting]\r\nLanguage=\r\nType=0\r\n", "Setting", "Language", "0",
              "[Setting]\r\nLanguage=0\r\nType=0\r\n"},
    WriteCase{"ReplaceKeepsKeySpelling", "[setting]\n  LANGUAGE \t= \"1\" \n", "Setting", "Language", "0",
              "[setting]\n  LANGUAGE \t=0\n"},
    WriteCase{"ReplaceInLastLineWithoutLineEnd", "[S]\nk=1", "S", "k", "2", "[S]\nk=2"},
    WriteCase{"ReplaceFirstOfDuplicateKeys", "[S]\nk=1\nk=2\n", "S", "k", "9", "[S]\nk=9\nk=2\n"},
    WriteCase{"ReplaceInFirstOfDuplicateSections", "[S]\nk=1\n[S]\nk=2\n", "S", "k", "9",
              "[S]\nk=9\n[S]\nk=2\n"},
    WriteCase{"MixedLineEndsKept", "[S]\r\na=1\nk=1\rb=2\r\n", "S", "k", "5",
              "[S]\r\na=1\nk=5\rb=2\r\n"},
    WriteCase{"ByteOrderMarkKept", "\xEF\xBB\xBF[S]\nk=1\n", "S", "k", "2", "\xEF\xBB\xBF[S]\nk=2\n"},
    WriteCase{"AddAfterLastKeyLine", "[S]\na=1\n; note\n\n[T]\nx=1\n", "S", "k", "5",
              "[S]\na=1\nk=5\n; note\n\n[T]\nx=1\n"},
    WriteCase{"AddRightAfterHeaderWhenNoKeys", "[S]\r\n;k=1\r\n\r\n[T]\r\n", "S", "k", "5",
              "[S]\r\nk=5\r\n;k=1\r\n\r\n[T]\r\n"},
    WriteCase{"AddAfterLastLineWithoutLineEnd", "[S]\na=1", "S", "k", "5", "[S]\na=1\nk=5\n"},
    WriteCase{"AddAfterHeaderWithoutLineEnd", "[S]", "S", "k", "5", "[S]\r\nk=5\r\n"},
    WriteCase{"KeysBeforeFirstSectionIgnored", "k=1\n[S]\n", "S", "k", "2", "k=1\n[S]\nk=2\n"},
    WriteCase{"AppendSection", "[T]\nx=1\n", "S", "k", "5", "[T]\nx=1\n[S]\nk=5\n"},
    WriteCase{"AppendSectionAddsLineEndFirst", "[T]\rx=1", "S", "k", "5", "[T]\rx=1\r[S]\rk=5\r"},
    WriteCase{"EmptyFileGetsCrLf", "", "S", "k", "5", "[S]\r\nk=5\r\n"},
    WriteCase{"MarkOnlyFileGetsNoBlankLine", "\xEF\xBB\xBF", "S", "k", "5", "\xEF\xBB\xBF[S]\r\nk=5\r\n"},
    WriteCase{"NulBytesKept", "[S]\nk=1\n\0z\n"s, "S", "k", "2", "[S]\nk=2\n\0z\n"s},
    WriteCase{"EmptyValueWritten", "[S]\nk=1\n", "S", "k", "", "[S]\nk=\n"}};
    for (const WriteCase& c : cases) {
        const std::string got = SetProfileStringInText(c.before, c.section, c.key, c.value);
        EXPECT_EQ(got, c.after) << c.name;
        EXPECT_EQ(GetProfileStringFromText(got, c.section, c.key, "DEF", 256), c.value) << c.name;
    }
}

QStringList Entries(const TempDataDir& dir)
{
    return QDir(QString::fromStdString(dir.DataDir()))
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

const std::string kSettings = "[Setting]\r\nLanguage=1\r\nType=0\r\nDialogHeight=0\r\n";

TEST(ProfileFile, ReadsFromFileAndDefaultsWhenMissingOrDirectory)
{
    TempDataDir dir;
    ASSERT_TRUE(dir.Write("a.ini", kSettings));
    ASSERT_TRUE(dir.MakeDir("d.ini"));
    const std::pair<const char*, const char*> cases[] = {{"a.ini", "1"}, {"none.ini", "ERR"}, {"d.ini", "ERR"}};
    for (const auto& [name, value] : cases)
        EXPECT_EQ(GetProfileString(dir.PathOf(name), "Setting", "Language", "ERR", 256), value) << name;
}

#ifndef _WIN32
mode_t ModeOf(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

TEST(ProfileFile, WriteReplacesInPlaceAndKeepsPermissions)
{
    TempDataDir dir;
    ASSERT_TRUE(dir.Write("Setting.ini", kSettings));
    ASSERT_EQ(::chmod(dir.PathOf("Setting.ini").c_str(), 0640), 0);
    ScopedWriteHook stages;

    ASSERT_TRUE(WriteProfileString(dir.PathOf("Setting.ini"), "Setting", "Type", "1"));
    EXPECT_EQ(dir.Read("Setting.ini"), "[Setting]\r\nLanguage=1\r\nType=1\r\nDialogHeight=0\r\n");
    EXPECT_EQ(ModeOf(dir.PathOf("Setting.ini")), 0640u);
    EXPECT_EQ(Entries(dir), QStringList{"Setting.ini"}); // no temporary file left behind
    for (WriteStage stage : {WriteStage::Open, WriteStage::Write, WriteStage::Replace})
        EXPECT_EQ(stages.Calls(stage), 1) << WriteStageName(stage);
}

TEST(ProfileFile, WriteThroughSymbolicLinkKeepsTheLink)
{
    TempDataDir dir;
    ASSERT_TRUE(dir.Write("real.ini", kSettings));
    ASSERT_EQ(::symlink("real.ini", dir.PathOf("Setting.ini").c_str()), 0);
    ASSERT_TRUE(WriteProfileString(dir.PathOf("Setting.ini"), "Setting", "Language", "0"));
    struct stat st {};
    ASSERT_EQ(::lstat(dir.PathOf("Setting.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(GetProfileString(dir.PathOf("real.ini"), "Setting", "Language", "ERR", 256), "0");
}
#endif

TEST(ProfileFile, WriteNeverCreatesAFile)
{
    TempDataDir dir;
    EXPECT_FALSE(WriteProfileString(dir.PathOf("Setting.ini"), "Setting", "Type", "1"));
    EXPECT_FALSE(dir.Exists("Setting.ini"));
    ASSERT_TRUE(dir.MakeDir("Dir.ini"));
    EXPECT_FALSE(WriteProfileString(dir.PathOf("Dir.ini"), "Setting", "Type", "1"));
    EXPECT_EQ(Entries(dir), QStringList{"Dir.ini"});
}

TEST(ProfileFile, SeveralValuesGoInOneReplacementOrNotAtAll)
{
    TempDataDir dir;
    ASSERT_TRUE(dir.Write("Setting.ini", kSettings));
    const std::string path = dir.PathOf("Setting.ini");
    const platform::ProfileValue values[] = {{"Language", "0"}, {"Type", "1"}, {"Extra", "x"}};
    {
        ScopedWriteHook stages;
        ASSERT_TRUE(platform::WriteProfileStrings(path, "Setting", values));
        EXPECT_EQ(stages.Calls(WriteStage::Replace), 1);
    }
    EXPECT_EQ(dir.Read("Setting.ini"),
              "[Setting]\r\nLanguage=0\r\nType=1\r\nDialogHeight=0\r\nExtra=x\r\n");

    // One value that may not be stored refuses the whole write.
    const platform::ProfileValue unsafe[] = {{"Language", "1"}, {"Type", "0\n[Evil]"}};
    const std::string before = dir.Read("Setting.ini");
    EXPECT_FALSE(platform::WriteProfileStrings(path, "Setting", unsafe));
    EXPECT_EQ(dir.Read("Setting.ini"), before);
}

TEST(ProfileFile, FailureAtEachStageLeavesTheOriginalByteForByte)
{
    const std::string original = "\xEF\xBB\xBF[Setting]\r\nLanguage=\r\nType=0\nDialogHeight=0";
    for (WriteStage stage : {WriteStage::Open, WriteStage::Write, WriteStage::Replace}) {
        TempDataDir dir;
        ASSERT_TRUE(dir.Write("Setting.ini", original));
        ScopedWriteHook failing({stage});
        EXPECT_FALSE(WriteProfileString(dir.PathOf("Setting.ini"), "Setting", "Language", "0")) << WriteStageName(stage);
        EXPECT_EQ(dir.Read("Setting.ini"), original) << WriteStageName(stage);
        EXPECT_EQ(Entries(dir), QStringList{"Setting.ini"}) << WriteStageName(stage);
    }
}

TEST(ProfileFile, ValuesThatWouldReshapeTheFileAreRefused)
{
    TempDataDir dir;
    ASSERT_TRUE(dir.Write("Setting.ini", kSettings));
    const std::string cases[][3] = {{"Setting", "Type", "0\r\n[Evil]"}, {"Setting", "Type", "0\rX=1"},
        {"Setting", "Type", "0\0"s}, {"Set]ting", "Type", "0"}, {"Setting", "Ty=pe", "0"}, {"Setting", ";Type", "0"},
        {"Setting", " ", "0"}, {"", "Type", "0"}};
    for (const auto& c : cases)
        EXPECT_FALSE(WriteProfileString(dir.PathOf("Setting.ini"), c[0], c[1], c[2])) << c[0] << "/" << c[1] << "=" << c[2];
    EXPECT_EQ(dir.Read("Setting.ini"), kSettings);
}

} // namespace
