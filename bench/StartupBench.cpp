// Start-up as the user sees it: from starting the real program to the settings
// screen being mapped on an X server, against the floor of any Qt Widgets
// program: a 1024 x 768 dialog with one line of text (this benchmark program,
// started with --minimal-dialog; without any text Qt never starts its font
// system, which every real dialog needs).
//
// Each run starts BUILD_DIR/darvell (copied, with the sample data beside it) or
// the floor on a private Xvfb, waits for the first top-level window named
// "Darvell" to be mapped, then ends the program and takes its peak RSS from
// wait4. The two alternate, pair after pair, the first of each pair in turn;
// warm-up pairs come first and are not counted. Twice: with the accessibility
// bridge on (a private dbus-daemon session bus, no assistive tool on it) and
// off (DBUS_SESSION_BUS_ADDRESS naming a bus that is not there, so that the
// bridge finds none and stays idle).
//
// The programs mark the end of each phase of their start (app/StartupTrace.h,
// compiled in by a build with the benchmarks); the table gives the median of
// each phase, of the whole start and of the peak RSS, and the ratios of the
// medians. One command: build/bench/StartupBench [--pairs=N] [--warmup=N]
// [--program-dir=DIR] [--team], --program-dir naming another build's darvell
// and QL7_Tool (an older one, to compare with) instead of this build's, --team
// starting the program with a team server set: a private one on loopback
// (bench/TeamServerStage.h), Team.ini and the password file in the settings
// folder the runs are given (empty without --team), the team connection's
// module beside the program. Ends non-zero when a ratio is above its target:
// 1.10 for the start, 1.13 for the peak RSS.
#include "app/StartupTrace.h"
#include "bench/TeamServerStage.h"
#include "data/TeamServer.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr const char* kMapped = "texts, show -> mapped";
constexpr int kTraceFd = 3;
constexpr double kMaxRatio = 1.10, kMaxRssRatio = 1.13;
bool g_team = false;

long long MonotonicNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// One start: the phases in the order they ended (milliseconds each), the
// whole start and the peak resident set.
struct Run {
    std::vector<std::pair<std::string, double>> phases;
    double totalMs = -1;
    double peakRssMiB = 0;
    double cpuMs = 0; // user and system time of all its threads, to its end just after the mapping
};

// A server started with "-displayfd"-like options writes one line to the
// descriptor it is given: that line, or empty after ten seconds.
pid_t SpawnWithLine(const std::vector<const char*>& argv, std::string& line, const std::string& log)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        if (fds[1] != 3) {
            ::dup2(fds[1], 3);
            ::close(fds[1]);
        }
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::execvp(argv[0], const_cast<char* const*>(argv.data()));
        ::_exit(127);
    }
    ::close(fds[1]);
    // The line may come in pieces (Xvfb writes the number and the line feed
    // apart, and ends when the second write finds the pipe closed).
    std::string text;
    const long long deadline = MonotonicNs() + 10'000'000'000LL;
    while (text.find('\n') == std::string::npos && MonotonicNs() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        char buf[512];
        const ssize_t n = ::poll(&p, 1, 100) == 1 ? ::read(fds[0], buf, sizeof buf) : 0;
        if (n < 0 || (n == 0 && (p.revents & POLLHUP)))
            break;
        text.append(buf, size_t(std::max<ssize_t>(n, 0)));
    }
    ::close(fds[0]);
    line = text.find('\n') == std::string::npos ? std::string() : text.substr(0, text.find('\n'));
    return pid;
}

void Stop(pid_t& pid)
{
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
    pid = -1;
}

