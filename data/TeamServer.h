#pragma once
#include "data/TeamSettings.h"

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The connection to the team history server. The PostgreSQL client and its
// libraries live in a module of their own (darvell_team beside the program),
// loaded on the first connect, so that a start of the program never loads them.

// How long a connect and a query may take by default, and how often a wait
// looks whether it was cancelled.
inline constexpr int kTeamConnectTimeoutMs = 10'000;
inline constexpr int kTeamQueryTimeoutMs = 30'000;
inline constexpr int kTeamCancelCheckMs = 50;
// The schema version (table server) this program knows.
inline constexpr int kTeamSchemaVersion = 1;

struct TeamError {
    enum class Kind { None, NotSet, ModuleMissing, SslModeRefused, RootCertMissing, Unreachable, Timeout, Password,
                      NoDatabase, NoSchema, NewerSchema, Certificate, Cancelled, Server };
    Kind m_kind = Kind::None;
    std::string m_strDetail; // the server's or the client library's words
    explicit operator bool() const { return m_kind != Kind::None; }
};

// One connection; one thread at a time uses it; Cancel() from any thread.
class TeamConnection {
public:
    virtual ~TeamConnection() = default;
    using Row = std::vector<std::optional<std::string>>;
    // Runs sql with $1.. params (text), waits at most timeoutMs; rows of text values.
    virtual bool Exec(std::string_view sql, const Row& params, std::vector<Row>& rows, int timeoutMs,
                      TeamError& error) = 0;
    virtual const std::string& ServerId() const = 0;   // server.server_id, read at connect
    virtual const std::string& SessionUser() const = 0;
    // Ends a running Exec at once (Cancelled) and closes the connection: every
    // later Exec fails Cancelled too.
    virtual void Cancel() = 0;
};

// Ends a ConnectTeam running on another thread, from any thread.
class TeamCancel {
public:
    void Cancel() noexcept { m_cancelled.store(true); }
    bool IsCancelled() const noexcept { return m_cancelled.load(); }

private:
    std::atomic<bool> m_cancelled{false};
};

struct TeamConnectOptions {
    const TeamCancel* cancel = nullptr;
    // A password to use instead of the password file's (the dialog's test of
    // a password not yet saved).
    std::optional<std::string> password;
};

// Connects to the server the settings name, with the password file
// team::PasswordPath(), and checks its schema (server.schema_version: none,
// NoSchema; above kTeamSchemaVersion, NewerSchema). Refused before any
// connect: settings not set (NotSet), an SSL mode not accepted
// (SslModeRefused), verify-ca or verify-full without a readable root
// certificate (RootCertMissing), no module (ModuleMissing). nullptr with error
// on failure.
std::unique_ptr<TeamConnection> ConnectTeam(const TeamSettings& settings, int timeoutMs, TeamError& error);
std::unique_ptr<TeamConnection> ConnectTeam(const TeamSettings& settings, const TeamConnectOptions& options,
                                            int timeoutMs, TeamError& error);

// What the module offers: one function of this type, exported as
// kTeamModuleEntry. passfile is the password file's path.
struct TeamModuleRequest {
    const TeamSettings* settings;
    const TeamConnectOptions* options;
    const char* passfile;
    int timeoutMs;
    int knownSchemaVersion;
    TeamError* error;
};
using TeamModuleConnect = TeamConnection* (*)(const TeamModuleRequest& request);
inline constexpr const char* kTeamModuleEntry = "darvell_team_connect_v1";
#ifdef _WIN32
inline constexpr const char* kTeamModuleFile = "darvell_team.dll";
#else
inline constexpr const char* kTeamModuleFile = "darvell_team.so";
#endif

namespace team {
// What failed, in words, in the catalogue's language (0 Chinese, 1 English):
// one text per kind; the server's own words after it where it refused.
std::string ErrorText(const TeamError& error, int lang);
} // namespace team
