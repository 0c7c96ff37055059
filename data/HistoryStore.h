#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
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

// A note or machine value of a record: who set it when, and the id the team
// server gave that change (none while it is this laptop's and unconfirmed).
struct HistoryValue {
    std::string m_strRecordId;
    std::string m_strValue;
    std::string m_strTime;   // ISO 8601 with its offset
    std::string m_strAuthor; // the team server user; empty when none was set
    std::optional<std::int64_t> m_nChangeId;
};

// A record removed by hand, and by whom.
struct HistoryDeletion {
    std::string m_strRecordId;
    std::string m_strTime;
    std::string m_strAuthor;
};

// Changes between a store and the team server: those not sent yet, those
// sent (with the server's change ids where known), or a batch taken from the
// server (records with their author and laptop).
struct HistoryChanges {
    std::vector<HistoryRecord> m_records;
    std::vector<HistoryValue> m_notes;
    std::vector<HistoryValue> m_machines;
    std::vector<HistoryDeletion> m_deletions;
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
    // Sets the note and the machine of the record named id, each that is
    // given, written at time (ISO 8601) by author (the team server user, empty
    // when none), in one step; each becomes a change to send.
    virtual bool Annotate(std::string_view id, std::optional<std::string_view> note,
                          std::optional<std::string_view> machine, std::string_view time, std::string_view author,
                          HistoryError& error) = 0;
    // Removes the record named id and remembers that it was removed, so that
    // no later import or sync brings it back.
    virtual bool Delete(std::string_view id, std::string_view time, std::string_view author, HistoryError& error) = 0;

    // The local half of the sync with a team server; a store that has none
    // refuses them. Each is one short transaction.
    //
    // What the server may lack, oldest first, up to batch of each kind:
    // records made here not sent, note and machine values not sent, deletions
    // not sent.
    virtual bool Pending(std::size_t /*batch*/, HistoryChanges& /*pending*/, HistoryError& error) { return NoSync(error); }
    // Marks what was sent: records and deletions by id, values by id, time
    // and value, so that a value changed since it was read stays to be sent.
    // A value's change id, when given, is kept as the server's confirmation.
    virtual bool MarkSent(const HistoryChanges& /*sent*/, HistoryError& error) { return NoSync(error); }
    // Takes a batch from the server: new records (never one removed here),
    // the values that win over those held, deletions. A record, value or
    // deletion that is no valid one of the program is skipped and counted.
    virtual bool Apply(const HistoryChanges& /*batch*/, std::size_t& /*skipped*/, HistoryError& error) { return NoSync(error); }
    // Where the pull of table from the server serverId stands; empty to
    // start from the beginning (nothing read yet, or another server).
    virtual bool Cursor(std::string_view /*serverId*/, std::string_view /*table*/, std::string& /*horizon*/, HistoryError& error)
    {
        return NoSync(error);
    }
    // Keeps it; the cursors of any other server go.
    virtual bool SetCursor(std::string_view /*serverId*/, std::string_view /*table*/, std::string_view /*horizon*/,
                           HistoryError& error)
    {
        return NoSync(error);
    }

    virtual bool IsReadOnly() const = 0;
    // Why a store that was meant to be written is read-only (a newer version's
    // database); no error for one that is read-only by its place.
    virtual const HistoryError& ReadOnlyReason() const = 0;
    // The file (or server) as the user may be told.
    virtual const std::string& Where() const = 0;

protected:
    bool NoSync(HistoryError& error) const
    {
        error = {HistoryError::Kind::ReadOnly, Where()};
        return false;
    }
};