// A private X server, a private session bus, a private runtime directory and a
// copy of the program beside a copy of the sample data, for the life of the
// benchmark program.
class Stage {
public:
    explicit Stage(const std::string& programDir)
    {
        char pattern[] = "/tmp/darvell-startup-XXXXXX";
        if (!::mkdtemp(pattern)) {
            m_error = "cannot make a folder in /tmp";
            return;
        }
        m_root = pattern;
        fs::create_directories(m_root + "/bin");
        fs::create_directories(m_root + "/runtime");
        fs::create_directories(m_root + "/config");
        fs::permissions(m_root + "/runtime", fs::perms::owner_all);
        std::error_code ec;
        fs::copy_file(programDir + "/darvell", m_root + "/bin/darvell", ec);
        if (!ec)
            fs::copy(programDir + "/QL7_Tool", m_root + "/bin/QL7_Tool", fs::copy_options::recursive, ec);
        if (!ec && g_team)
            fs::copy_file(programDir + "/" + kTeamModuleFile, m_root + "/bin/" + kTeamModuleFile, ec);
        if (ec) {
            m_error = "cannot copy " + programDir + "/darvell, QL7_Tool and the team module: " + ec.message();
            return;
        }
        if (g_team) {
            m_team = std::make_unique<bench::TeamServerStage>();
            TeamError error;
            if (m_team->Error().empty()
                && (!m_team->WriteTeamSettings(m_root + "/config", 0)
                    || !ConnectTeam(m_team->Settings(0), {.cancel = nullptr, .password = bench::TeamServerStage::kPasswords[0]},
                                    kTeamConnectTimeoutMs, error)))
                m_error = "the team server's settings do not connect: " + error.m_strDetail;
            if (!m_team->Error().empty() || !m_error.empty()) {
                m_error = m_team->Error() + m_error;
                return;
            }
        }
        if (FILE* f = std::fopen((m_root + "/bin/QL7_Tool/Setting.ini").c_str(), "wb")) {
            std::fputs("[Setting]\r\nLanguage=1\r\nType=0\r\nDialogHeight=0\r\n", f);
            std::fclose(f);
        }
        std::string display;
        m_xvfb = SpawnWithLine({"Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                                "-noreset", nullptr},
                               display, m_root + "/xvfb.log");
        m_busPid = SpawnWithLine({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=3",
                                  nullptr},
                                 m_bus, m_root + "/dbus.log");
        if (display.empty() || m_bus.empty()) {
            m_error = display.empty() ? "Xvfb did not start" : "dbus-daemon did not start";
            return;
        }
        m_displayName = ":" + display;
        m_display = XOpenDisplay(m_displayName.c_str());
        if (!m_display) {
            m_error = "cannot open the display " + m_displayName + " (see " + m_root + "/xvfb.log)";
            m_keep = true;
            return;
        }
        XSelectInput(m_display, DefaultRootWindow(m_display), SubstructureNotifyMask);
    }
    ~Stage()
    {
        if (m_display)
            XCloseDisplay(m_display);
        Stop(m_busPid);
        Stop(m_xvfb);
        if (!m_root.empty() && !m_keep)
            fs::remove_all(m_root);
    }

    // Empty when the stage stands, else what failed.
    const std::string& Error() const { return m_error; }

    Run RunDarvell(bool bus) { return RunProgram(m_root + "/bin/darvell", nullptr, bus); }
    Run RunFloor(bool bus)
    {
        return RunProgram(fs::read_symlink("/proc/self/exe").string(), "--minimal-dialog", bus);
    }

private:
    Run RunProgram(const std::string& program, const char* arg, bool bus)
    {
        Run run;
        XSync(m_display, True); // what earlier runs left is not this run's window
        const std::string env[] = {
            "DISPLAY=" + m_displayName,
            "XDG_RUNTIME_DIR=" + m_root + "/runtime",
            "QT_QPA_PLATFORM=xcb",
            "LANG=en_US.UTF-8",
            "HOME=" + std::string(std::getenv("HOME") ? std::getenv("HOME") : "/tmp"),
            "XDG_CONFIG_HOME=" + m_root + "/config",
            "DBUS_SESSION_BUS_ADDRESS=" + (bus ? m_bus : "unix:path=" + m_root + "/no-bus"),
            "DARVELL_STARTUP_TRACE_FD=" + std::to_string(kTraceFd),
        };
        char* envp[std::size(env) + 1];
        for (size_t i = 0; i < std::size(env); ++i)
            envp[i] = const_cast<char*>(env[i].c_str());
        envp[std::size(env)] = nullptr;
        char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(arg), nullptr};

        int trace[2];
        if (::pipe2(trace, O_CLOEXEC | O_NONBLOCK) != 0)
            return run;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, trace[1], kTraceFd);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

