#include "platform/ExeDir.h"

#include <QCoreApplication>
#include <QFile>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include "platform/WinText.h"
#else
#include <climits>
#include <unistd.h>
#endif

namespace platform {

namespace {

std::string& OverrideDir()
{
    static std::string dir;
    return dir;
}

#ifdef _WIN32
constexpr char kSeparator = '\\';

// Wide, so that a folder name outside the system's code page works.
std::string RealExecutableDir()
{
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0)
            return ".";
        if (n < buf.size()) {
            buf.resize(n);
            break;
        }
        buf.resize(buf.size() * 2);
    }
    const std::size_t sep = buf.find_last_of(L"\\/");
    return sep == std::wstring::npos ? std::string(".") : Utf8FromWide(std::wstring_view(buf).substr(0, sep));
}
#else
constexpr char kSeparator = '/';

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
#endif

} // namespace

std::string ExecutableDir()
{
    if (!OverrideDir().empty())
        return OverrideDir();
    return RealExecutableDir();
}

void SetExecutableDirForTesting(std::string dir)
{
    while (dir.size() > 1 && (dir.back() == '/' || dir.back() == kSeparator))
        dir.pop_back();
    OverrideDir() = std::move(dir);
}

std::string ExePath(std::string_view relative)
{
    std::string path = ExecutableDir();
    if (path == "/")
        path.clear(); // the relative part brings its own leading separator
    for (char c : relative)
        path.push_back(c == '\\' ? kSeparator : c);
    return path;
}

std::string DataPath(std::string_view name)
{
    std::string relative = "\\QL7_Tool";
    if (!name.empty())
        relative.append("\\").append(name);
    return ExePath(relative);
}

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    std::vector<std::string> args;
#ifdef _WIN32
    (void)argc;
    (void)argv;
    int n = 0;
    if (wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &n)) {
        for (int i = 1; i < n; ++i)
            args.push_back(Utf8FromWide(wide[i]));
        ::LocalFree(wide);
    }
#else
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
#endif
    return args;
}

} // namespace platform
