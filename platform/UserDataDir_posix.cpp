#include "platform/UserDataDir.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::string HomeDir()
{
    if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        return home;
    const passwd* pw = ::getpwuid(::getuid());
    return pw && pw->pw_dir && pw->pw_dir[0] == '/' ? pw->pw_dir : "";
}

// Creates every missing folder of an absolute path (new ones private, as the
// base directory rules ask); true when the path then is a folder.
bool MakeDirs(const std::string& path)
{
    for (std::size_t pos = 1; pos != std::string::npos;) {
        pos = path.find('/', pos + 1);
        const std::string part = path.substr(0, pos);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// $variable/Darvell, or ~/fallback/Darvell where the variable is unset or not
// absolute; empty without a home.
std::string UserDir(const char* variable, const char* fallback)
{
    std::string base;
    if (const char* xdg = std::getenv(variable); xdg && xdg[0] == '/')
        base = xdg;
    else if (const std::string home = HomeDir(); !home.empty())
        base = home + "/" + fallback;
    else
        return {};
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base + "/Darvell";
}

} // namespace

std::string UserDataPath(std::string_view name)
{
    const std::string dir = UserDir("XDG_DATA_HOME", ".local/share");
    if (dir.empty() || !MakeDirs(dir))
        return {};
    return dir + "/" + std::string(name);
}

std::string UserSettingsDir(bool create)
{
    const std::string dir = UserDir("XDG_CONFIG_HOME", ".config");
    return dir.empty() || (create && !MakeDirs(dir)) ? std::string() : dir;
}

std::string UserSettingsPath(std::string_view name, bool create)
{
    const std::string dir = UserSettingsDir(create);
    return dir.empty() ? dir : dir + "/" + std::string(name);
}

} // namespace platform
