#include "data/TeamSettings.h"

#include "data/TextCatalogue.h"
#include "platform/AtomicWrite.h"
#include "platform/ProfileFile.h"
#include "platform/TextEncoding.h"
#include "platform/UserDataDir.h"

#include <QFile>
#include <QString>

#include <array>
#include <charconv>
#include <cstdio>

namespace {

#ifdef _WIN32
constexpr std::string_view kEol = "\r\n";
#else
constexpr std::string_view kEol = "\n";
#endif
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

struct Key {
    const char* name;
    std::string TeamSettings::*field;
    bool optional; // written only when set
};
constexpr std::array kTextKeys{
    Key{"Host", &TeamSettings::m_strHost, false},
    Key{"Database", &TeamSettings::m_strDatabase, false},
    Key{"User", &TeamSettings::m_strUser, false},
    Key{"SslMode", &TeamSettings::m_strSslMode, false},
    Key{"SslRootCert", &TeamSettings::m_strSslRootCert, false},
    Key{"SslCert", &TeamSettings::m_strSslCert, true},
    Key{"SslKey", &TeamSettings::m_strSslKey, true},
};

bool ReadWhole(const std::string& path, std::string& bytes, bool& missing, std::string& why)
{
    QFile file(QString::fromStdString(path));
    missing = !file.exists();
    if (missing)
        return false;
    if (!file.open(QIODevice::ReadOnly)) {
        why = file.errorString().toStdString();
        return false;
    }
    const QByteArray all = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        why = file.errorString().toStdString();
        return false;
    }
    bytes.assign(all.constData(), static_cast<std::size_t>(all.size()));
    return true;
}

bool ParsePort(std::string_view text, int& port)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 1 || value > 65535)
        return false;
    port = value;
    return true;
}

// A value as FindProfileValue gives it back: quoted where blanks around it or
// a pair of quotes would otherwise be dropped.
std::string StoredValue(const std::string& value)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\v'; };
    const bool needsQuotes = !value.empty()
        && (blank(value.front()) || blank(value.back())
            || (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()));
    return needsQuotes ? '"' + value + '"' : value;
}

