#pragma once
// A private team history server on loopback for the benchmarks: started by
// scripts/team-server.sh in a folder of its own and stopped when the benchmark
// ends, however it ends (a watchdog process stops it once the benchmark's end
// of a pipe closes: at exit, on a crash or a kill), or one that script
// started already, named by its folder and left running. Either way the
// database tc_team and the technicians tc_tech and tc_tech2 are made afresh in
// it by tests/team/team-connect-setup.sh.
#include "data/TeamSettings.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <regex>
#include <string>
#include <vector>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace bench {

// --name=VALUE from the command line, taken out of it; null when not given.
inline const char* TakeOption(int& argc, char** argv, const char* name)
{
    const size_t len = std::strlen(name);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], name, len) == 0 && argv[i][len] == '=') {
            const char* value = argv[i] + len + 1;
            std::copy(argv + i + 1, argv + argc + 1, argv + i);
            --argc;
            return value;
        }
    }
    return nullptr;
}

class TeamServerStage {
public:
    static constexpr const char* kUsers[] = {"tc_tech", "tc_tech2"};
    static constexpr const char* kPasswords[] = {"te:ch\\pw", "second"};

    // dir: a server scripts/team-server.sh started there; empty: one started here.
    explicit TeamServerStage(std::string dir = {})
    {
        const std::string script = DARVELL_SOURCE_DIR "/scripts/team-server.sh";
        if (dir.empty()) {
            char pattern[] = "/tmp/darvell-team-bench-XXXXXX";
            if (!::mkdtemp(pattern)) {
                m_error = "cannot make a folder in /tmp";
                return;
            }
            dir = pattern;
            if (!Watch(script, dir) || Run({"bash", script.c_str(), "start", dir.c_str()}) != 0) {
                m_error = "scripts/team-server.sh could not start a server in " + dir;
                return;
            }
        }
        m_dir = dir;
        std::ifstream env(m_dir + "/env");
        const std::string text((std::istreambuf_iterator<char>(env)), std::istreambuf_iterator<char>());
        std::smatch port;
        if (!std::regex_search(text, port, std::regex("PGPORT=([0-9]+)"))) {
            m_error = "no server's port in " + m_dir + "/env";
            return;
        }
        m_nPort = std::stoi(port[1]);
        if (!Reset())
            m_error = "tests/team/team-connect-setup.sh failed on the server in " + m_dir;
    }
    ~TeamServerStage()
    {
        if (m_nWatch >= 0) {
            ::close(m_nWatch);
            ::waitpid(m_watchdog, nullptr, 0);
        }
    }
    TeamServerStage(const TeamServerStage&) = delete;
    TeamServerStage& operator=(const TeamServerStage&) = delete;

    // Empty when the server stands, else what failed.
    const std::string& Error() const { return m_error; }

    // tc_team made anew, empty; no connection to it may be open.
    bool Reset()
    {
        const std::string setup = DARVELL_SOURCE_DIR "/tests/team/team-connect-setup.sh";
        return Run({"bash", setup.c_str(), m_dir.c_str()}) == 0;
    }

    // The settings technician user (0 or 1) connects with, over TLS verified
    // against the server's test authority.
    TeamSettings Settings(int user) const
    {
        return {"127.0.0.1", m_nPort, "tc_team", kUsers[user], "verify-full", m_dir + "/ca.crt", "", ""};
    }

    // Team.ini and the password file of user in configHome/Darvell, as the
    // program's team dialog saves them.
    bool WriteTeamSettings(const std::string& configHome, int user) const
    {
        const std::string folder = configHome + "/Darvell";
        TeamSettingsError error;
        return (::mkdir(configHome.c_str(), 0700) == 0 || errno == EEXIST)
            && (::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST)
            && team::SaveSettings(folder + '/' + team::kSettingsFile, folder + '/' + team::kPasswordFile,
                                  Settings(user), std::string(kPasswords[user]), error);
    }

private:
    // A program's exit status (-1 when it could not run), its output passed on.
    static int Run(std::vector<const char*> argv)
    {
        argv.push_back(nullptr);
        pid_t pid = 0;
        int status = 0;
        if (posix_spawnp(&pid, argv[0], nullptr, nullptr, const_cast<char* const*>(argv.data()), environ) != 0
            || ::waitpid(pid, &status, 0) != pid)
            return -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // A process that runs "team-server.sh stop dir" once this one's end of a
    // pipe closes, which no other process holds. It outlives an interrupt
    // sent to the whole process group.
    bool Watch(const std::string& script, const std::string& dir)
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return false;
        const char* argv[] = {"bash", script.c_str(), "stop", dir.c_str(), nullptr};
        m_watchdog = ::fork();
        if (m_watchdog == 0) {
            ::close(fds[1]);
            ::signal(SIGINT, SIG_IGN);
            ::signal(SIGTERM, SIG_IGN);
            ::signal(SIGHUP, SIG_IGN);
            char c;
            while (::read(fds[0], &c, 1) != 0 && errno == EINTR) {
            }
            ::execvp(argv[0], const_cast<char* const*>(argv));
            ::_exit(127);
        }
        ::close(fds[0]);
        if (m_watchdog < 0) {
            ::close(fds[1]);
            return false;
        }
        m_nWatch = fds[1];
        return true;
    }

    std::string m_dir;
    int m_nPort = 0;
    std::string m_error;
    pid_t m_watchdog = -1;
    int m_nWatch = -1;
};

} // namespace bench
