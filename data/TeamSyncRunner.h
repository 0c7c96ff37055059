#pragma once
#include "data/HistoryStore.h"
#include "data/TeamServer.h"
#include "data/TeamSettings.h"

#include <QObject>

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class CHistory;

// Where the team sync stands, as the history window shows it.
struct TeamSyncState {
    enum class Kind { NotSet, UpToDate, Offline, Refused };
    Kind m_kind = Kind::NotSet;
    qint64 m_nSince = 0;        // ms since the epoch: the last good pass, or the first failed one since
    std::size_t m_nWaiting = 0; // offline: changes this laptop has not sent yet
    TeamError m_error;          // refused: the server's reason, or None when the history failed
    HistoryError m_localError;  // refused by this laptop's history
    bool m_bTook = false;       // the pass brought rows from the server: the records shown are old
};

namespace team {
// A pass runs at least this often while the program runs.
inline constexpr int kSyncPeriodMs = 5 * 60 * 1000;
// The state as one line in the catalogue's language (0 Chinese, 1 English).
std::string StateText(const TeamSyncState& state, int lang);
} // namespace team

// Runs the team sync passes of a history on a worker thread of its own, with a
// database connection and a server connection of its own (the server's kept
// between passes, made again after a failure). A pass runs when asked, after
// every change the history makes and every kSyncPeriodMs; asks that come while
// a pass runs make one more pass. The destructor cancels what runs and joins
// the worker without waiting for the network.
class CTeamSyncRunner : public QObject {
    Q_OBJECT
public:
    // Syncs history's database with the server of settings; nothing runs
    // unless the settings are set and the history has a database to write.
    CTeamSyncRunner(CHistory& history, TeamSettings settings, QObject* parent = nullptr);
    ~CTeamSyncRunner() override;

    // Asks for a pass; from any thread, never waits.
    void Ask();
    TeamSyncState State() const;

signals:
    // Each state a pass ends with, delivered on the runner's own thread.
    void StateChanged(const TeamSyncState& state);

private:
    void Run();
    void Pass(std::unique_ptr<HistoryStore>& store);
    void Publish(const TeamSyncState& state);

    CHistory& m_history;
    const TeamSettings m_settings;
    const std::string m_strPath;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_bAsked = false;
    bool m_bQuit = false;
    TeamSyncState m_state;
    TeamCancel m_cancel;
    std::unique_ptr<TeamConnection> m_server; // made and used on the worker; cancelled under m_mutex
    std::thread m_worker;
};
