#include "data/CHistory.h"

#include "data/CSqliteHistory.h"
#include "data/HistoryCsv.h"
#include "platform/ExeDir.h"
#include "tests/support/TempDataDir.h"

#include <QDir>
#include <QTimeZone>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace {

using Kind = HistoryError::Kind;

HistoryRecord Sample(std::string time, std::string note = {})
{
    HistoryRecord r;
    r.m_strId = history::NewId();
    r.m_strTime = std::move(time);
    r.m_strVersion = "1.0.1.0";
    r.m_nUnits = 2;
    r.m_nSide = 2;
    r.m_strCodes = {"No error code", "F", ""};
    r.m_nInterlock = 2;
    r.m_nHalt = 1;
    r.m_nErrNos = {149, 150};
    r.m_strNote = std::move(note);
    return r;
}

// History.csv as earlier versions wrote it: the export's header and lines.
std::string Header()
{
    return historycsv::Export({});
}
std::string Line(const HistoryRecord& r)
{
    return historycsv::Export({&r, 1}).substr(Header().size());
}
std::string NoteLine(const std::string& time, const std::string& field)
{
    return "Note," + time + std::string(13, ',') + field + "\r\n";
}
std::string Csv(std::initializer_list<std::string> lines)
{
    std::string text = Header();
    for (const std::string& l : lines)
        text += l;
    return text;
}

// Times and notes of records: "A=note;B=;".
std::string Summary(const std::vector<HistoryRecord>& records)
{
    std::string s;
    for (const HistoryRecord& r : records)
        s += r.m_strTime + "=" + r.m_strNote + ";";
    return s;
}

// The first value sql gives on the database at path (what the program never
// asks itself); sql may also change the database.
std::string Query(const std::string& path, const std::string& sql)
{
    sqlite3* db = nullptr;
    std::string value = "(none)";
    const auto first = [](void* out, int, char** row, char**) {
        *static_cast<std::string*>(out) = row[0] ? row[0] : "";
        return 1; // one row is enough
    };
    if (sqlite3_open(path.c_str(), &db) == SQLITE_OK)
        sqlite3_exec(db, sql.c_str(), first, &value, nullptr);
    sqlite3_close(db);
    return value;
}

TEST(HistoryCsv, TakeOverLosesAtMostATornLineAndNamesRecordsByContent)
{
    const std::string a = Line(Sample("A")), b = Line(Sample("B"));
    const std::string q = Line(Sample("Q", "two\r\nlines, \"quoted\""));
    struct Case { std::string text; std::string expected; };
    const Case cases[] = {
        {Csv({a, b, q}), "A=;B=;Q=two\r\nlines, \"quoted\";"},
        {Csv({a, b.substr(0, b.size() - 2)}), "A=;"},                              // torn: no line end
        {Csv({a, b.substr(0, 20) + "\r\n", b}), "A=;B=;"},                         // torn mid-field
        {Csv({a, "Diagnosis,T,1.0,\"cut in a quote\r\n", b, q}), "A=;B=;Q=two\r\nlines, \"quoted\";"},
        {Csv({a, q.substr(0, q.size() / 2) + "\r\n", b, NoteLine("B", "\"x, \"\"y\"\"\"")}), "A=;B=x, \"y\";"},
        {Csv({a, "x,y\r\n", "Diagnosis,C,1.0.1.0,English\r\n", b}), "A=;B=;"},   // not ours
        {Csv({a, b, NoteLine("A", "first"), NoteLine("A", "\"second, \"\"final\"\"\"")}), "A=second, \"final\";B=;"},
        {Csv({NoteLine("A", "before its record"), a}), "A=;"},
        {Csv({a, NoteLine("A", "备注")}).substr(3), "A=备注;"},                   // without the mark
        {a + b, "A=;B=;"},                                                         // without the header
        {Csv({Line(Sample("")), a}), "=;A=;"},                                     // a record some systems wrote without time
    };
    for (const Case& c : cases)
        EXPECT_EQ(Summary(historycsv::Read(c.text, 100)), c.expected) << c.text;
    EXPECT_EQ(Summary(historycsv::Read(Csv({a, b, q}), 2)), "B=;Q=two\r\nlines, \"quoted\";"); // the newest only

    // The same content, the same id, wherever it stands; equal lines stay apart.
    const auto id = [](const std::string& text, std::size_t i) { return historycsv::Read(text, 100).at(i).m_strId; };
    EXPECT_EQ(id(Csv({a}), 0), id(Csv({b, a}), 1));
    EXPECT_NE(id(Csv({a, a}), 0), id(Csv({a, a}), 1));
    EXPECT_EQ(id(Csv({a, a}), 1), id(Csv({b, a, a}), 2));
    EXPECT_EQ(HistoryRecord::CutNote(std::string(600, 'x')).size(), HistoryRecord::kMaxNote);
    const std::string chinese = QString(600, QChar(u'备')).toStdString();
    EXPECT_EQ(HistoryRecord::CutNote(chinese).size(), 3 * HistoryRecord::kMaxNote); // whole characters
}

