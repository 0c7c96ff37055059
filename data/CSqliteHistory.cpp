#include "data/CSqliteHistory.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDateTime>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <initializer_list>
#include <numeric>
#include <thread>
#include <utility>

#include "data/HistoryCsv.h"
#include "diagnosis/CHistoryEntry.h"
#include "platform/FileExists.h"

namespace {

// A new database is made as the first version was and brought to the
// current version as an older file is.
constexpr const char* kSchemaVersion1 = R"sql(
CREATE TABLE record (
  seq INTEGER PRIMARY KEY,
  id TEXT NOT NULL UNIQUE,
  time TEXT NOT NULL,
  utc_ms INTEGER NOT NULL,
  narrowed INTEGER NOT NULL,
  version TEXT NOT NULL,
  language INTEGER NOT NULL,
  series INTEGER NOT NULL,
  units INTEGER NOT NULL,
  side INTEGER NOT NULL,
  code_main TEXT NOT NULL,
  code_sub1 TEXT NOT NULL,
  code_sub2 TEXT NOT NULL,
  interlock INTEGER NOT NULL,
  halt INTEGER NOT NULL,
  error_numbers TEXT NOT NULL,
  note TEXT NOT NULL DEFAULT '',
  note_time TEXT NOT NULL DEFAULT ''
);
CREATE INDEX record_time ON record (utc_ms);
CREATE TABLE deleted (id TEXT PRIMARY KEY, time TEXT NOT NULL) WITHOUT ROWID;
CREATE TABLE taken_over (
  sha256 TEXT PRIMARY KEY,
  file TEXT NOT NULL,
  size INTEGER NOT NULL,
  records INTEGER NOT NULL,
  time TEXT NOT NULL
) WITHOUT ROWID;
)sql";

// Version 1 to 2, one way. Every record so far was made or taken over here
// and is still to be sent, with its note where it has one; the change ids
// stay NULL until the server confirms a value. Adding columns with constant
// defaults rewrites no row, so this is quick on a full history.
constexpr const char* kToVersion2 = R"sql(
ALTER TABLE record ADD COLUMN machine TEXT NOT NULL DEFAULT '';
ALTER TABLE record ADD COLUMN machine_time TEXT NOT NULL DEFAULT '';
ALTER TABLE record ADD COLUMN machine_author TEXT NOT NULL DEFAULT '';
ALTER TABLE record ADD COLUMN note_author TEXT NOT NULL DEFAULT '';
ALTER TABLE record ADD COLUMN author TEXT NOT NULL DEFAULT '';
ALTER TABLE record ADD COLUMN laptop TEXT NOT NULL DEFAULT '';
ALTER TABLE record ADD COLUMN own INTEGER NOT NULL DEFAULT 1;
ALTER TABLE record ADD COLUMN note_change_id INTEGER;
ALTER TABLE record ADD COLUMN machine_change_id INTEGER;
ALTER TABLE record ADD COLUMN record_sent INTEGER NOT NULL DEFAULT 0;
ALTER TABLE record ADD COLUMN note_sent INTEGER NOT NULL DEFAULT 1;
ALTER TABLE record ADD COLUMN machine_sent INTEGER NOT NULL DEFAULT 1;
UPDATE record SET note_sent = 0 WHERE note <> '';
ALTER TABLE deleted ADD COLUMN author TEXT NOT NULL DEFAULT '';
ALTER TABLE deleted ADD COLUMN sent INTEGER NOT NULL DEFAULT 0;
CREATE INDEX record_own ON record (own, utc_ms, seq);
CREATE INDEX record_unsent ON record (seq) WHERE own = 1 AND record_sent = 0;
CREATE INDEX note_unsent ON record (seq) WHERE note_sent = 0;
CREATE INDEX machine_unsent ON record (seq) WHERE machine_sent = 0;
CREATE TABLE cut (id TEXT PRIMARY KEY) WITHOUT ROWID;
CREATE TABLE sync_cursor (
  server_id TEXT NOT NULL,
  table_name TEXT NOT NULL,
  horizon TEXT NOT NULL,
  PRIMARY KEY (server_id, table_name)
) WITHOUT ROWID;
PRAGMA user_version = 2;
)sql";

#define DARVELL_RECORD_COLUMNS                                                                                  \
    "id, time, utc_ms, narrowed, version, language, series, units, side, code_main, code_sub1, code_sub2, "     \
    "interlock, halt, error_numbers, note, note_time, machine, machine_time, author, laptop, own"
constexpr const char* kColumns = DARVELL_RECORD_COLUMNS;
// The same from a first version's file, read-only.
constexpr const char* kColumnsVersion1 =
    "id, time, utc_ms, narrowed, version, language, series, units, side, code_main, code_sub1, code_sub2, "
    "interlock, halt, error_numbers, note, note_time, '', '', '', '', 1";