        const long long start = MonotonicNs();
        pid_t child = 0;
        const bool spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv, envp) == 0;
        posix_spawn_file_actions_destroy(&actions);
        ::close(trace[1]);
        long long mapped = -1;
        const long long deadline = start + 20'000'000'000LL;
        while (spawned && mapped < 0 && MonotonicNs() < deadline) {
            if (!XPending(m_display)) {
                pollfd p{ConnectionNumber(m_display), POLLIN, 0};
                ::poll(&p, 1, 50);
                continue;
            }
            XEvent ev;
            XNextEvent(m_display, &ev);
            if (ev.type == MapNotify && IsDarvell(ev.xmap.window))
                mapped = MonotonicNs();
        }
        if (spawned) {
            ::kill(child, SIGTERM);
            int status = 0;
            rusage usage{};
            ::wait4(child, &status, 0, &usage);
            run.peakRssMiB = usage.ru_maxrss / 1024.0; // kilobytes on Linux
            run.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
                + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
        }
        std::string marks;
        char buf[4096];
        for (ssize_t n; (n = ::read(trace[0], buf, sizeof buf)) > 0;)
            marks.append(buf, size_t(n));
        ::close(trace[0]);
        if (mapped < 0)
            return run;

        long long last = start;
        for (size_t pos = 0; pos < marks.size();) {
            const size_t end = std::min(marks.find('\n', pos), marks.size());
            const std::string line = marks.substr(pos, end - pos);
            pos = end + 1;
            const size_t tab = line.find('\t');
            if (tab == std::string::npos)
                continue;
            const long long at = std::atoll(line.c_str() + tab + 1);
            run.phases.emplace_back(line.substr(0, tab), (at - last) / 1e6);
            last = at;
        }
        run.phases.emplace_back(kMapped, (mapped - last) / 1e6);
        run.totalMs = (mapped - start) / 1e6;
        return run;
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
    std::string m_bus;
    Display* m_display = nullptr;
    pid_t m_xvfb = -1;
    pid_t m_busPid = -1;
    std::string m_error;
    bool m_keep = false; // the stage's folder stays for its logs
    std::unique_ptr<bench::TeamServerStage> m_team;
};

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The runs of one program, phase by phase.
struct Series {
    std::vector<std::string> order; // phase names, first seen first
    std::map<std::string, std::vector<double>> phases;
    std::vector<double> total, rss, cpu;

    void Add(const Run& run)
    {
        for (const auto& [name, ms] : run.phases) {
            if (!phases.count(name))
                order.push_back(name);
            phases[name].push_back(ms);
        }
        total.push_back(run.totalMs);
        rss.push_back(run.peakRssMiB);
        cpu.push_back(run.cpuMs);
    }
};

struct Result {
    std::string title;
    int pairs = 0;
    Series darvell, floor;
};

std::vector<Result>& Results()
{
    static std::vector<Result> results;
    return results;
}

int g_pairs = 55;
int g_warmup = 5;
std::string g_programDir = DARVELL_BINARY_DIR;

void BM_StartToSettingsScreen(benchmark::State& state, bool bus)
{
    static Stage stage(g_programDir);
    if (!stage.Error().empty()) {
        state.SkipWithError(stage.Error().c_str());
        return;
    }
    Result result;
    result.title = bus ? "accessibility bridge on (a private session bus, no assistive tool)"
                       : "accessibility bridge off (DBUS_SESSION_BUS_ADDRESS names no bus)";
    auto pair = [&](int i, Run& ours, Run& floor) {
        if (i % 2 == 0) {
            floor = stage.RunFloor(bus);
            ours = stage.RunDarvell(bus);
        } else {
            ours = stage.RunDarvell(bus);
            floor = stage.RunFloor(bus);
        }
        return ours.totalMs >= 0 && floor.totalMs >= 0;
    };
    Run ours, floor;
    for (int i = 0; i < g_warmup; ++i) {
        if (!pair(i, ours, floor)) {
            state.SkipWithError("the first window did not appear");
            return;
        }
    }
    int i = 0;
    for (auto _ : state) {
        if (!pair(i++, ours, floor)) {
            state.SkipWithError("the first window did not appear");
            return;
        }
        result.darvell.Add(ours);
        result.floor.Add(floor);
        state.SetIterationTime(ours.totalMs / 1e3);
    }
    result.pairs = i;
    const double floorMs = Median(result.floor.total), floorRss = Median(result.floor.rss);
    state.counters["ratio"] = floorMs > 0 ? Median(result.darvell.total) / floorMs : 0;
    state.counters["rss_ratio"] = floorRss > 0 ? Median(result.darvell.rss) / floorRss : 0;
    Results().push_back(std::move(result));
}

