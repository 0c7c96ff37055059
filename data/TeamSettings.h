#pragma once
#include <optional>
#include <string>
#include <string_view>

// Where this user's team history server is and how to reach it: Team.ini
// (section "Team") in the user's settings folder, and the password alone in
// the program's own libpq password file "pgpass" beside it, which only the
// user may read. The password is never kept anywhere else.
struct TeamSettings {
    std::string m_strHost;
    int m_nPort = 5432;
    std::string m_strDatabase, m_strUser, m_strSslMode = "verify-full", m_strSslRootCert, m_strSslCert,
        m_strSslKey;

    // A server is named: host, database and user all given.
    bool IsSet() const;
    bool operator==(const TeamSettings&) const = default;
};

// Why Team.ini or pgpass could not be read or written. m_strPath names the
// file, m_strDetail the offending key and value or the system's reason.
struct TeamSettingsError {
    enum class Kind { None, NoFolder, Unreadable, NotUtf8, BadPort, BadSslMode, LineBreak, WriteFailed };
    Kind m_kind = Kind::None;
    std::string m_strPath;
    std::string m_strDetail;
    explicit operator bool() const { return m_kind != Kind::None; }
};

namespace team {

inline constexpr const char* kSettingsFile = "Team.ini";
inline constexpr const char* kPasswordFile = "pgpass";
inline constexpr const char* kSection = "Team";

// disable, require, verify-ca and verify-full: the modes that never fall back
// to a plain connection the user did not ask for.
bool IsAcceptedSslMode(std::string_view mode);

// Team.ini and pgpass in this user's settings folder (made when create is set);
// empty without a home.
std::string SettingsPath(bool create = false);
std::string PasswordPath(bool create = false);

// Reads the settings from path. A missing file is no error: the defaults, not
// set. A file that cannot be read, holds bytes that are not UTF-8, a port that
// is no number from 1 to 65535 or an SSL mode that is not accepted gives false
// and says so in error; settings then holds the defaults, or for a value out
// of range the other values read and that one's default.
bool ReadSettings(const std::string& path, TeamSettings& settings, TeamSettingsError& error);

// Team.ini's whole text for settings; a value with a line break cannot be
// stored and gives false with error.
bool SettingsText(const TeamSettings& settings, std::string& text, TeamSettingsError& error);

// One line of a libpq password file for the settings' server, ':' and '\'
// escaped as libpq reads them, and the password of the first entry of such a
// file's text (nullopt without one).
std::string PasswordLine(const TeamSettings& settings, std::string_view password);
std::optional<std::string> PasswordFromText(std::string_view text);

// The password stored in the password file at path; nullopt without one.
std::optional<std::string> StoredPassword(const std::string& path);

// Saves settings as Team.ini at settingsPath and, with a password, that
// password for them in the password file at passwordPath; without one, the
// stored password is kept, now for these settings. Each file is written whole
// through a temporary one, the password file readable by the user alone before
// the password is in it. False with where and why: the settings stay as they
// were (a password file already written is put back).
bool SaveSettings(const std::string& settingsPath, const std::string& passwordPath, const TeamSettings& settings,
                  const std::optional<std::string>& password, TeamSettingsError& error);

// The message of an error in the catalogue's language (0 Chinese, 1 English).
std::string ErrorText(const TeamSettingsError& error, int lang);

} // namespace team