TEST(HistoryCsv, ExportQuotesAndKeepsSpreadsheetsFromEvaluatingAField)
{
    struct Case { std::string note; std::string field; };
    const Case cases[] = {
        {"=HYPERLINK(\"http://x\",\"y\")", "\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\""},
        {"=1+1", "'=1+1"},
        {"+24V missing", "'+24V missing"},
        {"-K2 welded", "'-K2 welded"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"\tK1", "'\tK1"},
        {"\r\nK1", "\"'\r\nK1\""},
        {"Press 3, bay 4", "\"Press 3, bay 4\""},
        {"a = 1 - 2", "a = 1 - 2"},
        {"", ""},
    };
    for (const Case& c : cases) {
        HistoryRecord r = Sample("2026-12-09T14:05:00.123+08:00", c.note);
        r.m_strCodes[1] = "-";
        r.m_strMachine = "@Line 7\n";
        EXPECT_EQ(Line(r), "Diagnosis,2026-12-09T14:05:00.123+08:00,1.0.1.0,English,QL7B series,2,Receiver,"
                           "No error code,'-,,Light ON,Light OFF,2,149 150," + c.field + ",'@Line 7 \r\n") << c.note;
    }
    EXPECT_EQ(Header(), "\xEF\xBB\xBFKind,Date and time,Version,Language,Series,Units,Side,Main Sensor,Sub Sensor 1,"
                        "Sub Sensor 2,Interlock,Halt,Causes,Error numbers,Note,Machine\r\n");
}

