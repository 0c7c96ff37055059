#include "platform/ExeDir.h"

#include <QCoreApplication>
#include <QFile>
#include <climits>
#include <unistd.h>

namespace platform {

namespace {

std::string& OverrideDir()
{
    static std::string dir;
    return dir;
}

std::string RealExecutableDir()
{
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n > 0) {
        const std::string exe(buf, static_cast<std::size_t>(n));
        const std::size_t slash = exe.rfind('/');
        if (slash != std::string::npos)
            return slash == 0 ? std::string("/") : exe.substr(0, slash);
    }
    if (QCoreApplication::instance() != nullptr)
        return QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
    return ".";
}

} // namespace

std::string ExecutableDir()
{
    if (!OverrideDir().empty())
        return OverrideDir();
    return RealExecutableDir();
}

void SetExecutableDirForTesting(std::string dir)
{
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    OverrideDir() = std::move(dir);
}

std::string ExePath(std::string_view relative)
{
    std::string path = ExecutableDir();
    if (path == "/")
        path.clear(); // the relative part brings its own leading separator
    for (char c : relative)
        path.push_back(c == '\\' ? '/' : c);
    return path;
}

} // namespace platform