// The table of r; false when a ratio is above its target.
bool PrintTable(const Result& r)
{
    std::printf("\nStart to the first window mapped, %s:\n%s/darvell, %d alternating pairs after %d warm-up pairs\n",
                r.title.c_str(), g_programDir.c_str(), r.pairs, g_warmup);
    std::printf("%-42s %10s %12s\n", "phase (ms, median)", "Darvell", "one label");
    std::vector<std::string> rows = r.darvell.order;
    for (const std::string& name : r.floor.order)
        if (std::find(rows.begin(), rows.end(), name) == rows.end())
            rows.insert(rows.end() - 1, name);
    auto cell = [](const Series& s, const std::string& name) {
        const auto it = s.phases.find(name);
        char buf[32];
        std::snprintf(buf, sizeof buf, it == s.phases.end() ? "-" : "%.1f",
                      it == s.phases.end() ? 0.0 : Median(it->second));
        return std::string(buf);
    };
    for (const std::string& name : rows)
        std::printf("%-42s %10s %12s\n", name.c_str(), cell(r.darvell, name).c_str(), cell(r.floor, name).c_str());
    const double ours = Median(r.darvell.total), floor = Median(r.floor.total);
    const double oursRss = Median(r.darvell.rss), floorRss = Median(r.floor.rss);
    const double ratio = floor > 0 ? ours / floor : 0, rssRatio = floorRss > 0 ? oursRss / floorRss : 0;
    std::printf("%-42s %10.1f %12.1f   ratio %.3f (target at most %.2f) %s\n", "exec -> mapped", ours, floor, ratio,
                kMaxRatio, ratio <= kMaxRatio ? "met" : "MISSED");
    std::printf("%-42s %10.1f %12.1f   ratio %.3f (target at most %.2f) %s\n", "peak RSS (MiB, median)", oursRss,
                floorRss, rssRatio, kMaxRssRatio, rssRatio <= kMaxRssRatio ? "met" : "MISSED");
    std::printf("%-42s %10.1f %12.1f\n", "processor time, all threads (ms, median)", Median(r.darvell.cpu),
                Median(r.floor.cpu));
    std::printf("team server set: %s\n", g_team ? "yes (Team.ini and pgpass, a server on loopback)" : "no");
    return ratio <= kMaxRatio && rssRatio <= kMaxRssRatio;
}

int MinimalDialog(int argc, char** argv)
{
    StartupMark("exec -> main()");
    QApplication app(argc, argv);
    StartupMark("QApplication");
    QDialog dialog;
    QLabel label(QStringLiteral("Darvell"), &dialog);
    dialog.setWindowTitle(QStringLiteral("Darvell"));
    dialog.resize(1024, 768);
    StartupMark("settings screen built");
    dialog.show();
    return app.exec();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--minimal-dialog") == 0)
        return MinimalDialog(argc, argv);
    if (const char* pairs = bench::TakeOption(argc, argv, "--pairs"))
        g_pairs = std::max(1, std::atoi(pairs));
    if (const char* warmup = bench::TakeOption(argc, argv, "--warmup"))
        g_warmup = std::max(0, std::atoi(warmup));
    if (const char* dir = bench::TakeOption(argc, argv, "--program-dir"))
        g_programDir = dir;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--team") == 0) {
            g_team = true;
            std::copy(argv + i + 1, argv + argc + 1, argv + i);
            --argc;
            --i;
        }
    for (const bool bus : {true, false}) {
        benchmark::RegisterBenchmark(bus ? "StartToFirstWindow/a11y_on" : "StartToFirstWindow/a11y_off",
                                     BM_StartToSettingsScreen, bus)
            ->UseManualTime()
            ->Iterations(g_pairs)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    bool met = !Results().empty();
    for (const Result& r : Results())
        met = PrintTable(r) && met;
    benchmark::Shutdown();
    return met ? 0 : 1;
}
