// Start-up as the user sees it: from starting the real program to the settings
// screen being mapped on an X server. Each iteration copies nothing; it starts
// BUILD_DIR/darvell (with the sample data beside it) on a private Xvfb, waits
// for the first top-level window named "Darvell" to be mapped, then ends the
// program. Covers exec, dynamic linking, the Qt platform plugin and fonts, the
// single-instance lock, the data-file checks and reads, the 40 bitmap loads and
// the construction of the settings screen.
// Alternating with it on the same X server, the same is measured for a minimal
// Qt Widgets program that maps one 1024 x 768 dialog with one line of text
// (this benchmark program, started with --minimal-dialog: without any text Qt
// never starts its font system, which every real dialog needs); the counter
// gives the ratio of the two.
#include <QApplication>
#include <QDialog>
#include <QLabel>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A private X server, a private runtime directory and a copy of the program
// beside a copy of the sample data, for the life of the benchmark program.
class Stage {
public:
    Stage()
    {
        char pattern[] = "/tmp/darvell-startup-XXXXXX";
        if (!::mkdtemp(pattern))
            return;
        m_root = pattern;
        fs::create_directories(m_root + "/bin");
        fs::create_directories(m_root + "/runtime");
        fs::permissions(m_root + "/runtime", fs::perms::owner_all);
        std::error_code ec;
        fs::copy_file(std::string(DARVELL_BINARY_DIR) + "/darvell", m_root + "/bin/darvell", ec);
        if (ec)
            return;
        fs::copy(std::string(DARVELL_BINARY_DIR) + "/QL7_Tool", m_root + "/bin/QL7_Tool",
                 fs::copy_options::recursive, ec);
        if (ec)
            return;
        if (FILE* f = std::fopen((m_root + "/bin/QL7_Tool/Setting.ini").c_str(), "wb")) {
            std::fputs("[Setting]\r\nLanguage=1\r\nType=0\r\nDialogHeight=0\r\n", f);
            std::fclose(f);
        }
        m_ok = StartXvfb();
    }
    ~Stage()
    {
        if (m_display)
            XCloseDisplay(m_display);
        if (m_xvfb > 0) {
            ::kill(m_xvfb, SIGTERM);
            ::waitpid(m_xvfb, nullptr, 0);
        }
        if (!m_root.empty())
            fs::remove_all(m_root);
    }

    bool Ok() const { return m_ok; }

    // Seconds from spawning the program to its first window being mapped; < 0 on failure.
    double RunOnce() { return RunProgram(m_root + "/bin/darvell", nullptr); }

    // The same for the minimal Qt program.
    double RunMinimal() { return RunProgram(fs::read_symlink("/proc/self/exe").string(), "--minimal-dialog"); }

private:
    double RunProgram(const std::string& program, const char* arg)
    {
        XSelectInput(m_display, DefaultRootWindow(m_display), SubstructureNotifyMask);
        XSync(m_display, True);
        const std::string env[] = {"DISPLAY=" + m_displayName, "XDG_RUNTIME_DIR=" + m_root + "/runtime",
                                   "QT_QPA_PLATFORM=xcb", "LANG=en_US.UTF-8",
                                   "HOME=" + std::string(std::getenv("HOME") ? std::getenv("HOME") : "/tmp")};
        char* envp[std::size(env) + 1];
        for (size_t i = 0; i < std::size(env); ++i)
            envp[i] = const_cast<char*>(env[i].c_str());
        envp[std::size(env)] = nullptr;
        char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(arg), nullptr};

        const auto start = Clock::now();
        pid_t child = 0;
        if (posix_spawn(&child, program.c_str(), nullptr, nullptr, argv, envp) != 0)
            return -1;
        double seconds = -1;
        const auto deadline = start + std::chrono::seconds(20);
        while (seconds < 0 && Clock::now() < deadline) {
            if (!XPending(m_display)) {
                pollfd p{ConnectionNumber(m_display), POLLIN, 0};
                ::poll(&p, 1, 50);
                continue;
            }
            XEvent ev;
            XNextEvent(m_display, &ev);
            if (ev.type == MapNotify && IsDarvell(ev.xmap.window))
                seconds = std::chrono::duration<double>(Clock::now() - start).count();
        }
        ::kill(child, SIGTERM);
        ::waitpid(child, nullptr, 0);
        return seconds;
    }

    bool StartXvfb()
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return false;
        m_xvfb = ::fork();
        if (m_xvfb == 0) {
            ::close(fds[0]);
            if (fds[1] != 3) {
                ::dup2(fds[1], 3);
                ::close(fds[1]);
            }
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 2);
            ::execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten",
                     "tcp", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        char buf[16] = {};
        pollfd p{fds[0], POLLIN, 0};
        const ssize_t n = ::poll(&p, 1, 10000) == 1 ? ::read(fds[0], buf, sizeof buf - 1) : -1;
        ::close(fds[0]);
        if (n <= 0)
            return false;
        buf[std::strcspn(buf, "\n")] = '\0';
        char name[24];
        std::snprintf(name, sizeof name, ":%s", buf);
        m_displayName = std::string_view(name);
        m_display = XOpenDisplay(m_displayName.c_str());
        return m_display != nullptr;
    }

    bool IsDarvell(Window w)
    {
        char* name = nullptr;
        const bool yes = XFetchName(m_display, w, &name) && name && std::strcmp(name, "Darvell") == 0;
        if (name)
            XFree(name);
        return yes;
    }

    std::string m_root;
    std::string m_displayName;
    Display* m_display = nullptr;
    pid_t m_xvfb = -1;
    bool m_ok = false;
};

void BM_StartToSettingsScreen(benchmark::State& state)
{
    static Stage stage;
    if (!stage.Ok()) {
        state.SkipWithError("cannot stage the program under Xvfb (is Xvfb installed and the program built?)");
        return;
    }
    // Side by side: each iteration starts the minimal Qt program, then ours.
    double minimal = 0, ours = 0;
    for (auto _ : state) {
        const double m = stage.RunMinimal();
        const double s = stage.RunOnce();
        if (m < 0 || s < 0) {
            state.SkipWithError("the settings screen did not appear");
            break;
        }
        minimal += m;
        ours += s;
        state.SetIterationTime(s);
    }
    state.counters["ratio"] = minimal > 0 ? ours / minimal : 0; // ours over the minimal program
}
BENCHMARK(BM_StartToSettingsScreen)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--minimal-dialog") == 0) {
        QApplication app(argc, argv);
        QDialog dialog;
        QLabel label(QStringLiteral("Darvell"), &dialog);
        dialog.setWindowTitle(QStringLiteral("Darvell"));
        dialog.resize(1024, 768);
        dialog.show();
        return app.exec();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