TEST(CSqliteHistory, KeepsRecordsNotesAndDeletionsAndCutsTheOldest)
{
    TempDataDir dir;
    const std::string path = dir.PathOf("History.sqlite");
    // An earlier History.csv beside a new database is taken over once and left as it was.
    const std::string csv = Csv({Line(Sample("2026-01-01T08:00:00.000+08:00", "old note")), Line(Sample("2026-01-02T08:00:00.000+08:00"))});
    ASSERT_TRUE(dir.Write("History.csv", csv));
    HistoryError error;
    auto store = CSqliteHistory::Open(path, CSqliteHistory::Mode::ReadWrite, 4, dir.PathOf("History.csv"), error);
    ASSERT_TRUE(store) << error.m_strDetail;
    std::vector<HistoryRecord> read;
    ASSERT_TRUE(store->Load(read, error));
    EXPECT_EQ(Summary(read), "2026-01-01T08:00:00.000+08:00=old note;2026-01-02T08:00:00.000+08:00=;");
    EXPECT_EQ(Query(path, "SELECT file || ' ' || records FROM taken_over"), "History.csv 2");

    // Times in another offset sort by the moment they name: 01:30+00:00 is 09:30+08:00.
    const HistoryRecord later = Sample("2026-01-03T01:30:00.000+00:00"), early = Sample("2026-01-03T09:00:00.000+08:00");
    for (const HistoryRecord& r : {later, early, Sample("2026-01-04T08:00:00.000+08:00")})
        ASSERT_TRUE(store->Add(r, error)) << error.m_strDetail;
    ASSERT_TRUE(store->Annotate(early.m_strId, "line 1\nline 2", {}, "2026-01-05T08:00:00.000+08:00", "", error));
    ASSERT_TRUE(store->Delete(later.m_strId, "2026-01-05T08:00:00.000+08:00", "", error));
    EXPECT_FALSE(store->Annotate(later.m_strId, "gone", "Press 1", "2026-01-05T08:00:00.000+08:00", "", error));
    EXPECT_EQ(error.m_kind, Kind::Gone);
    ASSERT_TRUE(store->Load(read, error));
    EXPECT_EQ(Summary(read), "2026-01-02T08:00:00.000+08:00=;2026-01-03T09:00:00.000+08:00=line 1\nline 2;"
                             "2026-01-04T08:00:00.000+08:00=;");
    EXPECT_EQ(read[1].m_strNoteTime, "2026-01-05T08:00:00.000+08:00");
    EXPECT_EQ(Query(path, "SELECT count(*) FROM deleted WHERE id = '" + later.m_strId + "'"), "1");
    EXPECT_EQ(store->CheckIntegrity(), "ok");
    // At the limit a record from a clock set back is kept; the oldest other goes.
    for (const char* time : {"2026-01-06T08:00:00.000+08:00", "2000-01-01T08:00:00.000+08:00"})
        ASSERT_TRUE(store->Add(Sample(time), error)) << error.m_strDetail;
    ASSERT_TRUE(store->Load(read, error));
    EXPECT_EQ(read.front().m_strTime, "2000-01-01T08:00:00.000+08:00");
    EXPECT_EQ(read.size(), 4u);
    store.reset();

    // Opened again: nothing taken over twice, and the CSV untouched.
    ASSERT_TRUE(dir.Write("History.csv", csv + Line(Sample("2026-01-09T08:00:00.000+08:00"))));
    CHistory again(path);
    EXPECT_EQ(again.Records().size(), 4u);
    EXPECT_EQ(Query(path, "SELECT count(*) FROM taken_over"), "1");

    // A History.csv too large to read when its database was made is taken over
    // at the first start that can read it.
    const std::string late = dir.PathOf("late.csv"), second = dir.PathOf("second.sqlite");
    ASSERT_TRUE(dir.Write("late.csv", ""));
    std::filesystem::resize_file(std::filesystem::u8path(late), historycsv::kMaxFileBytes + 1);
    for (const std::size_t expected : {0u, 2u}) {
        store = CSqliteHistory::Open(second, CSqliteHistory::Mode::ReadWrite, 4, late, error);
        ASSERT_TRUE(store && store->Load(read, error)) << error.m_strDetail;
        EXPECT_EQ(read.size(), expected);
        ASSERT_TRUE(dir.Write("late.csv", csv));
    }
}

// A record as a team server gives it: another laptop's, codes the program knows.
HistoryRecord Served(std::string time)
{
    HistoryRecord r = Sample(std::move(time));
    r.m_nUnits = 1;
    r.m_nSide = 1;
    r.m_strCodes = {"No error code", "", ""};
    r.m_strAuthor = "anna";
    r.m_strLaptop = "press-pc";
    return r;
}

