#include "data/CSqliteHistory.h"

#include <QByteArray>
#include <QCryptographicHash>

#include <sqlite3.h>

#include <chrono>
#include <thread>

#include "data/HistoryCsv.h"
#include "platform/FileExists.h"

namespace {

constexpr const char* kSchema = R"sql(
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

constexpr const char* kColumns =
    "id, time, utc_ms, narrowed, version, language, series, units, side, code_main, code_sub1, code_sub2, "
    "interlock, halt, error_numbers, note, note_time";

// Statements by CSqliteHistory::Statement.
constexpr const char* kStatementSql[] = {
    // kInsert
    "INSERT INTO record (id, time, utc_ms, narrowed, version, language, series, units, side, code_main, "
    "code_sub1, code_sub2, interlock, halt, error_numbers, note, note_time) "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17)",
    // kTakeOverInsert: a record taken over again, or removed since, stays as it is.
    "INSERT OR IGNORE INTO record (id, time, utc_ms, narrowed, version, language, series, units, side, code_main, "
    "code_sub1, code_sub2, interlock, halt, error_numbers, note, note_time) "
    "SELECT ?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17 "
    "WHERE NOT EXISTS (SELECT 1 FROM deleted WHERE id = ?1)",
    // kCut: the oldest beyond the limit, never the record just added (its
    // time may come from a clock set back).
    "DELETE FROM record WHERE seq IN (SELECT seq FROM record WHERE seq <> last_insert_rowid() "
    "ORDER BY utc_ms, seq LIMIT max((SELECT count(*) FROM record) - ?1, 0))",
    // kSetNote
    "UPDATE record SET note = ?2, note_time = ?3 WHERE id = ?1",
    // kDelete
    "DELETE FROM record WHERE id = ?1",
    // kMarkDeleted
    "INSERT OR REPLACE INTO deleted (id, time) VALUES (?1, ?2)",
};
static_assert(std::size(kStatementSql) == 6);

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
    if (m_bReadOnly || (version != 0 && !TakeOverPending(takeOver))) {
        Rollback(); // nothing was changed
        return ours();
    }
    // A new database, or an earlier History.csv that could not be read when
    // the database was made.
    if (version == 0 ? !Create(takeOver, error) : !TakeOver(takeOver, error)) {
        Rollback();
        return false;
    }
    return Commit(error) && ours();
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
    const std::string versions = "PRAGMA application_id = " + std::to_string(kApplicationId)
        + "; PRAGMA user_version = " + std::to_string(kSchemaVersion);
    return Exec(kSchema, error) && Exec(versions.c_str(), error)
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
        if (!Insert(kTakeOverInsert, r, utc, error))
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

bool CSqliteHistory::Insert(Statement which, const HistoryRecord& r, std::int64_t utcMs, HistoryError& error)
{
    sqlite3_stmt* s = Get(which, error);
    if (!s)
        return false;
    Reset reset{s};
    const std::string errNos = HistoryRecord::ErrorNumbers(r.m_nErrNos);
    const std::string note = HistoryRecord::CutNote(r.m_strNote);
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
    const int rc = sqlite3_step(s);
    return rc == SQLITE_DONE || Fail(rc, error);
}

bool CSqliteHistory::Load(std::vector<HistoryRecord>& records, HistoryError& error)
{
    records.clear();
    sqlite3_stmt* s = nullptr;
    const std::string sql = std::string("SELECT ") + kColumns + " FROM record ORDER BY utc_ms, seq";
    int rc = sqlite3_prepare_v2(m_db, sql.c_str(), -1, &s, nullptr);
    while (rc == SQLITE_OK && (rc = sqlite3_step(s)) == SQLITE_ROW) {
        HistoryRecord r;
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
        r.m_bReadOnly = m_bReadOnly;
        // A row this program cannot show (a newer version's, a hand-made one) is left out.
        if (r.IsValid() && HistoryRecord::ParseErrorNumbers(Text(s, 14), r.m_nErrNos) && !r.m_strId.empty())
            records.push_back(std::move(r));
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
    return true;
}

bool CSqliteHistory::Add(const HistoryRecord& record, HistoryError& error)
{
    if (m_bReadOnly) {
        error = m_readOnlyReason ? m_readOnlyReason : HistoryError{HistoryError::Kind::ReadOnly, m_strPath};
        return false;
    }
    const std::int64_t utc = history::MsSinceEpoch(record.m_strTime).value_or(0);
    if (!Begin(error))
        return false;
    bool ok = Insert(kInsert, record, utc, error);
    if (ok) {
        sqlite3_stmt* cut = Get(kCut, error);
        Reset reset{cut};
        ok = cut && sqlite3_bind_int64(cut, 1, static_cast<sqlite3_int64>(m_nLimit)) == SQLITE_OK;
        if (ok) {
            const int rc = sqlite3_step(cut);
            ok = rc == SQLITE_DONE || Fail(rc, error);
        }
    }
    if (!ok) {
        Rollback();
        return false;
    }
    return Commit(error);
}

bool CSqliteHistory::SetNote(std::string_view id, std::string_view note, std::string_view time, HistoryError& error)
{
    if (m_bReadOnly) {
        error = m_readOnlyReason ? m_readOnlyReason : HistoryError{HistoryError::Kind::ReadOnly, m_strPath};
        return false;
    }
    sqlite3_stmt* s = Get(kSetNote, error);
    if (!s)
        return false;
    Reset reset{s};
    const std::string cut = HistoryRecord::CutNote(note);
    Bind(s, 1, id);
    Bind(s, 2, cut);
    Bind(s, 3, time);
    const int rc = sqlite3_step(s); // one statement, one transaction
    if (rc != SQLITE_DONE)
        return Fail(rc, error);
    if (sqlite3_changes(m_db) == 0) {
        error = {HistoryError::Kind::Gone, m_strPath};
        return false;
    }
    return true;
}

bool CSqliteHistory::Delete(std::string_view id, std::string_view time, HistoryError& error)
{
    if (m_bReadOnly) {
        error = m_readOnlyReason ? m_readOnlyReason : HistoryError{HistoryError::Kind::ReadOnly, m_strPath};
        return false;
    }
    if (!Begin(error))
        return false;
    bool ok = true;
    for (Statement which : {kDelete, kMarkDeleted}) {
        sqlite3_stmt* s = Get(which, error);
        Reset reset{s};
        if (!s) {
            ok = false;
            break;
        }
        Bind(s, 1, id);
        if (which == kMarkDeleted)
            Bind(s, 2, time);
        if (const int rc = sqlite3_step(s); rc != SQLITE_DONE) {
            ok = Fail(rc, error);
            break;
        }
    }
    if (!ok) {
        Rollback();
        return false;
    }
    return Commit(error);
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
