// The team history server over libpq, as the module darvell_team: every wait
// is a poll against a deadline in short slices that also look for a cancel, so
// no connect or query outlasts its time and quitting never waits for the network.
#include "data/TeamServer.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <regex>
#include <thread>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#define DARVELL_TEAM_EXPORT extern "C" __declspec(dllexport)
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#define DARVELL_TEAM_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

#ifdef _WIN32
const char* GaiWords(int status) { return ::gai_strerrorA(status); }

// libpq opens the files a connection names (password file, certificates) by
// names in the system's code page. A name that code page cannot spell is
// given by its short (8.3) form, which it can; false when neither works.
bool CodePageName(const std::string& utf8, std::string& name)
{
    // Where the system's code page is UTF-8 (a Windows option), the name is
    // spelt as it stands; the conversion below would fail there, since
    // Windows takes no flags nor default character for UTF-8.
    if (::GetACP() == CP_UTF8) {
        name = utf8;
        return true;
    }
    const auto wide = [](const std::string& text) {
        std::wstring out(static_cast<std::size_t>(::MultiByteToWideChar(CP_UTF8, 0, text.data(),
                                                                         static_cast<int>(text.size()), nullptr, 0)),
                         L'\0');
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                              static_cast<int>(out.size()));
        return out;
    };
    const auto narrow = [](const std::wstring& text, std::string& out) {
        BOOL lossy = FALSE;
        const int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                                            nullptr, 0, nullptr, &lossy);
        if (lossy || (n == 0 && !text.empty()))
            return false;
        out.assign(static_cast<std::size_t>(n), '\0');
        ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()), out.data(), n,
                              nullptr, nullptr);
        return true;
    };
    const std::wstring full = wide(utf8);
    if (narrow(full, name))
        return true;
    std::wstring shortName(MAX_PATH, L'\0');
    const DWORD n = ::GetShortPathNameW(full.c_str(), shortName.data(), MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return false;
    shortName.resize(n);
    return narrow(shortName, name);
}
#else
const char* GaiWords(int status) { return ::gai_strerror(status); }

bool CodePageName(const std::string& utf8, std::string& name)
{
    name = utf8;
    return true;
}
#endif

using Clock = std::chrono::steady_clock;
using Kind = TeamError::Kind;

bool Fail(TeamError& error, Kind kind, std::string detail)
{
    error.m_kind = kind;
    error.m_strDetail = std::move(detail);
    return false;
}

// libpq's message without its trailing line break and the source location a
// verbose message adds.
std::string Words(const char* message)
{
    std::string out;
    std::string_view rest = message ? message : "";
    while (!rest.empty()) {
        const std::size_t eol = rest.find('\n');
        const std::string_view line = rest.substr(0, eol);
        rest.remove_prefix(eol == std::string_view::npos ? rest.size() : eol + 1);
        if (line.empty() || line.starts_with("LOCATION:"))
            continue;
        if (!out.empty())
            out += ' ';
        out += line;
    }
    return out;
}

// The kind a server's SQLSTATE stands for; Server for any other.
Kind KindOfState(std::string_view state)
{
    if (state == "28P01" || state == "28000")
        return Kind::Password;
    if (state == "3D000")
        return Kind::NoDatabase;
    if (state == "42P01")
        return Kind::NoSchema;
    if (state.starts_with("08"))
        return Kind::Unreachable;
    return Kind::Server;
}

// The SQLSTATE in a verbose message ("FATAL:  28P01: password ..."); empty without one.
std::string StateInMessage(const std::string& message)
{
    static const std::regex state(":  ([0-9A-Z]{5}): ");
    std::smatch match;
    return std::regex_search(message, match, state) ? match[1].str() : std::string();
}

