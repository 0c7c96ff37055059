#pragma once
#include <span>
#include <string>
#include <string_view>

#include "platform/TextEncoding.h"

struct AppState;

// Access to the data directory's text files: "Setting.ini", "Help.ini" and the
// cause/remedy file of the current series and language. Short-lived: made for
// one task and dropped after it. Every read opens its file anew.
class COperateIni {
public:
    // Where the settings are kept: the data directory's "Setting.ini", unless
    // this process may not write it (access denied, a read-only medium, as in
    // an installation for every user of a machine). Then the user's own copy
    // in the user's settings folder takes the settings, and is read in its
    // place once it exists; the data directory's file must still be there and
    // is never written. A later right to write it makes it the place again.
    struct SettingsPlace {
        std::string file;     // the file read
        std::string userCopy; // the user's copy while the data directory's file cannot be written
        std::string reason;   // why it cannot: the system's words
        bool InUserCopy() const { return !userCopy.empty() && file == userCopy; }
    };
    SettingsPlace LocateSettings() const;

    explicit COperateIni(AppState& app);                 // both members empty
    COperateIni(AppState& app, int unitsIndex);          // prefix and cause file chosen
    virtual ~COperateIni() = default;

    bool CheckSettingFile() const;
    bool CheckHelpFile() const;
    bool CheckCauseFile() const;   // file of the current series and language
    bool HasCauseFile() const;     // file chosen at construction

    bool ReadSettings();           // may write repairs of empty values
    // Writes both values; in the user's copy (LocateSettings) only when they
    // differ from those kept.
    bool WriteSettings(int language, int series);
    bool ReadHelp();
    bool ReadCauseRemedy(int nErrNo, std::string& remedy, std::string& cause, int nSide) const;

    static std::string ConvertEscapes(const char* text);

    // The ANSI code page a data file is read in when it is neither UTF-8 nor
    // UTF-16, by its name (the last part of path): GB18030 for "Help.ini", which
    // holds both languages, and the Chinese "J" cause files; Windows-1252 for
    // "Setting.ini" and the English "E" cause files.
    static platform::TextEncoding FileAnsi(std::string_view path);

    std::string CauseFilePath() const;
    const std::string& File() const { return m_strFile; }
    const std::string& Prefix() const { return m_strPrefix; }

    // Section name of an error number for this object's prefix, e.g. "3LINEE12".
    std::string SectionName(int nErrNo, int nSide) const;

    // The settings and help files of the data directory (platform::DataPath).
    static constexpr const char* kSettingFile = "Setting.ini";
    static constexpr const char* kHelpFile = "Help.ini";

private:
    // Stores values of section "Setting" where place says.
    static bool StoreSettings(const SettingsPlace& place, std::span<const std::pair<std::string_view, std::string_view>> values);

    AppState& m_app;
    std::string m_strFile;
    std::string m_strPrefix;
};
