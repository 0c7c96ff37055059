#include "data/TeamSyncRunner.h"

#include "data/CHistory.h"
#include "data/CSqliteHistory.h"
#include "data/TeamSync.h"
#include "data/TextCatalogue.h"

#include <QDateTime>
#include <QString>

#include <chrono>
#include <utility>

namespace {

std::string TimeText(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString();
}

// The server could not be reached in time: the changes wait for a later pass.
bool IsOffline(TeamError::Kind kind)
{
    return kind == TeamError::Kind::Unreachable || kind == TeamError::Kind::Timeout
        || kind == TeamError::Kind::Cancelled;
}

} // namespace

namespace team {

std::string StateText(const TeamSyncState& state, int lang)
{
    const int l = lang != 1 ? 0 : 1;
    switch (state.m_kind) {
    case TeamSyncState::Kind::NotSet:
        return g_strTeamStateNotSet[l];
    case TeamSyncState::Kind::UpToDate:
        return QString::asprintf(g_strTeamStateUpToDate[l], TimeText(state.m_nSince).c_str()).toStdString();
    case TeamSyncState::Kind::Offline:
        return QString::asprintf(g_strTeamStateOffline[l], TimeText(state.m_nSince).c_str(),
                                 std::to_string(state.m_nWaiting).c_str())
            .toStdString();
    case TeamSyncState::Kind::Refused:
        break;
    }
    std::string why = state.m_error ? ErrorText(state.m_error, l) : CHistory::Reason(state.m_localError, l);
    return QString::asprintf(g_strTeamStateRefused[l], why.c_str()).toStdString();
}

} // namespace team

CTeamSyncRunner::CTeamSyncRunner(CHistory& history, TeamSettings settings, QObject* parent)
    : QObject(parent), m_history(history), m_settings(std::move(settings)),
      m_strPath(m_settings.IsSet() ? history.WritablePath() : std::string())
{
    qRegisterMetaType<TeamSyncState>();
    if (m_strPath.empty()) {
        if (m_settings.IsSet()) { // set, but there is no history to send
            m_state.m_kind = TeamSyncState::Kind::Refused;
            m_state.m_localError = history.Problem();
        }
        return;
    }
    m_history.SetOnChange([this] { Ask(); });
    m_worker = std::thread([this] { Run(); });
}

CTeamSyncRunner::~CTeamSyncRunner()
{
    m_history.SetOnChange({});
    {
        std::lock_guard lock(m_mutex);
        m_bQuit = true;
        m_cancel.Cancel();
        if (m_server)
            m_server->Cancel();
    }
    m_wake.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

void CTeamSyncRunner::Ask()
{
    {
        std::lock_guard lock(m_mutex);
        m_bAsked = true;
    }
    m_wake.notify_all();
}

TeamSyncState CTeamSyncRunner::State() const
{
    std::lock_guard lock(m_mutex);
    return m_state;
}

void CTeamSyncRunner::Run()
{
    std::unique_ptr<HistoryStore> store; // this thread's own connection to the database
    std::unique_lock lock(m_mutex);
    while (!m_bQuit) {
        // A pass when asked, else once the period is over.
        m_wake.wait_for(lock, std::chrono::milliseconds(team::kSyncPeriodMs), [this] { return m_bAsked || m_bQuit; });
        if (m_bQuit)
            break;
        m_bAsked = false;
        lock.unlock();
        Pass(store);
        lock.lock();
    }
    lock.unlock();
    std::unique_ptr<TeamConnection> server;
    {
        std::lock_guard guard(m_mutex);
        server = std::move(m_server);
    }
}

void CTeamSyncRunner::Pass(std::unique_ptr<HistoryStore>& store)
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    TeamSyncState state;
    state.m_nSince = now;
    TeamError error;
    if (!store)
        store = CSqliteHistory::Open(m_strPath, CSqliteHistory::Mode::ReadWrite, CHistory::kMaxRecords, {},
                                     state.m_localError);
    if (!store) {
        state.m_kind = TeamSyncState::Kind::Refused;
        Publish(state);
        return;
    }
    if (!m_server) {
        auto server = ConnectTeam(m_settings, {.cancel = &m_cancel, .password = std::nullopt}, kTeamConnectTimeoutMs, error);
        std::lock_guard lock(m_mutex);
        if (m_bQuit)
            return; // server, if made, closes unused
        m_server = std::move(server);
    }
    TeamSyncResult result;
    if (m_server && team::SyncOnce(*store, *m_server, result, error)) {
        state.m_kind = TeamSyncState::Kind::UpToDate;
    } else if (error) {
        {
            std::lock_guard lock(m_mutex);
            if (m_bQuit)
                return;
            m_server.reset(); // made again by the next pass
        }
        state.m_kind = IsOffline(error.m_kind) ? TeamSyncState::Kind::Offline : TeamSyncState::Kind::Refused;
        state.m_error = error;
        HistoryChanges waiting;
        HistoryError ignored;
        if (state.m_kind == TeamSyncState::Kind::Offline
            && store->Pending(CHistory::kMaxRecords, waiting, ignored))
            state.m_nWaiting = waiting.m_records.size() + waiting.m_notes.size() + waiting.m_machines.size()
                + waiting.m_deletions.size();
    } else {
        state.m_kind = TeamSyncState::Kind::Refused;
        state.m_localError = result.m_localError;
        store.reset(); // opened again by the next pass
    }
    state.m_bTook = result.m_nTaken > 0;
    Publish(state);
}

void CTeamSyncRunner::Publish(const TeamSyncState& state)
{
    TeamSyncState published = state;
    {
        std::lock_guard lock(m_mutex);
        // Offline since the first pass that failed to reach the server.
        if (published.m_kind == TeamSyncState::Kind::Offline && m_state.m_kind == TeamSyncState::Kind::Offline)
            published.m_nSince = m_state.m_nSince;
        m_state = published;
    }
    emit StateChanged(published);
}