#define DARVELL_INSERT_RECORD                                                                                    \
    "INTO record (id, time, utc_ms, narrowed, version, language, series, units, side, code_main, code_sub1, "   \
    "code_sub2, interlock, halt, error_numbers, note, note_time, machine, machine_time, author, laptop, own, "  \
    "record_sent, note_sent, machine_sent) "
#define DARVELL_RECORD_VALUES "?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19, ?20, ?21, ?22, ?23, ?24, ?25"
// A note's or machine's time as sent and compared: a note taken over from a
// History.csv has none of its own and goes with its record's.
#define DARVELL_NOTE_TIME "CASE WHEN note_time = '' AND note <> '' THEN time ELSE note_time END"
#define DARVELL_MACHINE_TIME "CASE WHEN machine_time = '' AND machine <> '' THEN time ELSE machine_time END"

// Statements by CSqliteHistory::Statement.
constexpr const char* kStatementSql[] = {
    // kInsert
    "INSERT " DARVELL_INSERT_RECORD "VALUES (" DARVELL_RECORD_VALUES ")",
    // kInsertUnlessRemoved: a record taken over or pulled again, or removed
    // since by hand or by the limit, stays as it is.
    "INSERT OR IGNORE " DARVELL_INSERT_RECORD "SELECT " DARVELL_RECORD_VALUES
    " WHERE NOT EXISTS (SELECT 1 FROM deleted WHERE id = ?1) AND NOT EXISTS (SELECT 1 FROM cut WHERE id = ?1)",
    // kBeyondLimit: the oldest own records beyond the limit ?1, never the
    // record just added (?2; its time may come from a clock set back).
    "SELECT id FROM record WHERE own = 1 AND seq <> ?2 ORDER BY own, utc_ms, seq "
    "LIMIT max((SELECT count(*) FROM record WHERE own = 1) - ?1, 0)",
    // kRememberCut
    "INSERT OR IGNORE INTO cut (id) VALUES (?1)",
    // kSetNote
    "UPDATE record SET note = ?2, note_time = ?3, note_author = ?4, note_change_id = NULL, note_sent = 0 WHERE id = ?1",
    // kSetMachine
    "UPDATE record SET machine = ?2, machine_time = ?3, machine_author = ?4, machine_change_id = NULL, "
    "machine_sent = 0 WHERE id = ?1",
    // kDelete
    "DELETE FROM record WHERE id = ?1",
    // kMarkDeleted
    "INSERT OR REPLACE INTO deleted (id, time, author, sent) VALUES (?1, ?2, ?3, 0)",
    // kNoteStamp
    "SELECT " DARVELL_NOTE_TIME ", note_author, note_change_id FROM record WHERE id = ?1",
    // kMachineStamp
    "SELECT " DARVELL_MACHINE_TIME ", machine_author, machine_change_id FROM record WHERE id = ?1",
    // kTakeNote
    "UPDATE record SET note = ?2, note_time = ?3, note_author = ?4, note_change_id = ?5, note_sent = 1 WHERE id = ?1",
    // kTakeMachine
    "UPDATE record SET machine = ?2, machine_time = ?3, machine_author = ?4, machine_change_id = ?5, "
    "machine_sent = 1 WHERE id = ?1",
    // kTakeDeletion: the server has the marker, this laptop's among them.
    "INSERT INTO deleted (id, time, author, sent) VALUES (?1, ?2, ?3, 1) ON CONFLICT (id) DO UPDATE SET sent = 1",
    // kPendingRecords
    "SELECT " DARVELL_RECORD_COLUMNS " FROM record WHERE own = 1 AND record_sent = 0 ORDER BY seq LIMIT ?1",
    // kPendingNotes
    "SELECT id, note, " DARVELL_NOTE_TIME ", note_author FROM record WHERE note_sent = 0 ORDER BY seq LIMIT ?1",
    // kPendingMachines
    "SELECT id, machine, " DARVELL_MACHINE_TIME ", machine_author FROM record WHERE machine_sent = 0 "
    "ORDER BY seq LIMIT ?1",
    // kPendingDeletions
    "SELECT id, time, author FROM deleted WHERE sent = 0 ORDER BY time LIMIT ?1",
    // kSentRecord
    "UPDATE record SET record_sent = 1 WHERE id = ?1",
    // kSentNote
    "UPDATE record SET note_sent = 1, note_change_id = coalesce(?4, note_change_id) "
    "WHERE id = ?1 AND note = ?2 AND " DARVELL_NOTE_TIME " = ?3",
    // kSentMachine
    "UPDATE record SET machine_sent = 1, machine_change_id = coalesce(?4, machine_change_id) "
    "WHERE id = ?1 AND machine = ?2 AND " DARVELL_MACHINE_TIME " = ?3",
    // kSentDeletion
    "UPDATE deleted SET sent = 1 WHERE id = ?1",
    // kCursor
    "SELECT horizon FROM sync_cursor WHERE server_id = ?1 AND table_name = ?2",
    // kSetCursor
    "INSERT OR REPLACE INTO sync_cursor (server_id, table_name, horizon) VALUES (?1, ?2, ?3)",
    // kOtherCursors
    "DELETE FROM sync_cursor WHERE server_id <> ?1",
};
static_assert(std::size(kStatementSql) == 24);

