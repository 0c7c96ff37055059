// The team sync under faults, on the private server as tc_tech and tc_tech2
// (team-connect-setup.sh): the server halted and the laptop killed at random
// moments, a day offline, pushers beside a puller. Each test's records carry a
// laptop name of their own, by which the server's rows are counted.
#include "data/CSqliteHistory.h"
#include "data/TeamSync.h"
#include "platform/ExeDir.h"
#include "tests/support/TempDataDir.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDateTime>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <thread>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::string g_serverDir = qgetenv("SERVER_DIR").toStdString();

std::mt19937 Random(const char* test)
{
    const char* fixed = std::getenv("DARVELL_SEED");
    const unsigned seed = fixed ? std::strtoul(fixed, nullptr, 10) : std::random_device{}();
    std::printf("%s: seed %u (DARVELL_SEED=%u repeats it)\n", test, seed, seed);
    return std::mt19937(seed);
}

std::unique_ptr<TeamConnection> Connect(const std::string& user)
{
    const TeamSettings settings{"127.0.0.1", qgetenv("PGPORT").toInt(), "tc_team", user, "verify-full",
                                g_serverDir + "/ca.crt", "", ""};
    TeamError error;
    return ConnectTeam(settings, {.password = user == "tc_tech" ? "te:ch\\pw" : "second"}, kTeamConnectTimeoutMs, error);
}

std::unique_ptr<CSqliteHistory> Open(const std::string& path)
{
    HistoryError error;
    return CSqliteHistory::Open(path, CSqliteHistory::Mode::ReadWrite, 1'000'000, {}, error);
}

bool Pass(HistoryStore& store, TeamConnection& server, std::size_t* sent = nullptr)
{
    TeamSyncResult result;
    TeamError error;
    const bool ok = team::SyncOnce(store, server, result, error);
    if (sent)
        *sent = result.m_nSent;
    return ok;
}

std::string Ago(int seconds)
{
    return history::LocalTime(QDateTime::currentMSecsSinceEpoch() - seconds * 1000LL);
}

// A new record of laptop tag; empty when the store failed.
std::string Make(HistoryStore& store, const std::string& tag, int secondsAgo = 60)
{
    HistoryRecord r;
    r.m_strId = history::NewId();
    r.m_strTime = Ago(secondsAgo);
    r.m_strCodes = {"No error code", "", ""};
    r.m_strLaptop = tag;
    HistoryError error;
    return store.Add(r, error) ? r.m_strId : std::string();
}

bool Note(HistoryStore& store, const std::string& id, const std::string& note)
{
    HistoryError error;
    return store.Annotate(id, note, std::nullopt, Ago(30), "tc_tech", error);
}

void Server(const char* command)
{
    const std::string line = DARVELL_SOURCE_DIR "/scripts/team-server.sh " + std::string(command) + " " + g_serverDir;
    ASSERT_EQ(std::system(line.c_str()), 0) << line;
}

// The server's records of tag as lines "id notes deletions", sorted, read as its superuser.
std::vector<std::string> OnServer(const std::string& tag)
{
    const std::string sql = "SELECT r.id || ' ' || (SELECT count(*) FROM note_change WHERE record_id = r.id) || ' ' || "
                            "(SELECT count(*) FROM deletion WHERE record_id = r.id) FROM record r WHERE laptop = '"
        + tag + "' ORDER BY 1";
    FILE* psql = popen(("psql -XqtA -d tc_team -c \"" + sql + "\"").c_str(), "r");
    std::vector<std::string> lines;
    for (char line[256]; psql && std::fgets(line, sizeof line, psql);)
        lines.emplace_back(line, std::strcspn(line, "\n"));
    EXPECT_TRUE(psql && pclose(psql) == 0);
    return lines;
}

// The store's records of tag: id and note.
std::map<std::string, std::string> Held(HistoryStore& store, const std::string& tag)
{
    std::vector<HistoryRecord> records;
    HistoryError error;
    EXPECT_TRUE(store.Load(records, error)) << error.m_strDetail;
    std::map<std::string, std::string> held;
    for (const HistoryRecord& r : records)
        if (r.m_strLaptop == tag)
            held[r.m_strId] = r.m_strNote;
    return held;
}

// The lines OnServer gives for records held with these notes, plus the deleted ones.
std::vector<std::string> Lines(const std::map<std::string, std::string>& held, std::vector<std::string> deleted = {})
{
    for (const auto& [id, note] : held)
        deleted.push_back(id + (note.empty() ? " 0 0" : " 1 0"));
    std::sort(deleted.begin(), deleted.end());
    return deleted;
}

