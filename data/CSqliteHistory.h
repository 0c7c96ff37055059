#pragma once
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "data/HistoryStore.h"

struct sqlite3;
struct sqlite3_stmt;

// The history in an SQLite database file (History.sqlite).
//
// One table of records named by their id, the note and the machine each with
// its time, author and sent mark in columns of their own, where each record
// came from; the ids of records removed by hand and of those the limit cut;
// the files taken over; where the pull from a team server stands. The
// schema's version is PRAGMA user_version: a newer database than this program
// knows is read where it can be and never changed; an older one is brought to
// this version, one way, in the transaction of the first open that may write
// (version 1 gains the machine, the authors, the laptop, the sent marks and
// the server's change ids as columns, and the cut and cursor tables).
//
// Each change is one transaction; a second writer waits (busy timeout) for
// the first. Past the limit, a new record's transaction removes the oldest of
// the records made or taken over here (those from a team server do not count)
// and keeps their ids, so that no sync brings them back. A rollback journal
// that is truncated at commit and synced (synchronous FULL) keeps every
// acknowledged change through a power cut and needs no shared memory, which
// USB sticks, SD cards and some file systems lack (WAL needs it). The file is
// never opened through a link.
class CSqliteHistory final : public HistoryStore {
public:
    static constexpr int kSchemaVersion = 2;
    static constexpr int kBusyTimeoutMs = 3000;
    static constexpr std::int32_t kApplicationId = 0x44617276; // "Darv"
    // The tables of the first version, which a new database is made from too.
    static const char* const kVersion1Tables;

    enum class Mode { ReadWrite, ReadOnly };

    // The database at path. ReadWrite creates it when missing; a new database
    // takes over the records of the CSV file takeOver (when given and present)
    // in the step that makes it. A file the system lets this process only read
    // opens read-only. nullptr with the reason when it cannot be opened.
    static std::unique_ptr<CSqliteHistory> Open(const std::string& path, Mode mode, std::size_t limit,
                                                const std::string& takeOver, HistoryError& error);
    ~CSqliteHistory() override;
    CSqliteHistory(const CSqliteHistory&) = delete;
    CSqliteHistory& operator=(const CSqliteHistory&) = delete;

    bool Load(std::vector<HistoryRecord>& records, HistoryError& error) override;
    // The newest count records as Load orders them (every record for 0).
    bool LoadNewest(std::size_t count, std::vector<HistoryRecord>& records, HistoryError& error);
    bool Add(const HistoryRecord& record, HistoryError& error) override;
    bool Annotate(std::string_view id, std::optional<std::string_view> note, std::optional<std::string_view> machine,
                  std::string_view time, std::string_view author, HistoryError& error) override;
    bool Delete(std::string_view id, std::string_view time, std::string_view author, HistoryError& error) override;
    bool Pending(std::size_t batch, HistoryChanges& pending, HistoryError& error) override;
    bool MarkSent(const HistoryChanges& sent, HistoryError& error) override;
    bool Apply(const HistoryChanges& batch, std::size_t& skipped, HistoryError& error) override;
    bool Cursor(std::string_view serverId, std::string_view table, std::string& horizon, HistoryError& error) override;
    bool SetCursor(std::string_view serverId, std::string_view table, std::string_view horizon,
                   HistoryError& error) override;
    bool IsReadOnly() const override { return m_bReadOnly; }
    const HistoryError& ReadOnlyReason() const override { return m_readOnlyReason; }
    const std::string& Where() const override { return m_strPath; }

    // PRAGMA integrity_check's verdict: "ok" for a sound file.
    std::string CheckIntegrity();

private:
    enum Statement {
        kInsert, kInsertUnlessRemoved, kBeyondLimit, kRememberCut, kSetNote, kSetMachine, kDelete, kMarkDeleted,
        kNoteStamp, kMachineStamp, kTakeNote, kTakeMachine, kTakeDeletion,
        kPendingRecords, kPendingNotes, kPendingMachines, kPendingDeletions,
        kSentRecord, kSentNote, kSentMachine, kSentDeletion, kCursor, kSetCursor, kOtherCursors, kStatements
    };
    enum class From { Here, Server };

    CSqliteHistory(sqlite3* db, std::string path, std::size_t limit);
    bool Prepare(Mode mode, const std::string& takeOver, HistoryError& error);
    bool Create(const std::string& takeOver, HistoryError& error);
    bool TakeOver(const std::string& csvPath, HistoryError& error);
    // Whether an earlier History.csv is there and nothing has been taken over yet.
    bool TakeOverPending(const std::string& takeOver);
    bool Insert(Statement which, const HistoryRecord& record, std::int64_t utcMs, From from, HistoryError& error);
    // Steps a statement whose parameters bind has set, to its end.
    bool Run(Statement which, const std::function<void(sqlite3_stmt*)>& bind, HistoryError& error);
    // Reads the rows of a statement, bound by bind, into row.
    bool Rows(Statement which, const std::function<void(sqlite3_stmt*)>& bind,
              const std::function<void(sqlite3_stmt*)>& row, HistoryError& error);
    // A change: fails on a store that may not be written, else runs work in
    // one transaction.
    bool Change(const std::function<bool(HistoryError&)>& work, HistoryError& error);
    // A server's value of a record, taken where it wins over the one held.
    bool TakeValue(bool note, const HistoryValue& value, HistoryError& error);
    bool Exec(const char* sql, HistoryError& error);
    bool Begin(HistoryError& error);
    bool Commit(HistoryError& error);
    void Rollback();
    // A statement ready to be bound, made once per connection.
    sqlite3_stmt* Get(Statement which, HistoryError& error);
    bool Fail(int rc, HistoryError& error) const;
    // The busy handler: waits for another connection's lock up to kBusyTimeoutMs.
    static int BusyWait(void* self, int attempt);

    sqlite3* m_db = nullptr;
    std::string m_strPath;
    std::size_t m_nLimit;
    bool m_bReadOnly = false;
    int m_nVersion = 0; // the file's schema version
    HistoryError m_readOnlyReason;
    std::array<sqlite3_stmt*, kStatements> m_statements{};
    std::chrono::steady_clock::time_point m_busySince;
};
