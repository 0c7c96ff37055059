#include "data/CHistoryFile.h"

#include "platform/ExeDir.h"
#include "tests/support/TempDataDir.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

HistoryRecord Sample(std::string time, std::string note = {}, std::vector<int> errNos = {149, 150})
{
    HistoryRecord r;
    r.m_strTime = std::move(time);
    r.m_strVersion = "1.0.1.0";
    r.m_nUnits = 2;
    r.m_nSide = 2;
    r.m_strCodes = {"No error code", "F", ""};
    r.m_nInterlock = 2;
    r.m_nHalt = 1;
    r.m_nErrNos = std::move(errNos);
    r.m_strNote = std::move(note);
    return r;
}

std::string Lines(std::initializer_list<std::string> lines)
{
    std::string text = "\xEF\xBB\xBF" + CHistoryFile::Header();
    for (const std::string& l : lines)
        text += l;
    return text;
}

// Times and notes of the records a text reads as.
std::string Summary(const std::vector<HistoryRecord>& records)
{
    std::string s;
    for (const HistoryRecord& r : records)
        s += r.m_strTime + "=" + r.m_strNote + (r.m_bNarrowed ? "*" : "") + ";";
    return s;
}

TEST(CHistoryFile, RecordLineQuotesOnlyWhereNeededAndReadsBackUnchanged)
{
    struct Case { std::string note; std::string field; };
    const Case cases[] = {
        {"plain", "plain"},
        {"Press 3, bay 4", "\"Press 3, bay 4\""},
        {"the \"OSSD\" cable", "\"the \"\"OSSD\"\" cable\""},
        {"二号线 冲床, 已更换电缆", "\"二号线 冲床, 已更换电缆\""},
        {"two\r\nlines", "\"two\r\nlines\""},
        {"", ""},
    };
    for (const Case& c : cases) {
        HistoryRecord r = Sample("2026-12-09T14:05:00.123+08:00", c.note);
        r.m_bNarrowed = c.note.empty();
        const std::string line = CHistoryFile::FormatRecord(r);
        EXPECT_EQ(line, std::string(r.m_bNarrowed ? "Narrowed" : "Diagnosis") +
                            ",2026-12-09T14:05:00.123+08:00,1.0.1.0,English,QL7B series,2,Receiver,No error code,F,,"
                            "Light ON,Light OFF,2,149 150," + c.field + "\r\n");
        const std::vector<HistoryRecord> back = CHistoryFile::Parse(Lines({line}));
        ASSERT_EQ(back.size(), 1u) << c.note;
        EXPECT_EQ(back[0], r) << c.note;
    }
}

TEST(CHistoryFile, ReadingSkipsTornAndForeignLinesAndAppliesTheLatestNote)
{
    const std::string a = CHistoryFile::FormatRecord(Sample("A")), b = CHistoryFile::FormatRecord(Sample("B"));
    struct Case { std::string text; std::string expected; };
    const Case cases[] = {
        {Lines({a, b}), "A=;B=;"},
        {Lines({a, b.substr(0, b.size() - 2)}), "A=;"},               // torn: no line end
        {Lines({a, b.substr(0, 20)}), "A=;"},                         // torn mid-field
        {Lines({a, "Diagnosis,\"C,open quote\r\n"}), "A=;"},          // torn inside quotes
        {Lines({a, "x,y\r\n", "Diagnosis,C,1.0.1.0,English\r\n", b}), "A=;B=;"}, // not ours
        {Lines({a, b, CHistoryFile::FormatNote("A", "first"), CHistoryFile::FormatNote("A", "second, \"final\"")}),
         "A=second, \"final\";B=;"},
        {Lines({CHistoryFile::FormatNote("A", "before its record"), a}), "A=;"},
        {Lines({a, CHistoryFile::FormatNote("Z", "no such record")}), "A=;"},
        {Lines({a, CHistoryFile::FormatNote("A", "备注")}).substr(3), "A=备注;"}, // without the mark
        {a + b, "A=;B=;"},                                             // without the header
    };
    for (const Case& c : cases)
        EXPECT_EQ(Summary(CHistoryFile::Parse(c.text)), c.expected) << c.text;
    EXPECT_EQ(CHistoryFile::CutNote(std::string(600, 'x')).size(), CHistoryFile::kMaxNote);
    std::string chinese;
    for (int i = 0; i < 600; ++i)
        chinese += "备";
    EXPECT_EQ(CHistoryFile::CutNote(chinese).size(), 3 * CHistoryFile::kMaxNote); // whole characters
}

TEST(CHistoryFile, AppendsWholeLinesAfterATornOneAndKeepsNotesInTheFile)
{
    TempDataDir dir;
    const std::string path = dir.PathOf("History.csv");
    CHistoryFile history(path);
    ASSERT_TRUE(history.Append(Sample("A")));
    EXPECT_EQ(dir.Read("History.csv"), Lines({CHistoryFile::FormatRecord(Sample("A"))}));
    // A crash in the middle of the next write, then a new run.
    ASSERT_TRUE(dir.Write("History.csv", dir.Read("History.csv") + "Diagnosis,B,1.0"));
    CHistoryFile again(path);
    ASSERT_TRUE(again.Append(Sample("C")));
    std::string error;
    ASSERT_TRUE(again.SetNote(0, "fixed: new cable", error));
    ASSERT_TRUE(again.SetNote(0, "fixed: new mirror", error));
    EXPECT_EQ(Summary(CHistoryFile(path).Records()), "A=fixed: new mirror;C=;");
    EXPECT_EQ(Summary(again.Records()), "A=fixed: new mirror;C=;");
}

