#pragma once
#include "data/HistoryStore.h"
#include "data/TeamServer.h"

#include <cstddef>

// What one pass of the team sync did.
struct TeamSyncResult {
    std::size_t m_nSent = 0;    // records, values and deletions the server has now
    std::size_t m_nTaken = 0;   // rows read from the server and handed to the store
    std::size_t m_nSkipped = 0; // rows from the server that are no valid change of the program
    std::size_t m_nRefused = 0; // deletions the server does not take (another user's record, or none)
    // Changes kept back, to be sent in a later pass: the server would refuse
    // them as they stand (a time more than a day ahead of the clock, a text
    // too long or no UTF-8).
    std::size_t m_nHeld = 0;
    HistoryError m_localError;  // why the pass stopped when the store failed
};

namespace team {

// How many changes of each kind go to the server in one transaction, and how
// many rows are read from it at a time.
inline constexpr std::size_t kSyncBatch = 200;

// One pass with the team server: sends what the store has not sent (each
// batch in one server transaction, marked sent once the server committed it),
// then takes what the server holds beyond the store's cursors (all tables from
// one snapshot, so that no value comes before its record), moving each cursor
// once its rows are in the store. A pass cut short anywhere loses nothing: the
// next one sends or reads again what was not confirmed, and both sides take a
// change twice as once. false with error when the server failed, or with
// result.m_localError (error stays None) when the store did.
bool SyncOnce(HistoryStore& local, TeamConnection& server, TeamSyncResult& result, TeamError& error);

} // namespace team