std::string Escaped(std::string_view field)
{
    std::string out;
    for (const char c : field) {
        if (c == ':' || c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

bool HasLineBreak(std::string_view value)
{
    return value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

} // namespace

bool TeamSettings::IsSet() const
{
    return !m_strHost.empty() && !m_strDatabase.empty() && !m_strUser.empty();
}

namespace team {

bool IsAcceptedSslMode(std::string_view mode)
{
    return mode == "disable" || mode == "require" || mode == "verify-ca" || mode == "verify-full";
}

std::string SettingsPath(bool create)
{
    return platform::UserSettingsPath(kSettingsFile, create);
}

std::string PasswordPath(bool create)
{
    return platform::UserSettingsPath(kPasswordFile, create);
}

bool ReadSettings(const std::string& path, TeamSettings& settings, TeamSettingsError& error)
{
    settings = TeamSettings();
    error = TeamSettingsError();
    error.m_strPath = path;
    std::string bytes;
    bool missing = false;
    if (!ReadWhole(path, bytes, missing, error.m_strDetail)) {
        if (missing)
            return true;
        error.m_kind = TeamSettingsError::Kind::Unreadable;
        return false;
    }
    std::string_view text = bytes;
    if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom)
        text.remove_prefix(kUtf8Bom.size());
    if (const std::size_t bad = platform::FirstInvalidUtf8(text); bad != std::string_view::npos) {
        error.m_kind = TeamSettingsError::Kind::NotUtf8;
        error.m_strDetail = "byte " + std::to_string(bad + 1);
        return false;
    }
    TeamSettings read;
    for (const Key& key : kTextKeys)
        if (const auto value = platform::FindProfileValue(text, kSection, key.name))
            read.*key.field = std::string(*value);
    // A value out of range is named; the others stay, so that a dialog can show them.
    if (const auto port = platform::FindProfileValue(text, kSection, "Port"); port && !ParsePort(*port, read.m_nPort)) {
        error.m_kind = TeamSettingsError::Kind::BadPort;
        error.m_strDetail = "Port=" + std::string(*port);
    }
    if (!IsAcceptedSslMode(read.m_strSslMode)) {
        error.m_kind = TeamSettingsError::Kind::BadSslMode;
        error.m_strDetail = "SslMode=" + read.m_strSslMode;
        read.m_strSslMode = TeamSettings().m_strSslMode;
    }
    settings = std::move(read);
    if (error)
        return false;
    error = TeamSettingsError();
    return true;
}

bool SettingsText(const TeamSettings& settings, std::string& text, TeamSettingsError& error)
{
    text = "[" + std::string(kSection) + "]" + std::string(kEol);
    const auto add = [&](const char* name, const std::string& value) {
        if (HasLineBreak(value)) {
            error.m_kind = TeamSettingsError::Kind::LineBreak;
            error.m_strDetail = name;
            return false;
        }
        text += std::string(name) + "=" + StoredValue(value) + std::string(kEol);
        return true;
    };
    for (const Key& key : kTextKeys) {
        if (key.optional && (settings.*key.field).empty())
            continue;
        if (!add(key.name, settings.*key.field))
            return false;
        if (key.field == &TeamSettings::m_strHost && !add("Port", std::to_string(settings.m_nPort)))
            return false;
    }
    return true;
}

std::string PasswordLine(const TeamSettings& settings, std::string_view password)
{
    return Escaped(settings.m_strHost) + ":" + std::to_string(settings.m_nPort) + ":" + Escaped(settings.m_strDatabase)
        + ":" + Escaped(settings.m_strUser) + ":" + Escaped(password) + "\n";
}

std::optional<std::string> PasswordFromText(std::string_view text)
{
    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;
        // The fifth field, up to the end of the line; a backslash takes the next character as it is.
        int field = 0;
        std::string password;
        for (std::size_t i = 0; i < line.size(); ++i) {
            char c = line[i];
            if (c == '\\' && i + 1 < line.size()) {
                c = line[++i];
            } else if (c == ':' && field < 4) {
                ++field;
                continue;
            }
            if (field == 4)
                password += c;
        }
        if (field == 4)
            return password;
    }
    return std::nullopt;
}

std::optional<std::string> StoredPassword(const std::string& path)
{
    std::string bytes, why;
    bool missing = false;
    if (!ReadWhole(path, bytes, missing, why))
        return std::nullopt;
    return PasswordFromText(bytes);
}

bool SaveSettings(const std::string& settingsPath, const std::string& passwordPath, const TeamSettings& settings,
                  const std::optional<std::string>& password, TeamSettingsError& error)
{
    error = TeamSettingsError();
    const auto fail = [&error](TeamSettingsError::Kind kind, const std::string& path, std::string detail) {
        error.m_kind = kind;
        error.m_strPath = path;
        error.m_strDetail = std::move(detail);
        return false;
    };
    if (settingsPath.empty() || passwordPath.empty())
        return fail(TeamSettingsError::Kind::NoFolder, settingsPath, {});
    if (!IsAcceptedSslMode(settings.m_strSslMode))
        return fail(TeamSettingsError::Kind::BadSslMode, settingsPath, "SslMode=" + settings.m_strSslMode);
    if (settings.m_nPort < 1 || settings.m_nPort > 65535)
        return fail(TeamSettingsError::Kind::BadPort, settingsPath, "Port=" + std::to_string(settings.m_nPort));
    std::string text;
    if (!SettingsText(settings, text, error)) {
        error.m_strPath = settingsPath;
        return false;
    }
    if (password && HasLineBreak(*password))
        return fail(TeamSettingsError::Kind::LineBreak, passwordPath, {});

    // The password file first, the settings after: a failure of the latter puts the former back.
    std::string oldPasswordFile, why;
    bool noPasswordFile = false;
    const bool hadPasswordFile = ReadWhole(passwordPath, oldPasswordFile, noPasswordFile, why);
    const std::optional<std::string> kept = password ? password : PasswordFromText(oldPasswordFile);
    const std::string newPasswordFile = kept ? PasswordLine(settings, *kept) : std::string();
    const bool passwordChanges = kept && newPasswordFile != oldPasswordFile;
    if (passwordChanges
        && !platform::WriteFileAtomically(passwordPath, newPasswordFile, why, platform::FileAccess::OwnerOnly))
        return fail(TeamSettingsError::Kind::WriteFailed, passwordPath, why);
    if (!platform::WriteFileAtomically(settingsPath, text, why)) {
        std::string ignored;
        if (passwordChanges && hadPasswordFile)
            platform::WriteFileAtomically(passwordPath, oldPasswordFile, ignored, platform::FileAccess::OwnerOnly);
        return fail(TeamSettingsError::Kind::WriteFailed, settingsPath, why);
    }
    return true;
}

std::string ErrorText(const TeamSettingsError& error, int lang)
{
    const LocalText& text = g_strTeamSettingsWhy[static_cast<std::size_t>(error.m_kind)];
    char buf[1024];
    std::snprintf(buf, sizeof buf, text[lang != 1 ? 0 : 1], error.m_strPath.c_str());
    std::string out = buf;
    if (!error.m_strDetail.empty())
        out += " (" + error.m_strDetail + ")";
    return out;
}

} // namespace team