TEST(CHistoryFile, PastTheLimitTheFileIsWrittenAnewWithoutTheOldest)
{
    TempDataDir dir;
    const std::string path = dir.PathOf("History.csv");
    std::vector<HistoryRecord> full;
    for (std::size_t i = 0; i < CHistoryFile::kMaxRecords; ++i)
        full.push_back(Sample("T" + std::to_string(i), i == 1 ? "kept note" : ""));
    std::string text = CHistoryFile::FormatFile(full);
    ASSERT_TRUE(dir.Write("History.csv", text));
    CHistoryFile history(path);
    ASSERT_EQ(history.Records().size(), CHistoryFile::kMaxRecords);
    ASSERT_TRUE(history.Append(Sample("new")));
    const std::vector<HistoryRecord> read = CHistoryFile(path).Records();
    ASSERT_EQ(read.size(), CHistoryFile::kMaxRecords);
    EXPECT_EQ(read.front().m_strTime, "T1");
    EXPECT_EQ(read.front().m_strNote, "kept note");
    EXPECT_EQ(read.back().m_strTime, "new");
    std::size_t lines = 0;
    CHistoryFile::Parse(dir.Read("History.csv"), &lines);
    EXPECT_EQ(lines, CHistoryFile::kMaxRecords);
    EXPECT_EQ(QDir(QString::fromStdString(dir.DataDir())).entryList(QDir::Files | QDir::Hidden).size(), 1);
    // A longer file (written by hand) reads as its newest records.
    ASSERT_TRUE(dir.Write("History.csv", text + CHistoryFile::FormatRecord(Sample("extra"))));
    EXPECT_EQ(CHistoryFile(path).Records().front().m_strTime, "T1");
}

TEST(CHistoryFile, KeptBesideTheProgramElseInTheUsersDataFolderElseNowhere)
{
    TempDataDir dir;
    ASSERT_TRUE(dir.Write("not-a-folder", "x"));
    const std::string other = dir.Root() + "/other";
    const std::string kUnset = "(unset)";
    struct Case {
        bool dataDirThere;
        std::string base; // the user's data variable; kUnset: no such variable
        std::string home;
        std::string expected;
    };
#ifdef _WIN32
    const char* kBaseVar = "LOCALAPPDATA";
    const Case cases[] = {
        {true, dir.Root() + "\\local", other, dir.DataDir() + "/History.csv"},
        {false, dir.Root() + "\\local", other, dir.Root() + "/local/Darvell/History.csv"},
        {false, kUnset, other, ""},
    };
#else
    const char* kBaseVar = "XDG_DATA_HOME";
    const Case cases[] = {
        {true, "/nowhere", other, dir.DataDir() + "/History.csv"},
        {false, kUnset, other, other + "/.local/share/Darvell/History.csv"},
        {false, "relative/ignored", other, other + "/.local/share/Darvell/History.csv"},
        {false, "", other, other + "/.local/share/Darvell/History.csv"},
        {false, dir.Root() + "/xdg/", other, dir.Root() + "/xdg/Darvell/History.csv"},
        {false, dir.DataDir() + "/not-a-folder", other, ""},
    };
#endif
    const QByteArray savedBase = qgetenv(kBaseVar), savedHome = qgetenv("HOME");
    for (const Case& c : cases) {
        // Not writable here means missing: tests may run with every right on the disk.
        platform::SetExecutableDirForTesting(c.dataDirThere ? dir.Root() : dir.Root() + "/gone");
        c.base == kUnset ? qunsetenv(kBaseVar) : qputenv(kBaseVar, QByteArray::fromStdString(c.base));
        qputenv("HOME", QByteArray::fromStdString(c.home));
        const QString found = QDir::fromNativeSeparators(QString::fromStdString(CHistoryFile::Locate()));
        EXPECT_EQ(found, QDir::fromNativeSeparators(QString::fromStdString(c.expected))) << c.base;
        if (!c.expected.empty()) {
            EXPECT_TRUE(QFileInfo(found).dir().exists()) << c.expected;
        }
    }
    // Nowhere to write: the history says so and keeps nothing.
    CHistoryFile nowhere;
    EXPECT_FALSE(nowhere.Append(Sample("A")));
    EXPECT_EQ(nowhere.LastFailure(), CHistoryFile::Failure::NoPlace);
    // A write that fails gives the system's reason.
    ASSERT_TRUE(dir.MakeDir("History.csv"));
    CHistoryFile blocked(dir.PathOf("History.csv"));
    EXPECT_FALSE(blocked.Append(Sample("A")));
    EXPECT_EQ(blocked.LastFailure(), CHistoryFile::Failure::WriteFailed);
    EXPECT_FALSE(blocked.FailureReason().empty());
    qputenv(kBaseVar, savedBase);
    qputenv("HOME", savedHome);
    platform::SetExecutableDirForTesting(dir.Root());
}

} // namespace
