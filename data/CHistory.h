#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/HistoryStore.h"

class CSqliteHistory;

// The diagnosis history as the program sees it: the database new records go
// to, and beside it a history it can only read.
//
// The database is History.sqlite in the data directory QL7_Tool beside the
// program; where that folder cannot take it (not writable, or its
// History.sqlite opened read-only), in the user's data folder, and then the
// history in QL7_Tool (History.sqlite, else History.csv) is listed too,
// read-only. A new database takes over the History.csv of its own folder.
// Nothing is opened before it is needed.
class CHistory {
public:
    static constexpr std::size_t kMaxRecords = 20000;
    static constexpr const char* kFileName = "History.sqlite";

    CHistory();
    // The history in the database at path (tests, benchmarks): no other place.
    explicit CHistory(std::string path);
    ~CHistory();
    CHistory(const CHistory&) = delete;
    CHistory& operator=(const CHistory&) = delete;

    // The records, oldest first, the read-only ones marked; read on the first call.
    const std::vector<HistoryRecord>& Records();
    // Reads the records again: another copy of the program may have added some.
    void Reload();
    // Reads only the newest count records of each history (a first screen):
    // Records() holds no others until Reload or Take.
    void ReloadNewest(std::size_t count);
    // Whether Records() holds every record, not only the newest.
    bool IsWhole() const { return m_bWhole; }

    // The records as a reading on another thread made them.
    struct Loaded {
        std::vector<HistoryRecord> m_records;
        HistoryError m_error; // the read failed: the records are not whole
        std::uint64_t m_nGeneration = 0; // Generation() when the reading began
    };
    // A reading of the records that runs on any thread, each run with database
    // connections of its own; refers to nothing of this object.
    std::function<Loaded()> Reader();
    // Counts the changes this object makes: a reading begun before the last
    // of them misses it.
    std::uint64_t Generation() const { return m_nGeneration; }
    // Keeps the records of a reading, moved; a failed reading only its reason.
    void Take(Loaded&& loaded);
    // Keeps a new record; false when it could not be kept (LastFailure says why).
    bool Append(const HistoryRecord& record);
    // Sets the note and the machine of the record named id in one step (each
    // only where it changed, so that the other keeps its time); false with the reason.
    bool Annotate(const std::string& id, std::string_view note, std::string_view machine, HistoryError& error);
    // Removes the record named id for good; false with the reason.
    bool Delete(const std::string& id, HistoryError& error);
    // Whether a loaded record may be deleted: a writable one, and with a team
    // server user set only one that user made (or one made here before any
    // was set, which the server takes as that user's when it is sent): the
    // server keeps another's record, so deleting it here would split the
    // history between the laptops.
    bool MayDelete(const HistoryRecord& record) const;
    // The team server user that new records and changes are made by; none by default.
    void SetAuthor(std::string author) { m_strAuthor = std::move(author); }
    // Called after each record, note or machine change or deletion this object
    // keeps (the team sync's ask for a pass); none by default.
    void SetOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }
    // The machines the records name, each once, sorted.
    std::vector<std::string> Machines();

    // The file new records go to; empty when there is none.
    std::string WritablePath();
    // The history listed read-only beside it; empty when there is none.
    std::string ReadOnlyPath();
    // Why nothing can be recorded or shown: no folder, a newer version's
    // database, a damaged file... None when all is well.
    HistoryError Problem();
    // Why results are not being kept, from the first failed write of this
    // object on; None before.
    const HistoryError& LastFailure() const { return m_failure; }

    // A reason in the language's words (the store's own for an unusual one).
    static std::string Reason(const HistoryError& error, int language);

private:
    void Open();
    void OpenOnce(); // Open unless it was tried
    void Changed()
    {
        ++m_nGeneration;
        if (m_onChange)
            m_onChange();
    }
    // The loaded record named id when it can be changed; else end() and why not.
    std::vector<HistoryRecord>::iterator Writable(const std::string& id, HistoryError& error);

    std::string m_strPath; // the one database given, or empty: the program's places
    bool m_bOpened = false;
    bool m_bLoaded = false;
    bool m_bWhole = true;
    std::unique_ptr<CSqliteHistory> m_writable;
    std::unique_ptr<HistoryStore> m_readOnly;
    HistoryError m_openError;
    HistoryError m_loadError;
    HistoryError m_failure;
    std::vector<HistoryRecord> m_records;
    std::uint64_t m_nGeneration = 0;
    std::string m_strAuthor;
    std::function<void()> m_onChange;
    std::string m_strLaptop; // this computer's host name, taken once
};
