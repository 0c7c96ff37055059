#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "data/HistoryRecord.h"

// Why a history could not be read or written.
struct HistoryError {
    enum class Kind {
        None,
        NoPlace,  // no folder to keep a history in
        Busy,     // another copy held the history past the wait
        Full,     // the disk is full
        ReadOnly, // the file or its medium takes no writes
        Damaged,  // the file is damaged, or no database at all
        Newer,    // made by a newer version of the program: read, never changed
        Foreign,  // a database that is no history of this program
        Link,     // the file is a link; links are not followed
        Gone,     // the record is no longer in the history
        Other,
    };
    Kind m_kind = Kind::None;
    std::string m_strDetail; // the store's own words, and the file

    explicit operator bool() const { return m_kind != Kind::None; }
};

// Where diagnosis records are kept: a database file on this machine today,
// a server later. Every change is one transaction of its own; a store that
// cannot be written says so through IsReadOnly() and fails each change.
class HistoryStore {
public:
    virtual ~HistoryStore() = default;

    // Every record, oldest first, notes in place.
    virtual bool Load(std::vector<HistoryRecord>& records, HistoryError& error) = 0;
    // Keeps a new record, its id and time set; past the store's limit the
    // oldest records go in the same step.
    virtual bool Add(const HistoryRecord& record, HistoryError& error) = 0;
    // Sets the note of the record named id, written at time (ISO 8601).
    virtual bool SetNote(std::string_view id, std::string_view note, std::string_view time, HistoryError& error) = 0;
    // Removes the record named id and remembers that it was removed, so that
    // no later import brings it back.
    virtual bool Delete(std::string_view id, std::string_view time, HistoryError& error) = 0;

    virtual bool IsReadOnly() const = 0;
    // Why a store that was meant to be written is read-only (a newer version's
    // database); no error for one that is read-only by its place.
    virtual const HistoryError& ReadOnlyReason() const = 0;
    // The file (or server) as the user may be told.
    virtual const std::string& Where() const = 0;
};
