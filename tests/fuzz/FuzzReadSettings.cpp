// ReadSettings on any "Setting.ini", its repairs included. Accepted settings
// are in range; a repair touches only the repaired values; a repair that fails
// at any stage of the write leaves the file byte for byte; a second start
// finds nothing left to repair.
#include "data/AppState.h"
#include "data/COperateIni.h"
#include "platform/ExeDir.h"
#include "platform/ProfileFile.h"
#include "tests/fuzz/FuzzSupport.h"

#include <filesystem>

namespace {

std::optional<std::string> Read(std::string_view text, std::string_view section, std::string_view key)
{
    return fuzz::ReadValue(text, section, key, platform::TextEncoding::Windows1252);
}

bool IsSetting(std::string_view section, std::string_view key)
{
    return fuzz::SameName(section, "Setting")
        && (fuzz::SameName(key, "Language") || fuzz::SameName(key, "Type") || fuzz::SameName(key, "DialogHeight"));
}

const std::string& SettingFile()
{
    static const std::string path = [] {
        std::filesystem::create_directories(fuzz::TempDir() + "/QL7_Tool");
        platform::SetExecutableDirForTesting(fuzz::TempDir());
        return platform::DataPath(COperateIni::kSettingFile);
    }();
    return path;
}

bool InRange(const AppState& app)
{
    return (app.m_nLanguage == 0 || app.m_nLanguage == 1) && app.m_nSeries == 0
        && (app.m_nDialogHeight == 768 || app.m_nDialogHeight == 736);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::InputReader in(data, size);
    const int failStage = in.Byte() % 4; // 0: writes work, else the stage that fails
    const std::string text = in.Rest();
    const std::string& path = SettingFile();
    fuzz::WriteBytes(path, text);

    if (failStage != 0) {
        platform::SetWriteHookForTesting([failStage](const std::string&, platform::WriteStage stage) {
            return static_cast<int>(stage) != failStage - 1;
        });
    }
    AppState app;
    app.m_nLanguage = app.m_nSeries = app.m_nDialogHeight = -7;
    const bool ok = COperateIni(app).ReadSettings();
    platform::SetWriteHookForTesting({});
    const std::string after = fuzz::ReadBytes(path);

    if (ok)
        FUZZ_CHECK(InRange(app));
    if (failStage != 0) {
        FUZZ_CHECK(after == text);
        return 0;
    }

    // A file whose only bytes that are not UTF-8 stood after a NUL in a repaired
    // value reads as UTF-8 afterwards: its texts are then read anew.
    const auto windows1252 = platform::TextEncoding::Windows1252;
    if (platform::DetectTextEncoding(after, windows1252) != platform::DetectTextEncoding(text, windows1252))
        return 0;
    // Repairs only turn empty settings into "0"; everything else reads as before.
    for (const char* key : {"Language", "Type", "DialogHeight"}) {
        const std::optional<std::string> before = Read(text, "Setting", key), now = Read(after, "Setting", key);
        FUZZ_CHECK(now == before || (before == "" && now == "0"));
    }
    std::size_t checked = 0;
    for (const platform::ProfileSection& s : platform::GetProfileSectionsFromText(text)) {
        for (const std::string& k : fuzz::KeyCandidates(s.text, 16)) {
            if (++checked > 64 || IsSetting(s.name, k))
                continue;
            FUZZ_CHECK(Read(text, s.name, k) == Read(after, s.name, k));
        }
    }

    if (ok) {
        AppState again;
        FUZZ_CHECK(COperateIni(again).ReadSettings());
        FUZZ_CHECK(fuzz::ReadBytes(path) == after);
        FUZZ_CHECK(again.m_nLanguage == app.m_nLanguage && again.m_nDialogHeight == app.m_nDialogHeight);
    }
    return 0;
}