// Waits until the socket is ready for what libpq asked, the deadline passes
// (Timeout) or the cancel flag is set (Cancelled).
bool WaitSocket(int socket, bool forWrite, Clock::time_point deadline, const std::atomic<bool>* cancel,
                const TeamCancel* token, TeamError& error)
{
    for (;;) {
        if ((cancel && cancel->load()) || (token && token->IsCancelled()))
            return Fail(error, Kind::Cancelled, {});
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return Fail(error, Kind::Timeout, {});
        if (socket < 0)
            return true; // nothing to wait on: libpq reports the state itself
        const int slice = static_cast<int>(std::min<long long>(left, kTeamCancelCheckMs));
#ifdef _WIN32
        WSAPOLLFD fd{static_cast<SOCKET>(socket), static_cast<SHORT>(forWrite ? POLLWRNORM : POLLRDNORM), 0};
        const int ready = ::WSAPoll(&fd, 1, slice);
#else
        pollfd fd{socket, static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
        const int ready = ::poll(&fd, 1, slice);
        if (ready < 0 && errno == EINTR)
            continue;
#endif
        if (ready != 0)
            return true; // ready, or an error libpq will read from the socket itself
    }
}

// The addresses of a host name, looked up on a thread of its own so that a
// resolver that hangs cannot hold the connect past its deadline or a cancel;
// a lookup given up finishes alone later. A numeric address is kept as it is.
bool ResolveHost(const std::string& host, Clock::time_point deadline, const TeamCancel* token,
                 std::vector<std::string>& addresses, TeamError& error)
{
    unsigned char probe[16];
    if (host.starts_with('/') || ::inet_pton(AF_INET, host.c_str(), probe) == 1
        || ::inet_pton(AF_INET6, host.c_str(), probe) == 1) {
        addresses.clear();
        return true;
    }
    struct Lookup {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        int status = 0;
        std::vector<std::string> addresses;
    };
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, host] {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* list = nullptr;
        const int status = ::getaddrinfo(host.c_str(), nullptr, &hints, &list);
        std::vector<std::string> found;
        for (const addrinfo* a = list; a && found.size() < 8; a = a->ai_next) {
            char text[INET6_ADDRSTRLEN] = {};
            const void* where = a->ai_family == AF_INET
                ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr)
                : static_cast<const void*>(&reinterpret_cast<const sockaddr_in6*>(a->ai_addr)->sin6_addr);
            if ((a->ai_family == AF_INET || a->ai_family == AF_INET6)
                && ::inet_ntop(a->ai_family, where, text, sizeof text))
                found.emplace_back(text);
        }
        if (list)
            ::freeaddrinfo(list);
        const std::lock_guard lock(lookup->mutex);
        lookup->status = status;
        lookup->addresses = std::move(found);
        lookup->finished = true;
        lookup->done.notify_all();
    }).detach();
    std::unique_lock lock(lookup->mutex);
    while (!lookup->finished) {
        if (token && token->IsCancelled())
            return Fail(error, Kind::Cancelled, {});
        if (Clock::now() >= deadline)
            return Fail(error, Kind::Timeout, {});
        lookup->done.wait_for(lock, std::chrono::milliseconds(kTeamCancelCheckMs));
    }
    if (lookup->status != 0 || lookup->addresses.empty())
        return Fail(error, Kind::Unreachable,
                    "could not translate host name \"" + host + "\": "
                        + (lookup->status != 0 ? std::string(GaiWords(lookup->status)) : "no address"));
    addresses = lookup->addresses;
    return true;
}

class CPgTeamConnection final : public TeamConnection {
public:
    explicit CPgTeamConnection(PGconn* conn) : m_conn(conn) {}
    ~CPgTeamConnection() override { Close(); }

    bool Exec(std::string_view sql, const Row& params, std::vector<Row>& rows, int timeoutMs,
              TeamError& error) override
    {
        return Exec(sql, params, rows, Clock::now() + std::chrono::milliseconds(timeoutMs), nullptr, error);
    }

