#include "data/TeamServer.h"

#include "data/TextCatalogue.h"
#include "platform/ExeDir.h"

#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QString>

#include <mutex>

namespace {

// The module, loaded once and kept for the rest of the run: the client
// library's threads and handlers must not lose their code under them.
TeamModuleConnect LoadModule(std::string& why)
{
    static std::mutex mutex;
    static QLibrary library; // never unloaded: QLibrary's destructor leaves the module in place
    static TeamModuleConnect connect = nullptr;
    const std::lock_guard lock(mutex);
    if (connect)
        return connect;
    library.setFileName(QString::fromStdString(platform::ExecutableDir()) + u'/' + QString::fromLatin1(kTeamModuleFile));
    connect = reinterpret_cast<TeamModuleConnect>(library.resolve(kTeamModuleEntry));
    if (!connect)
        why = library.errorString().toStdString();
    return connect;
}

bool Readable(const std::string& path)
{
    const QString name = QString::fromStdString(path);
    QFile file(name);
    return !path.empty() && QFileInfo(name).isFile() && file.open(QIODevice::ReadOnly);
}

} // namespace

std::unique_ptr<TeamConnection> ConnectTeam(const TeamSettings& settings, int timeoutMs, TeamError& error)
{
    return ConnectTeam(settings, TeamConnectOptions(), timeoutMs, error);
}

std::unique_ptr<TeamConnection> ConnectTeam(const TeamSettings& settings, const TeamConnectOptions& options,
                                            int timeoutMs, TeamError& error)
{
    error = TeamError();
    const auto fail = [&error](TeamError::Kind kind, std::string detail) {
        error.m_kind = kind;
        error.m_strDetail = std::move(detail);
        return nullptr;
    };
    if (!settings.IsSet())
        return fail(TeamError::Kind::NotSet, {});
    if (!team::IsAcceptedSslMode(settings.m_strSslMode))
        return fail(TeamError::Kind::SslModeRefused, settings.m_strSslMode);
    if (settings.m_strSslMode.starts_with("verify-") && !Readable(settings.m_strSslRootCert))
        return fail(TeamError::Kind::RootCertMissing, settings.m_strSslRootCert);
    std::string why;
    const TeamModuleConnect connect = LoadModule(why);
    if (!connect)
        return fail(TeamError::Kind::ModuleMissing, why);
    const std::string passfile = team::PasswordPath();
    const TeamModuleRequest request{&settings, &options, passfile.c_str(), timeoutMs, kTeamSchemaVersion, &error};
    std::unique_ptr<TeamConnection> connection(connect(request));
    if (!connection && !error)
        error.m_kind = TeamError::Kind::Server;
    return connection;
}

namespace team {

std::string ErrorText(const TeamError& error, int lang)
{
    std::string text = g_strTeamWhy[static_cast<std::size_t>(error.m_kind)][lang != 1 ? 0 : 1];
    if (error.m_kind == TeamError::Kind::Server || error.m_kind == TeamError::Kind::NewerSchema)
        text += " " + error.m_strDetail;
    return text;
}

} // namespace team
