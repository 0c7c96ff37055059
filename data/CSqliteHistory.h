#pragma once
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "data/HistoryStore.h"

struct sqlite3;
struct sqlite3_stmt;

// The history in an SQLite database file (History.sqlite).
//
// One table of records named by their id, the note and its time in columns of
// their own; the ids of removed records; the files taken over. The schema's
// version is PRAGMA user_version: a newer database than this program knows is
// read where it can be and never changed.
//
// Each change is one transaction; a second writer waits (busy timeout) for
// the first. Past the limit, a new record removes the oldest in its own
// transaction. A rollback journal that is truncated at commit and synced
// (synchronous FULL) keeps every acknowledged change through a power cut and
// needs no shared memory, which USB sticks, SD cards and some file systems
// lack (WAL needs it). The file is never opened through a link.
class CSqliteHistory final : public HistoryStore {
public:
    static constexpr int kSchemaVersion = 1;
    static constexpr int kBusyTimeoutMs = 3000;
    static constexpr std::int32_t kApplicationId = 0x44617276; // "Darv"

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
    bool Add(const HistoryRecord& record, HistoryError& error) override;
    bool SetNote(std::string_view id, std::string_view note, std::string_view time, HistoryError& error) override;
    bool Delete(std::string_view id, std::string_view time, HistoryError& error) override;
    bool IsReadOnly() const override { return m_bReadOnly; }
    const HistoryError& ReadOnlyReason() const override { return m_readOnlyReason; }
    const std::string& Where() const override { return m_strPath; }

    // PRAGMA integrity_check's verdict: "ok" for a sound file.
    std::string CheckIntegrity();

private:
    enum Statement { kInsert, kTakeOverInsert, kCut, kSetNote, kDelete, kMarkDeleted, kStatements };

    CSqliteHistory(sqlite3* db, std::string path, std::size_t limit);
    bool Prepare(Mode mode, const std::string& takeOver, HistoryError& error);
    bool Create(const std::string& takeOver, HistoryError& error);
    bool TakeOver(const std::string& csvPath, HistoryError& error);
    // Whether an earlier History.csv is there and nothing has been taken over yet.
    bool TakeOverPending(const std::string& takeOver);
    bool Insert(Statement which, const HistoryRecord& record, std::int64_t utcMs, HistoryError& error);
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
    HistoryError m_readOnlyReason;
    std::array<sqlite3_stmt*, kStatements> m_statements{};
    std::chrono::steady_clock::time_point m_busySince;
};