#undef DARVELL_RECORD_COLUMNS
#undef DARVELL_INSERT_RECORD
#undef DARVELL_RECORD_VALUES
#undef DARVELL_NOTE_TIME
#undef DARVELL_MACHINE_TIME

HistoryError::Kind KindOf(int rc)
{
    using K = HistoryError::Kind;
    if (rc == SQLITE_CANTOPEN_SYMLINK)
        return K::Link;
    switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return K::Busy;
    case SQLITE_FULL:
        return K::Full;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return K::ReadOnly;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return K::Damaged;
    default:
        return K::Other;
    }
}

std::string Text(sqlite3_stmt* s, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
    return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(s, column))) : std::string();
}

int Int(sqlite3_stmt* s, int column)
{
    const sqlite3_int64 v = sqlite3_column_int64(s, column);
    return v < -1000000 || v > 1000000 ? -1 : static_cast<int>(v);
}

// Binds a text that outlives the statement's step.
void Bind(sqlite3_stmt* s, int index, std::string_view text)
{
    sqlite3_bind_text(s, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

// Binds texts to ?1, ?2... in turn; they outlive the statement's step.
std::function<void(sqlite3_stmt*)> Texts(std::initializer_list<std::string_view> texts)
{
    return [list = std::vector<std::string_view>(texts)](sqlite3_stmt* s) {
        int index = 0;
        for (std::string_view text : list)
            Bind(s, ++index, text);
    };
}

// Resets a statement when it goes out of scope, so that no step holds a lock.
struct Reset {
    sqlite3_stmt* s;
    ~Reset()
    {
        if (s) {
            sqlite3_reset(s);
            sqlite3_clear_bindings(s);
        }
    }
};

} // namespace

const char* const CSqliteHistory::kVersion1Tables = kSchemaVersion1;

std::unique_ptr<CSqliteHistory> CSqliteHistory::Open(const std::string& path, Mode mode, std::size_t limit,
                                                     const std::string& takeOver, HistoryError& error)
{
    // SQLITE_OPEN_NOFOLLOW covers this on POSIX systems, not on Windows,
    // where a reparse point in the file's place is looked for here.
    if (platform::IsLink(path) || platform::IsLink(path + "-journal")) {
        error = {HistoryError::Kind::Link, path};
        return nullptr;
    }
    sqlite3* db = nullptr;
    const int flags = (mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)
        | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_EXRESCODE;
    const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        error = {KindOf(rc), std::string(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)) + ": " + path};
        sqlite3_close(db);
        return nullptr;
    }
    std::unique_ptr<CSqliteHistory> store(new CSqliteHistory(db, path, limit));
    if (!store->Prepare(mode, takeOver, error))
        return nullptr;
    return store;
}

CSqliteHistory::CSqliteHistory(sqlite3* db, std::string path, std::size_t limit)
    : m_db(db), m_strPath(std::move(path)), m_nLimit(limit)
{
}

CSqliteHistory::~CSqliteHistory()
{
    for (sqlite3_stmt* s : m_statements)
        sqlite3_finalize(s);
    sqlite3_close(m_db);
}

int CSqliteHistory::BusyWait(void* self, int attempt)
{
    // SQLite's own wait looks again after ever longer sleeps (up to 100 ms)
    // and so keeps missing the moment between two transactions of a writer
    // that writes one after the other: looking every millisecond, the second
    // writer gets in within a transaction or two of the first.
    auto* store = static_cast<CSqliteHistory*>(self);
    const auto now = std::chrono::steady_clock::now();
    if (attempt == 0)
        store->m_busySince = now;
    if (now - store->m_busySince >= std::chrono::milliseconds(kBusyTimeoutMs))
        return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 1;
}

bool CSqliteHistory::Fail(int rc, HistoryError& error) const
{
    error = {KindOf(rc), std::string(sqlite3_errmsg(m_db)) + ": " + m_strPath};
    return false;
}

bool CSqliteHistory::Exec(const char* sql, HistoryError& error)
{
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    return rc == SQLITE_OK || Fail(rc, error);
}

bool CSqliteHistory::Begin(HistoryError& error)
{
    // IMMEDIATE: the write lock at once, waited for, so that two writers never
    // meet halfway (a deferred one could only fail then).
    return Exec("BEGIN IMMEDIATE", error);
}

bool CSqliteHistory::Commit(HistoryError& error)
{
    if (Exec("COMMIT", error))
        return true;
    Rollback();
    return false;
}

