#include "data/COperateIni.h"

#include "data/AppState.h"
#include "data/UnitRules.h"
#include "platform/ExeDir.h"
#include "platform/FileExists.h"
#include "platform/FileReplace.h"
#include "platform/ProfileFile.h"
#include "platform/UserDataDir.h"


namespace {

constexpr const char* kMissing = "ERR";
constexpr std::size_t kSettingBuffer = 256;
constexpr std::size_t kHelpBuffer = 256;
constexpr std::size_t kCauseBuffer = 1024;
constexpr const char* kSettingSection = "Setting";

// Values come back as UTF-8; the buffer counts the file's own bytes.
std::string ReadKey(const std::string& file, const char* section, const char* key, std::size_t buffer)
{
    return platform::GetProfileString(file, section, key, kMissing, buffer, COperateIni::FileAnsi(file));
}

// A setting whose value is "0", "1"… stands for values[0], values[1]…; out
// gets that. An empty value is a fresh install: it is stored as "0" before
// use. False for a missing key, another value, or a repair that fails.
template <class Store>
bool ReadSetting(const std::string& file, const char* key, std::span<const int> values, int& out, Store store)
{
    const std::string value = ReadKey(file, kSettingSection, key, kSettingBuffer);
    if (value.empty()) {
        const platform::ProfileValue repair{key, "0"};
        if (!store(std::span(&repair, 1)))
            return false;
        out = values[0];
        return true;
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (value == std::to_string(i)) {
            out = values[i];
            return true;
        }
    }
    return false;
}

} // namespace

COperateIni::COperateIni(AppState& app) : m_app(app) {}

COperateIni::COperateIni(AppState& app, int unitsIndex) : m_app(app)
{
    m_strPrefix = SectionPrefix(unitsIndex);
    m_strFile = CauseFilePath();
}

bool COperateIni::CheckSettingFile() const
{
    return platform::FileExists(platform::DataPath(kSettingFile));
}

bool COperateIni::CheckHelpFile() const
{
    return platform::FileExists(platform::DataPath(kHelpFile));
}

bool COperateIni::CheckCauseFile() const
{
    return platform::FileExists(CauseFilePath());
}

bool COperateIni::HasCauseFile() const
{
    return platform::FileExists(m_strFile);
}

COperateIni::SettingsPlace COperateIni::LocateSettings() const
{
    SettingsPlace place{platform::DataPath(kSettingFile), {}, {}};
    if (platform::WhyNotWritable(place.file, place.reason) != platform::WriteDenial::Denied)
        return place;
    place.userCopy = platform::UserSettingsPath(kSettingFile, false);
    if (platform::FileExists(place.userCopy))
        place.file = place.userCopy;
    return place;
}

bool COperateIni::StoreSettings(const SettingsPlace& place, std::span<const platform::ProfileValue> values)
{
    if (place.userCopy.empty() || place.InUserCopy())
        return platform::WriteProfileStrings(place.file, kSettingSection, values, FileAnsi(place.file));
    // The first settings of this user: the data directory's file, with them,
    // as the user's copy.
    return !platform::UserSettingsDir(true).empty()
        && platform::CreateProfileFrom(place.file, place.userCopy, kSettingSection, values, FileAnsi(place.file));
}

bool COperateIni::ReadSettings()
{
    // A repair may make the user's copy, which the next keys are read from.
    SettingsPlace place = LocateSettings();
    const auto store = [this, &place](std::span<const platform::ProfileValue> values) {
        const bool stored = StoreSettings(place, values);
        place = LocateSettings();
        return stored;
    };
    constexpr int kLanguages[] = {0, 1};
    constexpr int kSeries[] = {0}; // only the first series can be chosen
    constexpr int kHeights[] = {768, 736};
    return ReadSetting(place.file, "Language", kLanguages, m_app.m_nLanguage, store)
        && ReadSetting(place.file, "Type", kSeries, m_app.m_nSeries, store)
        && ReadSetting(place.file, "DialogHeight", kHeights, m_app.m_nDialogHeight, store);
}

bool COperateIni::WriteSettings(int language, int series)
{
    const SettingsPlace place = LocateSettings();
    const std::string oldLanguage = ReadKey(place.file, kSettingSection, "Language", kSettingBuffer);
    if (oldLanguage == kMissing)
        return false;
    const std::string oldSeries = ReadKey(place.file, kSettingSection, "Type", kSettingBuffer);
    if (oldSeries == kMissing)
        return false;
    // Both keys go in one replacement of the file, so that a failed write never
    // leaves the new language stored beside the old series.
    const platform::ProfileValue values[] = {
        {"Language", language != 0 ? "1" : "0"},
        {"Type", series != 0 ? "1" : "0"},
    };
    // A user who may not write the data directory gets a copy only for a change.
    if (!place.userCopy.empty() && oldLanguage == values[0].second && oldSeries == values[1].second)
        return true;
    return StoreSettings(place, values);
}

bool COperateIni::ReadHelp()
{
    const std::string file = platform::DataPath(kHelpFile);
    const std::string chinese = ReadKey(file, "RemedyJ", "Remedy", kHelpBuffer);
    if (chinese == kMissing)
        return false;
    m_app.m_strHelp[0] = chinese;
    const std::string english = ReadKey(file, "RemedyE", "Remedy", kHelpBuffer);
    if (english == kMissing)
        return false;
    m_app.m_strHelp[1] = english;
    return true;
}

bool COperateIni::ReadCauseRemedy(int nErrNo, std::string& remedy, std::string& cause,
                                  int nSide) const
{
    const std::string section = SectionName(nErrNo, nSide);
    const std::string ca = ReadKey(m_strFile, section.c_str(), "ca", kCauseBuffer);
    if (ca == kMissing)
        return false;
    const std::string re = ReadKey(m_strFile, section.c_str(), "re", kCauseBuffer);
    if (re == kMissing)
        return false;
    cause = ConvertEscapes(ca.c_str());
    remedy = ConvertEscapes(re.c_str());
    return true;
}

std::string COperateIni::ConvertEscapes(const char* text)
{
    std::string out;
    if (text == nullptr)
        return out;
    // Byte by byte: a 0x5C is a backslash wherever it stands.
    for (std::size_t i = 0; text[i] != '\0';) {
        if (text[i] == '\\' && text[i + 1] == 'n') {
            out.push_back('\n');
            i += 2;
        } else if (text[i] == '\\' && text[i + 1] == '\\') {
            out.push_back('\\');
            i += 2;
        } else {
            out.push_back(text[i]);
            i += 1;
        }
    }
    return out;
}

std::string COperateIni::CauseFilePath() const
{
    return platform::DataPath(CauseFileName(m_app.m_nSeries, m_app.m_nLanguage));
}

platform::TextEncoding COperateIni::FileAnsi(std::string_view path)
{
    const std::string_view name = path.substr(path.find_last_of("/\\") + 1);
    return name == "Help.ini" || name.ends_with("J.ini") ? platform::TextEncoding::Gb18030
                                                         : platform::TextEncoding::Windows1252;
}

std::string COperateIni::SectionName(int nErrNo, int nSide) const
{
    return ::SectionName(m_strPrefix, m_app.m_nSeries, nErrNo, nSide);
}
