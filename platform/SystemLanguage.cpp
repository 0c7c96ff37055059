#include "platform/SystemLanguage.h"

#include <cstdlib>
#include <string>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {

namespace {

constexpr int kEnglish = 9;

struct LanguageId {
    std::string_view code;
    int id;
};

// ISO 639 codes and the primary language ids of the same languages.
constexpr LanguageId kLanguages[] = {
    {"ar", 0x01}, {"bg", 0x02}, {"ca", 0x03}, {"zh", 0x04}, {"cs", 0x05},
    {"da", 0x06}, {"de", 0x07}, {"el", 0x08}, {"en", 0x09}, {"es", 0x0a},
    {"fi", 0x0b}, {"fr", 0x0c}, {"he", 0x0d}, {"hu", 0x0e}, {"is", 0x0f},
    {"it", 0x10}, {"ja", 0x11}, {"ko", 0x12}, {"nl", 0x13}, {"nb", 0x14},
    {"nn", 0x14}, {"no", 0x14}, {"pl", 0x15}, {"pt", 0x16}, {"rm", 0x17},
    {"ro", 0x18}, {"ru", 0x19}, {"hr", 0x1a}, {"sr", 0x1a}, {"bs", 0x1a},
    {"sk", 0x1b}, {"sq", 0x1c}, {"sv", 0x1d}, {"th", 0x1e}, {"tr", 0x1f},
    {"ur", 0x20}, {"id", 0x21}, {"uk", 0x22}, {"be", 0x23}, {"sl", 0x24},
    {"et", 0x25}, {"lv", 0x26}, {"lt", 0x27}, {"tg", 0x28}, {"fa", 0x29},
    {"vi", 0x2a}, {"hy", 0x2b}, {"az", 0x2c}, {"eu", 0x2d}, {"mk", 0x2f},
    {"af", 0x36}, {"ka", 0x37}, {"fo", 0x38}, {"hi", 0x39}, {"mt", 0x3a},
    {"ga", 0x3c}, {"ms", 0x3e}, {"kk", 0x3f}, {"ky", 0x40}, {"sw", 0x41},
    {"tk", 0x42}, {"uz", 0x43}, {"tt", 0x44}, {"bn", 0x45}, {"pa", 0x46},
    {"gu", 0x47}, {"or", 0x48}, {"ta", 0x49}, {"te", 0x4a}, {"kn", 0x4b},
    {"ml", 0x4c}, {"as", 0x4d}, {"mr", 0x4e}, {"sa", 0x4f}, {"mn", 0x50},
    {"bo", 0x51}, {"cy", 0x52}, {"km", 0x53}, {"lo", 0x54}, {"gl", 0x56},
    {"si", 0x5b}, {"am", 0x5e}, {"ne", 0x61}, {"fy", 0x62}, {"ps", 0x63},
    {"fil", 0x64}, {"tl", 0x64}, {"ha", 0x68}, {"yo", 0x6a}, {"xh", 0x34},
    {"zu", 0x35}, {"lb", 0x6e}, {"kl", 0x6f}, {"ig", 0x70},
};

} // namespace

int PrimaryLanguageIdOf(const char* localeName)
{
    if (localeName == nullptr)
        return kEnglish;
    // "zh_CN.UTF-8", "de-DE", "sr@latin": the language is the part before the
    // first separator.
    std::string code;
    for (const char* p = localeName; *p != '\0'; ++p) {
        const char c = *p;
        if (c == '_' || c == '-' || c == '.' || c == '@')
            break;
        code.push_back((c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c);
    }
    for (const LanguageId& l : kLanguages)
        if (l.code == code)
            return l.id;
    return kEnglish; // "C", "POSIX" and anything unknown
}

int SystemPrimaryLanguageId()
{
#ifdef _WIN32
    // The primary language of the user's interface language: its low ten bits.
    return PRIMARYLANGID(::GetUserDefaultUILanguage());
#else
    // The same precedence the C library gives the message locale.
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(var);
        if (value != nullptr && *value != '\0')
            return PrimaryLanguageIdOf(value);
    }
    return kEnglish;
#endif
}

} // namespace platform