    bool Exec(std::string_view sql, const Row& params, std::vector<Row>& rows, Clock::time_point deadline,
              const TeamCancel* token, TeamError& error)
    {
        error = TeamError();
        rows.clear();
        if (m_cancelled.load() || (token && token->IsCancelled())) {
            Close();
            return Fail(error, Kind::Cancelled, {});
        }
        if (!m_conn || ::PQstatus(m_conn) != CONNECTION_OK)
            return Fail(error, Kind::Unreachable, m_strLost.empty() ? "the connection is closed" : m_strLost);
        std::vector<const char*> values;
        for (const auto& p : params)
            values.push_back(p ? p->c_str() : nullptr);
        const std::string text(sql);
        if (!::PQsendQueryParams(m_conn, text.c_str(), static_cast<int>(values.size()), nullptr, values.data(),
                                 nullptr, nullptr, 0))
            return Lost(error);
        // Send all of it, then read until the last result.
        for (int flushed; (flushed = ::PQflush(m_conn)) != 0;) {
            if (flushed < 0)
                return Lost(error);
            if (!WaitSocket(::PQsocket(m_conn), true, deadline, &m_cancelled, token, error))
                return Abandon(error);
        }
        bool ok = true;
        for (;;) {
            while (::PQisBusy(m_conn)) {
                if (!WaitSocket(::PQsocket(m_conn), false, deadline, &m_cancelled, token, error))
                    return Abandon(error);
                if (!::PQconsumeInput(m_conn))
                    return Lost(error);
            }
            PGresult* result = ::PQgetResult(m_conn);
            if (!result)
                break;
            const ExecStatusType status = ::PQresultStatus(result);
            if (status == PGRES_TUPLES_OK) {
                for (int r = 0; r < ::PQntuples(result); ++r) {
                    Row& row = rows.emplace_back();
                    for (int c = 0; c < ::PQnfields(result); ++c)
                        row.push_back(::PQgetisnull(result, r, c)
                                          ? std::nullopt
                                          : std::optional<std::string>(std::string(
                                                ::PQgetvalue(result, r, c),
                                                static_cast<std::size_t>(::PQgetlength(result, r, c)))));
                }
            } else if (status != PGRES_COMMAND_OK && ok) {
                const char* state = ::PQresultErrorField(result, PG_DIAG_SQLSTATE);
                ok = Fail(error, KindOfState(state ? state : ""), Words(::PQresultErrorMessage(result)));
            }
            ::PQclear(result);
        }
        if (!ok)
            rows.clear();
        return ok;
    }

    const std::string& ServerId() const override { return m_strServerId; }
    const std::string& SessionUser() const override { return m_strSessionUser; }
    void Cancel() override { m_cancelled.store(true); }

    // Reads the server's id and the session's user, and checks the schema.
    bool CheckSchema(Clock::time_point deadline, const TeamCancel* token, int knownVersion, TeamError& error)
    {
        std::vector<Row> rows;
        if (!Exec("SELECT schema_version::text, server_id::text, session_user::text FROM server", {}, rows, deadline,
                  token, error))
            return false;
        if (rows.size() != 1 || !rows[0][0] || !rows[0][1] || !rows[0][2])
            return Fail(error, Kind::NoSchema, "table server holds " + std::to_string(rows.size()) + " rows");
        const int version = std::atoi(rows[0][0]->c_str());
        if (version > knownVersion)
            return Fail(error, Kind::NewerSchema, *rows[0][0]);
        if (version < 1)
            return Fail(error, Kind::NoSchema, "schema_version " + *rows[0][0]);
        m_strServerId = *rows[0][1];
        m_strSessionUser = *rows[0][2];
        return true;
    }

private:
    void Close()
    {
        if (m_conn)
            ::PQfinish(m_conn);
        m_conn = nullptr;
    }
    // The connection broke: its words, and no further use.
    bool Lost(TeamError& error)
    {
        m_strLost = Words(::PQerrorMessage(m_conn));
        Close();
        return Fail(error, Kind::Unreachable, m_strLost);
    }
    // A query given up (timeout, cancel): the connection is closed rather than
    // waiting for the server to end it, which the server notices by itself.
    bool Abandon(TeamError& error)
    {
        m_strLost = error.m_kind == Kind::Timeout ? "a query timed out" : "cancelled";
        Close();
        return false;
    }

    PGconn* m_conn;
    std::atomic<bool> m_cancelled{false};
    std::string m_strServerId, m_strSessionUser, m_strLost;
};

// The kind of a failed connect: the server's SQLSTATE where it sent one, else
// the stage at which the connect failed (still connecting: unreachable; in the
// TLS handshake: the certificate, where the words say so).
TeamError ConnectFailure(PGconn* conn, ConnStatusType stage)
{
    const std::string words = Words(::PQerrorMessage(conn));
    if (const std::string state = StateInMessage(words); !state.empty())
        return {KindOfState(state), words};
    if (::PQconnectionNeedsPassword(conn))
        return {Kind::Password, words};
    if (stage == CONNECTION_STARTED || stage == CONNECTION_NEEDED)
        return {Kind::Unreachable, words};
    if (stage == CONNECTION_SSL_STARTUP
        && (words.find("certificate") != std::string::npos || words.find("证书") != std::string::npos))
        return {Kind::Certificate, words};
    return {Kind::Server, words};
}

} // namespace