std::size_t Waiting(HistoryStore& store)
{
    HistoryChanges pending;
    HistoryError error;
    EXPECT_TRUE(store.Pending(1'000'000, pending, error)) << error.m_strDetail;
    return pending.m_records.size() + pending.m_notes.size() + pending.m_machines.size() + pending.m_deletions.size();
}

// Runs body in a child process that dies with this one; its output goes to the returned descriptor.
pid_t Child(int& output, const std::function<int(int)>& body)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        close(fds[0]);
        _exit(body(fds[1]));
    }
    close(fds[1]);
    output = fds[0];
    return pid;
}

void Say(int fd, const std::string& line)
{
    const std::string text = line + "\n";
    (void)!write(fd, text.data(), text.size()); // one write: whole lines through the pipe
}

class TeamFault : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(m_home.Root()));
        platform::SetExecutableDirForTesting(DARVELL_BINARY_DIR);
    }
    TempDataDir m_home;
};

} // namespace

// 200 records made while the server is down wait; one pass sends them all when it is back.
TEST_F(TeamFault, DayOfflineCatchesUp)
{
    const std::string tag = "offline-" + history::NewId().substr(0, 8);
    auto store = Open(m_home.PathOf("day"));
    auto server = Connect("tc_tech");
    ASSERT_TRUE(store && server && Pass(*store, *server)) << "run by CTest?";
    Server("halt");
    for (int i = 0; i < 200; ++i)
        ASSERT_FALSE(Make(*store, tag, 86400 - i * 400).empty());
    EXPECT_FALSE(Pass(*store, *server));
    EXPECT_FALSE(Connect("tc_tech"));
    EXPECT_EQ(Waiting(*store), 200u);
    Server("resume");
    std::size_t sent = 0;
    ASSERT_TRUE((server = Connect("tc_tech")) && Pass(*store, *server, &sent));
    EXPECT_EQ(sent, 200u);
    EXPECT_EQ(Waiting(*store), 0u);
    EXPECT_EQ(OnServer(tag), Lines(Held(*store, tag)));
}

// The server halted at random moments while a laptop pushes batch after batch,
// and started again: the laptop connects anew each round. After one clean pass
// the server holds each record, note and deletion once; nothing is lost or waiting.
TEST_F(TeamFault, ServerHaltedDuringPushes)
{
    std::mt19937 random = Random("ServerHaltedDuringPushes");
    const std::string tag = "halted-" + std::to_string(random());
    auto store = Open(m_home.PathOf("halted"));
    auto server = Connect("tc_tech");
    HistoryError error;
    // A record on the server, deleted here: its marker waits with the rest.
    const std::string gone = Make(*store, tag);
    ASSERT_TRUE(!gone.empty() && Pass(*store, *server) && store->Delete(gone, Ago(20), "tc_tech", error));
    std::map<std::string, std::string> made;
    int failed = 0;
    for (int round = 0; round < 50; ++round) {
        for (int i = 0; i < (round ? 60 : 1000); ++i) {
            const std::string id = Make(*store, tag), note = i % 3 ? "" : "note " + std::to_string(i);
            ASSERT_TRUE(!id.empty() && (note.empty() || Note(*store, id, note)));
            made[id] = note;
        }
        ASSERT_TRUE(server = Connect("tc_tech"));
        const auto delay = std::chrono::milliseconds(std::uniform_int_distribution(0, 300)(random));
        std::thread halt([delay] {
            std::this_thread::sleep_for(delay);
            Server("halt");
        });
        failed += !Pass(*store, *server);
        halt.join();
        Server("resume");
    }
    std::printf("%d of 50 passes cut short\n", failed);
    ASSERT_TRUE((server = Connect("tc_tech")) && Pass(*store, *server));
    EXPECT_EQ(Waiting(*store), 0u);
    EXPECT_EQ(Held(*store, tag), made);
    EXPECT_EQ(OnServer(tag), Lines(made, {gone + " 0 1"}));
}