void CSqliteHistory::Rollback()
{
    if (!sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

sqlite3_stmt* CSqliteHistory::Get(Statement which, HistoryError& error)
{
    sqlite3_stmt*& s = m_statements[which];
    if (!s) {
        const int rc = sqlite3_prepare_v3(m_db, kStatementSql[which], -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr);
        if (rc != SQLITE_OK) {
            Fail(rc, error);
            s = nullptr;
        }
    }
    return s;
}

bool CSqliteHistory::Prepare(Mode mode, const std::string& takeOver, HistoryError& error)
{
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_handler(m_db, &CSqliteHistory::BusyWait, this);
    // A file from elsewhere runs none of its own code on us.
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    m_bReadOnly = mode == Mode::ReadOnly || sqlite3_db_readonly(m_db, "main") == 1;
    // The journal mode is set once the file is known to be ours: on another
    // program's or a newer version's database in WAL mode, setting it would
    // rewrite the file's header.
    if (!m_bReadOnly && !Exec("PRAGMA synchronous = FULL", error))
        return false;
    const auto ours = [&] { return m_bReadOnly || Exec("PRAGMA journal_mode = TRUNCATE", error); };
    // What the file is, read under the write lock where there is one, so
    // that of two copies starting at once only one makes the database.
    if (!m_bReadOnly && !Begin(error))
        return false;
    int version = 0, appId = 0, objects = 0, code = 0, tables = 0;
    sqlite3_stmt* s = nullptr;
    // Triggers and views would run their SQL whenever the program writes or
    // reads: a file that has any is not one the program made.
    int rc = sqlite3_prepare_v2(m_db,
                                "SELECT (SELECT user_version FROM pragma_user_version), "
                                "(SELECT application_id FROM pragma_application_id), "
                                "(SELECT count(*) FROM sqlite_schema), "
                                "(SELECT count(*) FROM sqlite_schema WHERE type IN ('trigger', 'view')), "
                                "(SELECT count(*) FROM sqlite_schema WHERE type = 'table' "
                                "AND name IN ('record', 'deleted', 'taken_over'))",
                                -1, &s, nullptr);
    if (rc == SQLITE_OK && (rc = sqlite3_step(s)) == SQLITE_ROW) {
        version = sqlite3_column_int(s, 0);
        appId = sqlite3_column_int(s, 1);
        objects = sqlite3_column_int(s, 2);
        code = sqlite3_column_int(s, 3);
        tables = sqlite3_column_int(s, 4);
        rc = SQLITE_OK;
    }
    sqlite3_finalize(s);
    if (rc != SQLITE_OK) {
        Fail(rc, error);
        Rollback();
        return false;
    }
    const bool made = version > 0 && appId == kApplicationId && tables == 3
        && (code == 0 || version > kSchemaVersion); // a later version may add its own
    if (version == 0 ? (appId != 0 && appId != kApplicationId) || objects > 0 : !made) {
        Rollback();
        error = {HistoryError::Kind::Foreign, m_strPath};
        return false;
    }
    if (version > kSchemaVersion) {
        m_bReadOnly = true;
        m_readOnlyReason = {HistoryError::Kind::Newer, m_strPath};
    }
    m_nVersion = version;
    if (m_bReadOnly || (version == kSchemaVersion && !TakeOverPending(takeOver))) {
        Rollback(); // nothing was changed
        return ours();
    }
    // A new database, an older version's brought to this one, or an earlier
    // History.csv that could not be read when the database was made.
    const bool done = version == 0 ? Create(takeOver, error)
                                   : (version == kSchemaVersion || Exec(kToVersion2, error))
                                         && (!TakeOverPending(takeOver) || TakeOver(takeOver, error));
    if (!done) {
        Rollback();
        return false;
    }
    if (!Commit(error))
        return false;
    m_nVersion = kSchemaVersion;
    return ours();
}

bool CSqliteHistory::TakeOverPending(const std::string& takeOver)
{
    if (takeOver.empty() || !platform::FileExists(takeOver))
        return false;
    sqlite3_stmt* s = nullptr;
    const bool none = sqlite3_prepare_v2(m_db, "SELECT 1 FROM taken_over", -1, &s, nullptr) == SQLITE_OK
        && sqlite3_step(s) == SQLITE_DONE;
    sqlite3_finalize(s);
    return none;
}

bool CSqliteHistory::Create(const std::string& takeOver, HistoryError& error)
{
    const std::string id = "PRAGMA application_id = " + std::to_string(kApplicationId);
    return Exec(kSchemaVersion1, error) && Exec(kToVersion2, error) && Exec(id.c_str(), error)
        && (takeOver.empty() || !platform::FileExists(takeOver) || TakeOver(takeOver, error));
}

bool CSqliteHistory::TakeOver(const std::string& csvPath, HistoryError& error)
{
    std::string text;
    if (!platform::ReadFileBytes(csvPath, text, historycsv::kMaxFileBytes))
        return true; // nothing to take over that can be read; the file stays as it is
    const std::string hash =
        QCryptographicHash::hash(QByteArray::fromRawData(text.data(), qsizetype(text.size())),
                                 QCryptographicHash::Sha256).toHex().toStdString();
    sqlite3_stmt* seen = nullptr;
    int rc = sqlite3_prepare_v2(m_db, "SELECT 1 FROM taken_over WHERE sha256 = ?1", -1, &seen, nullptr);
    if (rc == SQLITE_OK) {
        Bind(seen, 1, hash);
        rc = sqlite3_step(seen);
    }
    sqlite3_finalize(seen);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        return Fail(rc, error);

    const std::vector<HistoryRecord> records = historycsv::Read(text, m_nLimit);
    // A record without a time of its own sorts where the file had it.
    std::int64_t utc = 0;
    for (const HistoryRecord& r : records) {
        utc = history::MsSinceEpoch(r.m_strTime).value_or(utc);
        if (!Insert(kInsertUnlessRemoved, r, utc, From::Here, error))
            return false;
    }
    const std::size_t slash = csvPath.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? csvPath : csvPath.substr(slash + 1);
    const std::string now = history::Now();
    sqlite3_stmt* s = nullptr;
    rc = sqlite3_prepare_v2(m_db, "INSERT INTO taken_over (sha256, file, size, records, time) VALUES (?1, ?2, ?3, ?4, ?5)",
                            -1, &s, nullptr);
    if (rc == SQLITE_OK) {
        Bind(s, 1, hash);
        Bind(s, 2, name);
        sqlite3_bind_int64(s, 3, static_cast<sqlite3_int64>(text.size()));
        sqlite3_bind_int64(s, 4, static_cast<sqlite3_int64>(records.size()));
        Bind(s, 5, now);
        rc = sqlite3_step(s);
    }
    sqlite3_finalize(s);
    return rc == SQLITE_DONE || Fail(rc, error);
}

bool CSqliteHistory::Insert(Statement which, const HistoryRecord& r, std::int64_t utcMs, From from, HistoryError& error)
{
    sqlite3_stmt* s = Get(which, error);
    if (!s)
        return false;
    Reset reset{s};
    const std::string errNos = HistoryRecord::ErrorNumbers(r.m_nErrNos);
    const std::string note = HistoryRecord::CutNote(r.m_strNote);
    const std::string machine = HistoryRecord::CutMachine(r.m_strMachine);
    const std::string laptop = history::CutChars(r.m_strLaptop, HistoryRecord::kMaxLaptop);
    Bind(s, 1, r.m_strId);
    Bind(s, 2, r.m_strTime);
    sqlite3_bind_int64(s, 3, utcMs);
    sqlite3_bind_int(s, 4, r.m_bNarrowed ? 1 : 0);
    Bind(s, 5, r.m_strVersion);
    const int numbers[] = {r.m_nLanguage, r.m_nSeries, r.m_nUnits, r.m_nSide};
    for (int i = 0; i < 4; ++i)
        sqlite3_bind_int(s, 6 + i, numbers[i]);
    for (int u = 0; u < 3; ++u)
        Bind(s, 10 + u, r.m_strCodes[static_cast<std::size_t>(u)]);
    sqlite3_bind_int(s, 13, r.m_nInterlock);
    sqlite3_bind_int(s, 14, r.m_nHalt);
    Bind(s, 15, errNos);
    Bind(s, 16, note);
    Bind(s, 17, r.m_strNoteTime);
    Bind(s, 18, machine);
    Bind(s, 19, r.m_strMachineTime);
    Bind(s, 20, r.m_strAuthor);
    Bind(s, 21, laptop);
    // A record from the server is there already, and its values come as changes of their own.
    const bool here = from == From::Here;
    sqlite3_bind_int(s, 22, here ? 1 : 0);
    sqlite3_bind_int(s, 23, here ? 0 : 1);
    sqlite3_bind_int(s, 24, here && !note.empty() ? 0 : 1);
    sqlite3_bind_int(s, 25, here && !machine.empty() ? 0 : 1);
    const int rc = sqlite3_step(s);
    return rc == SQLITE_DONE || Fail(rc, error);
}

bool CSqliteHistory::Run(Statement which, const std::function<void(sqlite3_stmt*)>& bind, HistoryError& error)
{
    sqlite3_stmt* s = Get(which, error);
    if (!s)
        return false;
    Reset reset{s};
    bind(s);
    const int rc = sqlite3_step(s);
    return rc == SQLITE_DONE || Fail(rc, error);
}

bool CSqliteHistory::Rows(Statement which, const std::function<void(sqlite3_stmt*)>& bind,
                          const std::function<void(sqlite3_stmt*)>& row, HistoryError& error)
{
    sqlite3_stmt* s = Get(which, error);
    if (!s)
        return false;
    Reset reset{s};
    bind(s);
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW)
        row(s);
    return rc == SQLITE_DONE || Fail(rc, error);
}

bool CSqliteHistory::Change(const std::function<bool(HistoryError&)>& work, HistoryError& error)
{
    if (m_bReadOnly) {
        error = m_readOnlyReason ? m_readOnlyReason : HistoryError{HistoryError::Kind::ReadOnly, m_strPath};
        return false;
    }
    if (!Begin(error))
        return false;
    if (!work(error)) {
        Rollback();
        return false;
    }
    return Commit(error);
}

namespace {

// A row of kColumns as a record; false for one this program cannot show (a
// newer version's, a hand-made one).
bool ReadRecord(sqlite3_stmt* s, HistoryRecord& r)
{
    r.m_strId = Text(s, 0);
    r.m_strTime = Text(s, 1);
    r.m_bNarrowed = sqlite3_column_int(s, 3) != 0;
    r.m_strVersion = Text(s, 4);
    r.m_nLanguage = Int(s, 5);
    r.m_nSeries = Int(s, 6);
    r.m_nUnits = Int(s, 7);
    r.m_nSide = Int(s, 8);
    for (int u = 0; u < 3; ++u)
        r.m_strCodes[static_cast<std::size_t>(u)] = Text(s, 9 + u);
    r.m_nInterlock = Int(s, 12);
    r.m_nHalt = Int(s, 13);
    r.m_strNote = HistoryRecord::CutNote(Text(s, 15));
    r.m_strNoteTime = Text(s, 16);
    r.m_strMachine = HistoryRecord::CutMachine(Text(s, 17));
    r.m_strMachineTime = Text(s, 18);
    r.m_strAuthor = Text(s, 19);
    r.m_strLaptop = Text(s, 20);
    r.m_bOwn = sqlite3_column_int(s, 21) != 0;
    return r.IsValid() && HistoryRecord::ParseErrorNumbers(Text(s, 14), r.m_nErrNos) && !r.m_strId.empty();
}

// A change's text as the program keeps it: valid UTF-8 of at most max characters.
bool Fits(std::string_view text, std::size_t max)
{
    return history::IsUtf8(text) && history::CutChars(text, max).size() == text.size();
}

// Whether a time names a moment no more than a day after this computer's
// clock, as the server demands of every row it takes.
bool TimeFromServer(std::string_view time)
{
    const std::optional<std::int64_t> ms = history::MsSinceEpoch(time);
    return ms && *ms <= QDateTime::currentMSecsSinceEpoch() + 24 * 3600 * 1000;
}

// Whether a record from the server is one the program could have made: a
// UUID, a time, numbers and codes it knows, texts of the server's lengths.
bool RecordFromServer(const HistoryRecord& r)
{
    if (!history::IsId(r.m_strId) || !TimeFromServer(r.m_strTime) || !r.IsValid() || !Fits(r.m_strVersion, 40)
        || !history::IsUtf8(r.m_strAuthor) || !history::IsUtf8(r.m_strLaptop) || r.m_nErrNos.size() > 200)
        return false;
    for (int n : r.m_nErrNos)
        if (n < 0 || n > 99999)
            return false;
    for (std::size_t u = 0; u < 3; ++u)
        if (!Fits(r.m_strCodes[u], 40) || (u >= static_cast<std::size_t>(r.m_nUnits) && !r.m_strCodes[u].empty()))
            return false;
    CDiagnosis::Codes codes;
    return CHistoryEntry::Codes(r, codes);
}

bool ValueFromServer(const HistoryValue& v)
{
    return history::IsId(v.m_strRecordId) && TimeFromServer(v.m_strTime) && history::IsUtf8(v.m_strValue)
        && history::IsUtf8(v.m_strAuthor) && v.m_nChangeId;
}

} // namespace

bool CSqliteHistory::Load(std::vector<HistoryRecord>& records, HistoryError& error)
{
    return LoadNewest(0, records, error);
}

bool CSqliteHistory::LoadNewest(std::size_t count, std::vector<HistoryRecord>& records, HistoryError& error)
{
    records.clear();
    sqlite3_stmt* s = nullptr;
    // Room for every record at once: a plant's history holds many.
    if (count)
        records.reserve(count);
    else if (sqlite3_prepare_v2(m_db, "SELECT count(*) FROM record", -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
        records.reserve(static_cast<std::size_t>(std::max<sqlite3_int64>(0, sqlite3_column_int64(s, 0))));
    sqlite3_finalize(s);
    // The table in its own order reads the file front to back, several times
    // quicker than walking the time index and looking up each row; the
    // records are put in time order here, equal times in the order kept.
    // A few newest are quicker by the index, newest first, turned round below.
    const std::string sql = std::string("SELECT ") + (m_nVersion < 2 ? kColumnsVersion1 : kColumns) + " FROM record "
        + (count ? "ORDER BY utc_ms DESC, seq DESC LIMIT " + std::to_string(count) : std::string("ORDER BY seq"));
    std::vector<std::int64_t> times;
    times.reserve(records.capacity());
    int rc = sqlite3_prepare_v2(m_db, sql.c_str(), -1, &s, nullptr);
    while (rc == SQLITE_OK && (rc = sqlite3_step(s)) == SQLITE_ROW) {
        // Read in place: a record is large, and a plant's history holds many.
        HistoryRecord& r = records.emplace_back();
        r.m_bReadOnly = m_bReadOnly;
        if (ReadRecord(s, r))
            times.push_back(sqlite3_column_int64(s, 2));
        else
            records.pop_back();
        rc = SQLITE_OK;
    }
    sqlite3_finalize(s);
    if (rc != SQLITE_DONE) {
        // An empty database made read-only, or a newer one without the table: nothing to show.
        if (m_bReadOnly && (rc & 0xFF) == SQLITE_ERROR && !m_readOnlyReason)
            return true;
        records.clear();
        return Fail(rc, error);
    }
    if (count) {
        std::reverse(records.begin(), records.end());
        std::reverse(times.begin(), times.end());
    }
    if (std::is_sorted(times.begin(), times.end()))
        return true;
    // from[i]: the record that goes to place i; moved there cycle by cycle, in place.
    std::vector<std::size_t> from(records.size());
    std::iota(from.begin(), from.end(), std::size_t{0});
    std::stable_sort(from.begin(), from.end(), [&](std::size_t a, std::size_t b) { return times[a] < times[b]; });
    for (std::size_t i = 0; i < from.size(); ++i) {
        if (from[i] == i)
            continue;
        HistoryRecord held = std::move(records[i]);
        std::size_t j = i;
        for (; from[j] != i; j = std::exchange(from[j], j))
            records[j] = std::move(records[from[j]]);
        records[j] = std::move(held);
        from[j] = j;
    }
    return true;
}

bool CSqliteHistory::Add(const HistoryRecord& record, HistoryError& error)
{
    const std::int64_t utc = history::MsSinceEpoch(record.m_strTime).value_or(0);
    return Change([&](HistoryError& e) {
        if (!Insert(kInsert, record, utc, From::Here, e))
            return false;
        const sqlite3_int64 added = sqlite3_last_insert_rowid(m_db);
        std::vector<std::string> beyond;
        if (!Rows(kBeyondLimit, [&](sqlite3_stmt* s) {
                sqlite3_bind_int64(s, 1, static_cast<sqlite3_int64>(m_nLimit));
                sqlite3_bind_int64(s, 2, added);
            }, [&](sqlite3_stmt* s) { beyond.push_back(Text(s, 0)); }, e))
            return false;
        for (const std::string& id : beyond)
            if (!Run(kRememberCut, Texts({id}), e) || !Run(kDelete, Texts({id}), e))
                return false;
        return true;
    }, error);
}

bool CSqliteHistory::Annotate(std::string_view id, std::optional<std::string_view> note,
                              std::optional<std::string_view> machine, std::string_view time, std::string_view author,
                              HistoryError& error)
{
    const std::string values[] = {note ? HistoryRecord::CutNote(*note) : std::string(),
                                  machine ? HistoryRecord::CutMachine(*machine) : std::string()};
    return Change([&](HistoryError& e) {
        int changed = 0, asked = 0;
        for (int v = 0; v < 2; ++v) {
            if (!(v == 0 ? note : machine))
                continue;
            ++asked;
            if (!Run(v == 0 ? kSetNote : kSetMachine, Texts({id, values[v], time, author}), e))
                return false;
            changed += sqlite3_changes(m_db) > 0;
        }
        if (changed < asked)
            e = {HistoryError::Kind::Gone, m_strPath};
        return changed == asked;
    }, error);
}

bool CSqliteHistory::Delete(std::string_view id, std::string_view time, std::string_view author, HistoryError& error)
{
    return Change([&](HistoryError& e) {
        return Run(kDelete, Texts({id}), e) && Run(kMarkDeleted, Texts({id, time, author}), e);
    }, error);
}

bool CSqliteHistory::Pending(std::size_t batch, HistoryChanges& pending, HistoryError& error)
{
    pending = {};
    if (m_nVersion < 2)
        return true; // an older version's database, read-only: none of it was ever sent
    const auto limit = [batch](sqlite3_stmt* s) { sqlite3_bind_int64(s, 1, static_cast<sqlite3_int64>(batch)); };
    const auto values = [](std::vector<HistoryValue>& list) {
        return [&list](sqlite3_stmt* s) { list.push_back({Text(s, 0), Text(s, 1), Text(s, 2), Text(s, 3), {}}); };
    };
    // One read transaction: the four lists as of one moment.
    if (!Exec("BEGIN", error))
        return false;
    const bool ok =
        Rows(kPendingRecords, limit, [&](sqlite3_stmt* s) {
            HistoryRecord r;
            if (ReadRecord(s, r))
                pending.m_records.push_back(std::move(r));
        }, error)
        && Rows(kPendingNotes, limit, values(pending.m_notes), error)
        && Rows(kPendingMachines, limit, values(pending.m_machines), error)
        && Rows(kPendingDeletions, limit, [&](sqlite3_stmt* s) {
               pending.m_deletions.push_back({Text(s, 0), Text(s, 1), Text(s, 2)});
           }, error);
    Rollback();
    if (!ok)
        pending = {};
    return ok;
}

bool CSqliteHistory::MarkSent(const HistoryChanges& sent, HistoryError& error)
{
    return Change([&](HistoryError& e) {
        for (const HistoryRecord& r : sent.m_records)
            if (!Run(kSentRecord, Texts({r.m_strId}), e))
                return false;
        for (const HistoryDeletion& d : sent.m_deletions)
            if (!Run(kSentDeletion, Texts({d.m_strRecordId}), e))
                return false;
        for (const bool note : {true, false})
            for (const HistoryValue& v : note ? sent.m_notes : sent.m_machines)
                if (!Run(note ? kSentNote : kSentMachine, [&](sqlite3_stmt* s) {
                        Bind(s, 1, v.m_strRecordId);
                        Bind(s, 2, v.m_strValue);
                        Bind(s, 3, v.m_strTime);
                        if (v.m_nChangeId)
                            sqlite3_bind_int64(s, 4, *v.m_nChangeId);
                    }, e))
                    return false;
        return true;
    }, error);
}

bool CSqliteHistory::TakeValue(bool note, const HistoryValue& v, HistoryError& error)
{
    std::optional<history::ValueStamp> held;
    std::string time, author;
    if (!Rows(note ? kNoteStamp : kMachineStamp, Texts({v.m_strRecordId}),
              [&](sqlite3_stmt* s) {
                  time = Text(s, 0);
                  author = Text(s, 1);
                  held = history::ValueStamp{time, author, std::nullopt};
                  if (sqlite3_column_type(s, 2) != SQLITE_NULL)
                      held->changeId = sqlite3_column_int64(s, 2);
              }, error))
        return false;
    // A value of a record not held (removed here, cut, not yet pulled) is left.
    if (!held || !history::Wins({v.m_strTime, v.m_strAuthor, v.m_nChangeId}, *held))
        return true;
    const std::string value = note ? HistoryRecord::CutNote(v.m_strValue) : HistoryRecord::CutMachine(v.m_strValue);
    return Run(note ? kTakeNote : kTakeMachine, [&](sqlite3_stmt* s) {
        Bind(s, 1, v.m_strRecordId);
        Bind(s, 2, value);
        Bind(s, 3, v.m_strTime);
        Bind(s, 4, v.m_strAuthor);
        sqlite3_bind_int64(s, 5, *v.m_nChangeId);
    }, error);
}

bool CSqliteHistory::Apply(const HistoryChanges& batch, std::size_t& skipped, HistoryError& error)
{
    skipped = 0;
    return Change([&](HistoryError& e) {
        for (const HistoryRecord& r : batch.m_records) {
            if (!RecordFromServer(r)) {
                ++skipped;
                continue;
            }
            HistoryRecord taken = r;
            taken.m_strNote.clear(); // the values come as changes of their own
            taken.m_strNoteTime.clear();
            taken.m_strMachine.clear();
            taken.m_strMachineTime.clear();
            taken.m_strAuthor = history::CutChars(r.m_strAuthor, HistoryRecord::kMaxLaptop);
            // One of this laptop's own that the server has is sent, whatever its mark said.
            if (!Insert(kInsertUnlessRemoved, taken, *history::MsSinceEpoch(r.m_strTime), From::Server, e)
                || !Run(kSentRecord, Texts({r.m_strId}), e))
                return false;
        }
        for (const bool note : {true, false})
            for (const HistoryValue& v : note ? batch.m_notes : batch.m_machines) {
                if (!ValueFromServer(v)) {
                    ++skipped;
                    continue;
                }
                if (!TakeValue(note, v, e))
                    return false;
            }
        for (const HistoryDeletion& d : batch.m_deletions) {
            if (!history::IsId(d.m_strRecordId) || !history::IsUtf8(d.m_strTime) || !history::IsUtf8(d.m_strAuthor)) {
                ++skipped;
                continue;
            }
            if (!Run(kDelete, Texts({d.m_strRecordId}), e)
                || !Run(kTakeDeletion, Texts({d.m_strRecordId, d.m_strTime, d.m_strAuthor}), e))
                return false;
        }
        return true;
    }, error);
}

bool CSqliteHistory::Cursor(std::string_view serverId, std::string_view table, std::string& horizon, HistoryError& error)
{
    horizon.clear();
    if (m_nVersion < 2)
        return true;
    return Rows(kCursor, Texts({serverId, table}), [&](sqlite3_stmt* s) { horizon = Text(s, 0); }, error);
}

bool CSqliteHistory::SetCursor(std::string_view serverId, std::string_view table, std::string_view horizon,
                               HistoryError& error)
{
    return Change([&](HistoryError& e) {
        return Run(kOtherCursors, Texts({serverId}), e) && Run(kSetCursor, Texts({serverId, table, horizon}), e);
    }, error);
}

std::string CSqliteHistory::CheckIntegrity()
{
    std::string verdict;
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(m_db, "PRAGMA integrity_check", -1, &s, nullptr);
    while (rc == SQLITE_OK && (rc = sqlite3_step(s)) == SQLITE_ROW) {
        verdict += (verdict.empty() ? "" : "\n") + Text(s, 0);
        rc = SQLITE_OK;
    }
    sqlite3_finalize(s);
    return rc == SQLITE_DONE ? verdict : sqlite3_errmsg(m_db);
}