DARVELL_TEAM_EXPORT TeamConnection* darvell_team_connect_v1(const TeamModuleRequest& request)
{
    const TeamSettings& s = *request.settings;
    TeamError& error = *request.error;
    const TeamCancel* token = request.options->cancel;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(0, request.timeoutMs));
#ifdef _WIN32
    static const bool winsock = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)winsock;
#endif
    std::vector<std::string> addresses;
    if (!ResolveHost(s.m_strHost, deadline, token, addresses, error))
        return nullptr;
    // One host entry per address, so that the password file and the
    // certificate are matched against the name the user gave.
    std::string hosts = s.m_strHost, hostaddrs;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        hosts = i == 0 ? s.m_strHost : hosts + "," + s.m_strHost;
        hostaddrs += (i == 0 ? "" : ",") + addresses[i];
    }
    // libpq's own limit in whole seconds, a little later than ours, which ends the wait.
    const std::string port = std::to_string(s.m_nPort);
    const std::string connectTimeout = std::to_string(std::max(2, request.timeoutMs / 1000 + 2));
    // The files by names the client library can open.
    std::string passfile, rootCert, cert, keyFile;
    for (const auto& [from, to] : {std::pair{std::string(request.passfile), &passfile},
                                   std::pair{s.m_strSslRootCert, &rootCert}, std::pair{s.m_strSslCert, &cert},
                                   std::pair{s.m_strSslKey, &keyFile}})
        if (!from.empty() && !CodePageName(from, *to)) {
            Fail(error, Kind::Server, "the file name \"" + from + "\" cannot be passed to the client library in this system's code page");
            return nullptr;
        }
    std::vector<std::pair<const char*, const char*>> params = {
        {"host", hosts.c_str()},
        {"port", port.c_str()},
        {"dbname", s.m_strDatabase.c_str()},
        {"user", s.m_strUser.c_str()},
        {"sslmode", s.m_strSslMode.c_str()},
        {"gssencmode", "disable"},
        {"passfile", passfile.c_str()},
        {"connect_timeout", connectTimeout.c_str()},
        {"client_encoding", "UTF8"},
        {"application_name", "darvell"},
    };
    if (!hostaddrs.empty())
        params.emplace_back("hostaddr", hostaddrs.c_str());
    for (const auto& [name, value] : {std::pair{"sslrootcert", &rootCert}, std::pair{"sslcert", &cert},
                                      std::pair{"sslkey", &keyFile}})
        if (!value->empty())
            params.emplace_back(name, value->c_str());
    if (request.options->password)
        params.emplace_back("password", request.options->password->c_str());
    std::vector<const char*> keys, values;
    for (const auto& [key, value] : params) {
        keys.push_back(key);
        values.push_back(value);
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);

    PGconn* conn = ::PQconnectStartParams(keys.data(), values.data(), 0);
    if (!conn) {
        Fail(error, Kind::Server, "out of memory");
        return nullptr;
    }
    // Messages carry the server's SQLSTATE.
    ::PQsetErrorVerbosity(conn, PQERRORS_VERBOSE);
    const auto give_up = [conn] {
        ::PQfinish(conn);
        return nullptr;
    };
    if (::PQstatus(conn) == CONNECTION_BAD) {
        error = ConnectFailure(conn, CONNECTION_NEEDED);
        return give_up();
    }
    for (PostgresPollingStatusType polling = PGRES_POLLING_WRITING; polling != PGRES_POLLING_OK;) {
        if (polling == PGRES_POLLING_READING || polling == PGRES_POLLING_WRITING) {
            if (!WaitSocket(::PQsocket(conn), polling == PGRES_POLLING_WRITING, deadline, nullptr, token, error))
                return give_up();
        }
        const ConnStatusType stage = ::PQstatus(conn);
        polling = ::PQconnectPoll(conn);
        if (polling == PGRES_POLLING_FAILED) {
            error = ConnectFailure(conn, stage);
            return give_up();
        }
    }
    if (::PQsetnonblocking(conn, 1) != 0) {
        error = {Kind::Server, Words(::PQerrorMessage(conn))};
        return give_up();
    }
    auto connection = std::make_unique<CPgTeamConnection>(conn);
    if (!connection->CheckSchema(deadline, token, request.knownSchemaVersion, error))
        return nullptr;
    return connection.release();
}