// The laptop killed at random moments while it makes changes and syncs: the
// database stays sound and holds every change reported as made; one clean pass
// then leaves each record on the server once and nothing waiting.
TEST_F(TeamFault, LaptopKilledDuringSyncs)
{
    std::mt19937 random = Random("LaptopKilledDuringSyncs");
    const std::string tag = "killed-" + std::to_string(random()), path = m_home.PathOf("killed");
    {
        // Caught up first, so that each pass takes only what is new.
        auto store = Open(path);
        auto server = Connect("tc_tech");
        ASSERT_TRUE(store && server && Pass(*store, *server));
    }
    // Each record reported, and its note: "id" once added, "id note" once annotated.
    std::map<std::string, std::string> reported;
    for (int round = 0; round < 50; ++round) {
        int output = -1;
        const pid_t pid = Child(output, [&](int fd) {
            auto store = Open(path);
            auto server = Connect("tc_tech");
            Say(fd, "ready");
            for (int i = 0; store; ++i) {
                const std::string id = Make(*store, tag), note = "note " + std::to_string(i);
                if (id.empty())
                    return 1;
                Say(fd, id);
                if (i % 2 && Note(*store, id, note))
                    Say(fd, id + " " + note);
                if (server)
                    Pass(*store, *server);
            }
            return 1;
        });
        ASSERT_GT(pid, 0);
        FILE* lines = fdopen(output, "r");
        char line[256];
        ASSERT_TRUE(std::fgets(line, sizeof line, lines)); // connected
        std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution(0, 300)(random)));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        while (std::fgets(line, sizeof line, lines))
            if (const std::string text(line, std::strcspn(line, "\n")); text.size() >= 36)
                reported[text.substr(0, 36)] = text.size() > 37 ? text.substr(37) : "";
        std::fclose(lines);
        auto store = Open(path);
        ASSERT_TRUE(store);
        ASSERT_EQ(store->CheckIntegrity(), "ok");
        const auto held = Held(*store, tag);
        for (const auto& [id, note] : reported)
            ASSERT_TRUE(held.count(id) && held.at(id) == note) << "round " << round << ": " << id << " " << note;
    }
    auto store = Open(path);
    auto server = Connect("tc_tech");
    ASSERT_TRUE(store && server && Pass(*store, *server));
    EXPECT_EQ(Waiting(*store), 0u);
    EXPECT_EQ(OnServer(tag), Lines(Held(*store, tag)));
}

// Two laptops push in processes of their own while a third pulls again and
// again; a push made before them stays open until the puller has read rows
// added after it. The puller's ordinary passes take every record.
TEST_F(TeamFault, PullerSkipsNoConcurrentPush)
{
    const std::string tag = "pushed-" + history::NewId().substr(0, 8), lateId = history::NewId();
    auto puller = Open(m_home.PathOf("puller"));
    auto pullerServer = Connect("tc_tech2"), late = Connect("tc_tech");
    std::vector<TeamConnection::Row> rows;
    TeamError error;
    ASSERT_TRUE(puller && pullerServer && late && Pass(*puller, *pullerServer));
    ASSERT_TRUE(late->Exec("BEGIN", {}, rows, kTeamQueryTimeoutMs, error)
                && late->Exec("INSERT INTO record (id, time, narrowed, version, language, series, units, side, "
                              "code_main, code_sub1, code_sub2, interlock, halt, error_numbers, laptop) VALUES "
                              "($1, $2, false, '', 0, 0, 1, 1, 'No error code', '', '', 0, 0, '', $3)",
                              {lateId, Ago(60), tag}, rows, kTeamQueryTimeoutMs, error))
        << error.m_strDetail;
    std::vector<pid_t> pushers;
    for (const std::string user : {"tc_tech", "tc_tech2"}) {
        int output = -1;
        pushers.push_back(Child(output, [&](int) {
            auto store = Open(m_home.PathOf(user));
            auto server = Connect(user);
            for (int round = 0; round < 20; ++round) {
                for (int i = 0; i < 5; ++i)
                    if (!store || Make(*store, tag).empty())
                        return 1;
                if (!server || !Pass(*store, *server))
                    return 2;
            }
            return 0;
        }));
        close(output);
    }
    for (bool committed = false; !committed || pushers[0] || pushers[1];) {
        ASSERT_TRUE(Pass(*puller, *pullerServer));
        if (!committed && !Held(*puller, tag).empty()) {
            committed = late->Exec("COMMIT", {}, rows, kTeamQueryTimeoutMs, error);
            ASSERT_TRUE(committed) << error.m_strDetail;
        }
        for (pid_t& pid : pushers)
            if (int status = 0; pid && waitpid(pid, &status, WNOHANG) == pid) {
                EXPECT_EQ(status, 0) << "a pusher failed";
                pid = 0;
            }
    }
    ASSERT_TRUE(Pass(*puller, *pullerServer));
    const auto held = Held(*puller, tag);
    EXPECT_EQ(held.size(), 201u);
    EXPECT_TRUE(held.count(lateId));
    EXPECT_EQ(OnServer(tag), Lines(held));
}