TEST(HistoryTime, EveryLaptopPicksTheSameWinnerOfTwoValues)
{
    struct Case { history::ValueStamp a, b; const char* why; };
    // a wins over b in each, and b never over a.
    const Case cases[] = {
        {{"2026-01-01T09:00:00.001+08:00", "anna", 1}, {"2026-01-01T09:00:00.000+08:00", "zoe", 9}, "the later moment"},
        {{"2026-01-01T01:00:00.000+00:00", "anna", 1}, {"2026-01-01T08:30:00.000+08:00", "zoe", 9}, "moments, not texts"},
        {{"2026-01-01T01:00:00.000+00:00", "bob", 1}, {"2026-01-01T09:00:00.000+08:00", "anna", 9}, "then the name"},
        {{"2026-01-01T01:00:00.000+00:00", "bob", 7}, {"2026-01-01T09:00:00.000+08:00", "bob", 6}, "then the change id"},
        {{"2026-01-01T01:00:00.000+00:00", "bob", 1}, {"2026-01-01T01:00:00.000+00:00", "bob", {}}, "an id beats none"},
        {{"2000-01-01T00:00:00.000+00:00", "", {}}, {"yesterday", "zoe", 9}, "a time that names no moment"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(history::Wins(c.a, c.b)) << c.why;
        EXPECT_FALSE(history::Wins(c.b, c.a)) << c.why;
    }
    EXPECT_FALSE(history::Wins(cases[0].a, cases[0].a)); // the same change: no winner
}

// How many of each kind are pending: "records notes machines deletions".
std::string Counts(const HistoryChanges& c)
{
    return QString::asprintf("%zu %zu %zu %zu", c.m_records.size(), c.m_notes.size(), c.m_machines.size(),
                             c.m_deletions.size()).toStdString();
}

TEST(CSqliteHistory, SyncsLocallyWhatIsPendingAndWhatTheServerGives)
{
    TempDataDir dir;
    const std::string path = dir.PathOf("History.sqlite");
    HistoryError error;
    auto store = CSqliteHistory::Open(path, CSqliteHistory::Mode::ReadWrite, 3, {}, error);
    ASSERT_TRUE(store) << error.m_strDetail;
    // Each record as "note|machine|own|author@laptop;", oldest first.
    const auto shown = [&] {
        std::vector<HistoryRecord> read;
        EXPECT_TRUE(store->Load(read, error)) << error.m_strDetail;
        std::string text;
        for (const HistoryRecord& r : read)
            text += r.m_strNote.substr(0, 9) + "|" + r.m_strMachine + "|" + std::to_string(r.m_bOwn) + "|"
                + r.m_strAuthor + "@" + r.m_strLaptop + ";";
        return text;
    };

    // Pending, and a value changed after it was read stays pending.
    const HistoryRecord own = Sample("2026-01-01T08:00:00.000+08:00"), own2 = Served("2026-01-01T09:00:00.000+08:00");
    ASSERT_TRUE(store->Add(own, error) && store->Add(own2, error));
    ASSERT_TRUE(store->Annotate(own.m_strId, "first", "Press 1", "2026-01-02T08:00:00.000+08:00", "bob", error));
    ASSERT_TRUE(store->Delete(own2.m_strId, "2026-01-02T08:00:00.000+08:00", "bob", error));
    HistoryChanges pending;
    ASSERT_TRUE(store->Pending(10, pending, error));
    EXPECT_EQ(Counts(pending), "1 1 1 1");
    ASSERT_TRUE(store->Annotate(own.m_strId, "second", {}, "2026-01-03T08:00:00.000+08:00", "bob", error));
    pending.m_machines[0].m_nChangeId = 11;
    ASSERT_TRUE(store->MarkSent(pending, error) && store->Pending(10, pending, error));
    EXPECT_EQ(Counts(pending), "0 1 0 0");

    // A batch from the server is taken once however often it comes; a value
    // that wins replaces the one held, an unsent one included; a record
    // removed here stays away.
    const HistoryRecord served = Served("2026-01-04T08:00:00.000+08:00");
    HistoryChanges batch;
    batch.m_records = {served, served, own2};
    batch.m_notes = {{served.m_strId, "from anna", "2026-01-04T09:00:00.000+08:00", "anna", 20},
                     {own.m_strId, "older", "2026-01-03T07:59:59.999+08:00", "zoe", 21},
                     {own.m_strId, "not mine", "2026-01-05T08:00:00.000+08:00", "x", {}}}; // no id: refused
    batch.m_machines = {{own.m_strId, "Line 2\nbay 4", "2026-01-03T08:00:00.000+08:00", "anna", 22}};
    std::size_t skipped = 0;
    for (int twice = 0; twice < 2; ++twice) {
        ASSERT_TRUE(store->Apply(batch, skipped, error)) << error.m_strDetail;
        EXPECT_EQ(skipped, 1u);
        EXPECT_EQ(shown(), "second|Line 2 bay 4|1|@;from anna||0|anna@press-pc;");
    }
    ASSERT_TRUE(store->Pending(10, pending, error));
    EXPECT_EQ(Counts(pending), "0 1 0 0"); // this laptop's later note still goes

    // A deletion from the server stays; the limit counts this laptop's records
    // only, and a record it cut stays away.
    HistoryChanges deletion;
    deletion.m_deletions = {{served.m_strId, "2026-01-06T08:00:00.000+08:00", "anna"}};
    ASSERT_TRUE(store->Apply(deletion, skipped, error) && store->Apply(batch, skipped, error));
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(store->Add(Sample("2026-02-0" + std::to_string(i + 1) + "T08:00:00.000+08:00"), error));
    HistoryRecord cut = Served(own.m_strTime);
    cut.m_strId = own.m_strId;
    batch.m_records = {cut, Served("2026-01-07T08:00:00.000+08:00")};
    ASSERT_TRUE(store->Apply(batch, skipped, error));
    EXPECT_EQ(shown(), "||0|anna@press-pc;||1|@;||1|@;||1|@;");
    EXPECT_EQ(Query(path, "SELECT count(*) FROM deleted"), "2");

    // What the server gives is checked as the program's own: refused and counted, or cut.
    const std::pair<const char*, std::function<void(HistoryRecord&)>> refused[] = {
        {"no UUID", [](HistoryRecord& r) { r.m_strId = "record-1"; }},
        {"an unknown code", [](HistoryRecord& r) { r.m_strCodes[0] = "Smoke"; }},
        {"a code of a unit not connected", [](HistoryRecord& r) { r.m_strCodes[2] = "No error code"; }},
        {"four units", [](HistoryRecord& r) { r.m_nUnits = 4; }},
        {"invalid UTF-8", [](HistoryRecord& r) { r.m_strVersion = "1.0\xff"; }},
        {"a time far in the future", [](HistoryRecord& r) { r.m_strTime = "2999-01-01T00:00:00.000+00:00"; }},
        {"no time", [](HistoryRecord& r) { r.m_strTime = "yesterday"; }},
        {"an error number", [](HistoryRecord& r) { r.m_nErrNos = {-1}; }},
    };
    for (const auto& [what, spoil] : refused) {
        HistoryChanges bad;
        bad.m_records = {Served("2026-01-08T08:00:00.000+08:00")};
        spoil(bad.m_records[0]);
        bad.m_notes = {{served.m_strId, "\xc3\x28", "2026-01-08T08:00:00.000+08:00", "anna", 30}};
        ASSERT_TRUE(store->Apply(bad, skipped, error)) << what;
        EXPECT_EQ(skipped, 2u) << what;
    }
    HistoryChanges large;
    const std::string id = batch.m_records[1].m_strId;
    large.m_notes = {{id, std::string(1 << 20, 'x'), "2026-03-01T08:00:00.000+08:00", "anna", 31}};
    large.m_machines = {{id, std::string(100, 'y'), "2026-03-01T08:00:00.000+08:00", "anna", 32}};
    ASSERT_TRUE(store->Apply(large, skipped, error));
    EXPECT_EQ(shown(), "xxxxxxxxx|" + std::string(60, 'y') + "|0|anna@press-pc;||1|@;||1|@;||1|@;");
    EXPECT_EQ(Query(path, "SELECT max(length(note)) FROM record"), "500");

    // The pull's cursor belongs to its server: another starts from the beginning.
    std::string horizon, seen;
    ASSERT_TRUE(store->SetCursor("server-1", "record", "1234", error));
    for (const char* server : {"server-1", "server-2"})
        for (const char* table : {"record", "deletion"})
            seen += (store->Cursor(server, table, horizon, error) ? horizon : "failed") + ";";
    EXPECT_EQ(seen, "1234;;;;");
    ASSERT_TRUE(store->SetCursor("server-2", "record", "5", error) && store->Cursor("server-1", "record", horizon, error));
    EXPECT_EQ(horizon, "");
}

TEST(CSqliteHistory, AFirstVersionsFileIsBroughtToThisVersionWithEveryRecordAndNote)
{
    TempDataDir dir;
    const std::string path = dir.PathOf("History.sqlite");
    const HistoryRecord a = Sample("2026-01-01T08:00:00.000+08:00", "line 1\nline 2"), b = Sample("2026-01-02T08:00:00.000+08:00");
    std::string made = std::string(CSqliteHistory::kVersion1Tables) + "PRAGMA user_version = 1; PRAGMA application_id = "
        + std::to_string(CSqliteHistory::kApplicationId) + "; INSERT INTO deleted VALUES ('gone', '" + b.m_strTime + "');";
    for (const HistoryRecord& r : {a, b})
        made += "INSERT INTO record VALUES (NULL, '" + r.m_strId + "', '" + r.m_strTime + "', "
            + std::to_string(*history::MsSinceEpoch(r.m_strTime)) + ", 0, '1.0.1.0', 1, 0, 2, 2, 'No error code', 'F', "
            "'', 2, 1, '149 150', '" + r.m_strNote + "', '" + r.m_strTime + "');";
    Query(path, made);
    // Opened read-only, it is read as it is and left at its version.
    HistoryError error;
    std::vector<HistoryRecord> before, after;
    auto reader = CSqliteHistory::Open(path, CSqliteHistory::Mode::ReadOnly, 100, {}, error);
    ASSERT_TRUE(reader && reader->Load(before, error)) << error.m_strDetail;
    reader.reset();
    EXPECT_EQ(Query(path, "PRAGMA user_version"), "1");
    auto store = CSqliteHistory::Open(path, CSqliteHistory::Mode::ReadWrite, 100, {}, error);
    ASSERT_TRUE(store && store->Load(after, error)) << error.m_strDetail;
    EXPECT_EQ(Query(path, "PRAGMA user_version"), "2");
    for (HistoryRecord& r : before)
        r.m_bReadOnly = false;
    EXPECT_EQ(before, after);
    EXPECT_EQ(Summary(after), a.m_strTime + "=line 1\nline 2;" + b.m_strTime + "=;");
    // Every record counts as made here and still to be sent, with its note and the deletion.
    HistoryChanges pending;
    ASSERT_TRUE(store->Pending(10, pending, error));
    EXPECT_EQ(Counts(pending), "2 1 0 1");
    EXPECT_EQ(store->CheckIntegrity(), "ok");
}

TEST(CSqliteHistory, AFileItCannotKeepIsToldAndLeftAsItWas)
{
    TempDataDir dir;
    const std::string path = dir.PathOf("History.sqlite");
    {
        CHistory made(path);
        ASSERT_TRUE(made.Append(Sample("2026-01-01T08:00:00.000+08:00")));
    }
    struct Case { const char* name; std::function<void()> make; Kind atOpen, atAdd; };
    const std::string garbage(4096, 'x');
    const Case cases[] = {
        {"newer", [&] { Query(path, "PRAGMA user_version = 3"); }, Kind::None, Kind::Newer},
        {"newer in WAL mode", [&] { Query(path, "PRAGMA journal_mode = wal"); }, Kind::None, Kind::Newer},
        {"with a trigger", [&] { Query(path, "PRAGMA journal_mode = delete");
                                 Query(path, "PRAGMA user_version = 1;"
                                             "CREATE TRIGGER t AFTER INSERT ON record BEGIN DELETE FROM record; END"); },
         Kind::Foreign, Kind::Foreign},
        {"with a view", [&] { Query(path, "DROP TRIGGER t; ALTER TABLE record RENAME TO r; CREATE VIEW record AS SELECT * FROM r"); },
         Kind::Foreign, Kind::Foreign},
        {"foreign", [&] { dir.Remove("History.sqlite"); Query(path, "CREATE TABLE t (x)"); }, Kind::Foreign, Kind::Foreign},
        {"damaged", [&] { dir.Write("History.sqlite", "SQLite format 3" + garbage); }, Kind::Damaged, Kind::Damaged},
#ifndef _WIN32
        {"link", [&] { dir.Remove("History.sqlite"); std::filesystem::create_symlink(dir.PathOf("other"), path); },
         Kind::Link, Kind::Link},
#endif
    };
    for (const Case& c : cases) {
        c.make();
        const std::string before = dir.Read("History.sqlite");
        HistoryError error;
        auto store = CSqliteHistory::Open(path, CSqliteHistory::Mode::ReadWrite, 100, {}, error);
        EXPECT_EQ(error.m_kind, c.atOpen) << c.name << ": " << error.m_strDetail;
        std::vector<HistoryRecord> read;
        if (store) {
            EXPECT_TRUE(store->IsReadOnly()) << c.name;
            EXPECT_TRUE(store->Load(read, error)) << c.name; // read where it can be
            EXPECT_EQ(read.size(), 1u) << c.name;
        }
        store.reset();
        CHistory history(path);
        EXPECT_FALSE(history.Append(Sample("2026-01-02T08:00:00.000+08:00"))) << c.name;
        EXPECT_EQ(history.LastFailure().m_kind, c.atAdd) << c.name;
        EXPECT_FALSE(CHistory::Reason(history.LastFailure(), 0).empty()) << c.name;
        EXPECT_EQ(dir.Read("History.sqlite"), before) << c.name;
    }
}

TEST(CHistory, KeptBesideTheProgramElseInTheUsersDataFolderElseNowhere)
{
    TempDataDir dir;
    const std::string other = dir.Root() + "/other";
    const std::string kUnset = "(unset)";
    struct Case {
        bool dataDirThere;
        std::string base; // the user's data variable; kUnset: no such variable
        std::string expected;
    };
#ifdef _WIN32
    const char* kBaseVar = "LOCALAPPDATA";
    const Case cases[] = {
        {true, dir.Root() + "\\local", dir.DataDir() + "/History.sqlite"},
        {false, dir.Root() + "\\local", dir.Root() + "/local/Darvell/History.sqlite"},
        {false, kUnset, ""},
    };
#else
    const char* kBaseVar = "XDG_DATA_HOME";
    const Case cases[] = {
        {true, "/nowhere", dir.DataDir() + "/History.sqlite"},
        {false, kUnset, other + "/.local/share/Darvell/History.sqlite"},
        {false, dir.Root() + "/xdg/", dir.Root() + "/xdg/Darvell/History.sqlite"},
        {false, dir.PathOf("History.sqlite"), ""}, // no folder can be made there
    };
#endif
    const QByteArray savedBase = qgetenv(kBaseVar), savedHome = qgetenv("HOME");
    ASSERT_TRUE(dir.Write("History.sqlite", ""));
    for (const Case& c : cases) {
        // Not writable here means missing: tests may run with every right on the disk.
        platform::SetExecutableDirForTesting(c.dataDirThere ? dir.Root() : dir.Root() + "/gone");
        c.base == kUnset ? qunsetenv(kBaseVar) : qputenv(kBaseVar, QByteArray::fromStdString(c.base));
        qputenv("HOME", QByteArray::fromStdString(other));
        CHistory history;
        const bool kept = history.Append(Sample("2026-01-01T08:00:00.000+08:00"));
        EXPECT_EQ(kept, !c.expected.empty()) << c.base;
        EXPECT_EQ(QDir::fromNativeSeparators(QString::fromStdString(history.WritablePath())),
                  QDir::fromNativeSeparators(QString::fromStdString(c.expected))) << c.base;
        EXPECT_EQ(history.LastFailure().m_kind, kept ? Kind::None : Kind::NoPlace) << c.base;
    }
    qputenv(kBaseVar, savedBase);
    qputenv("HOME", savedHome);
    platform::SetExecutableDirForTesting(dir.Root());
}

#ifndef _WIN32
// Every hour of six years and every hour around each change of offset in zones
// with odd offsets and shifts reads back as the moment it was written for.
TEST(HistoryTime, LocalTimesCarryTheOffsetOfTheirMoment)
{
    const QByteArray saved = qgetenv("TZ");
    const std::int64_t from = QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
    const std::int64_t to = QDateTime(QDate(2026, 12, 31), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
    for (const char* zone : {"America/New_York", "Europe/Berlin", "Australia/Lord_Howe", "Asia/Kolkata",
                             "Pacific/Chatham", "America/St_Johns", "Asia/Shanghai"}) {
        qputenv("TZ", zone);
        std::vector<std::int64_t> moments;
        for (std::int64_t t = from; t < to; t += 3600 * 1000 * 7 + 61 * 1000)
            moments.push_back(t + 123);
        for (const QTimeZone::OffsetData& change : QTimeZone(zone).transitions(
                 QDateTime::fromMSecsSinceEpoch(from, Qt::UTC), QDateTime::fromMSecsSinceEpoch(to, Qt::UTC)))
            for (int minutes = -120; minutes <= 120; minutes += 15)
                moments.push_back(change.atUtc.toMSecsSinceEpoch() + minutes * 60 * 1000);
        for (std::int64_t t : moments) {
            const std::string text = history::LocalTime(t);
            ASSERT_EQ(history::MsSinceEpoch(text), t) << zone << " " << text;
            const int offset = QTimeZone(zone).offsetFromUtc(QDateTime::fromMSecsSinceEpoch(t, Qt::UTC)) / 60;
            ASSERT_EQ(text.substr(23), QString::asprintf("%c%02d:%02d", offset < 0 ? '-' : '+', std::abs(offset) / 60,
                                                        std::abs(offset) % 60).toStdString()) << zone << " " << text;
        }
    }
    saved.isNull() ? qunsetenv("TZ") : qputenv("TZ", saved);
}
#endif

} // namespace
