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

std::string Ago(int seconds)
{
    return history::LocalTime(QDateTime::currentMSecsSinceEpoch() - seconds * 1000LL);
}

// A laptop: its history and, while the server answers, a connection as user.
struct Laptop {
    Laptop(const std::string& path, std::string name)
        : user(std::move(name)), store(CSqliteHistory::Open(path, CSqliteHistory::Mode::ReadWrite, 1'000'000, {}, localError))
    {
        Connect();
    }
    bool Connect()
    {
        const TeamSettings settings{"127.0.0.1", qgetenv("PGPORT").toInt(), "tc_team", user, "verify-full",
                                    g_serverDir + "/ca.crt", "", ""};
        server = ConnectTeam(settings, {.password = user == "tc_tech" ? "te:ch\\pw" : "second"}, kTeamConnectTimeoutMs,
                             error);
        return server != nullptr;
    }
    bool Pass()
    {
        TeamSyncResult result;
        return store && server && team::SyncOnce(*store, *server, result, error);
    }
    // A new record of laptop tag, with a note unless it is empty; the id, empty when the store failed.
    std::string Make(const std::string& tag, const std::string& note = "", int secondsAgo = 60)
    {
        HistoryRecord r;
        r.m_strId = history::NewId();
        r.m_strTime = Ago(secondsAgo);
        r.m_strCodes = {"No error code", "", ""};
        r.m_strLaptop = tag;
        const bool ok = store && store->Add(r, localError)
            && (note.empty() || store->Annotate(r.m_strId, note, std::nullopt, Ago(30), user, localError));
        return ok ? r.m_strId : std::string();
    }
    // The records of tag held: id and note.
    std::map<std::string, std::string> Held(const std::string& tag)
    {
        std::vector<HistoryRecord> records;
        EXPECT_TRUE(store->Load(records, localError)) << localError.m_strDetail;
        std::map<std::string, std::string> held;
        for (const HistoryRecord& r : records)
            if (r.m_strLaptop == tag)
                held[r.m_strId] = r.m_strNote;
        return held;
    }
    std::size_t Waiting()
    {
        HistoryChanges pending;
        EXPECT_TRUE(store->Pending(1'000'000, pending, localError)) << localError.m_strDetail;
        return pending.m_records.size() + pending.m_notes.size() + pending.m_machines.size() + pending.m_deletions.size();
    }

    std::string user;
    HistoryError localError;
    TeamError error;
    std::unique_ptr<CSqliteHistory> store;
    std::unique_ptr<TeamConnection> server;
};

void Server(const char* command)
{
    const std::string line =
        "'" DARVELL_SOURCE_DIR "/scripts/team-server.sh' " + std::string(command) + " '" + g_serverDir + "'";
    ASSERT_EQ(std::system(line.c_str()), 0) << line;
}

// The lines psql prints for sql on the test database, as its superuser.
std::vector<std::string> Psql(const std::string& sql)
{
    FILE* psql = popen(("psql -XqtA -v ON_ERROR_STOP=1 -d tc_team -c \"" + sql + "\"").c_str(), "r");
    std::vector<std::string> lines;
    for (char line[256]; psql && std::fgets(line, sizeof line, psql);)
        lines.emplace_back(line, std::strcspn(line, "\n"));
    EXPECT_TRUE(psql && pclose(psql) == 0) << sql;
    return lines;
}

// The server's records of tag as lines "id notes deletions", sorted.
std::vector<std::string> OnServer(const std::string& tag)
{
    return Psql("SELECT r.id || ' ' || (SELECT count(*) FROM note_change WHERE record_id = r.id) || ' ' || (SELECT "
                "count(*) FROM deletion WHERE record_id = r.id) FROM record r WHERE laptop = '" + tag + "' ORDER BY 1");
}

// The lines OnServer gives for records held with these notes, plus those of deleted records.
std::vector<std::string> Lines(const std::map<std::string, std::string>& held, std::vector<std::string> deleted = {})
{
    for (const auto& [id, note] : held)
        deleted.push_back(id + (note.empty() ? " 0 0" : " 1 0"));
    std::sort(deleted.begin(), deleted.end());
    return deleted;
}

// Runs body in a child process that dies with this one; body writes lines to
// the pipe whose end is returned, each in one write (whole lines however it ends).
pid_t Child(FILE*& output, const std::function<int(int)>& body)
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
    output = fdopen(fds[0], "r");
    return pid;
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

// The laptop killed at random moments while it makes changes and syncs: the
// database stays sound and holds every change reported as made; one clean pass
// then leaves each record on the server once and nothing waiting.
TEST_F(TeamFault, LaptopKilledDuringSyncs)
{
    std::mt19937 random = Random("LaptopKilledDuringSyncs");
    const std::string tag = "killed-" + std::to_string(random()), path = m_home.PathOf("killed");
    // Caught up first, so that each pass takes only what is new.
    ASSERT_TRUE(Laptop(path, "tc_tech").Pass());
    // Each record reported: "id" once added, "id note" once its note is set.
    std::map<std::string, std::string> reported;
    for (int round = 0; round < 50; ++round) {
        FILE* lines = nullptr;
        const pid_t pid = Child(lines, [&](int fd) {
            const auto say = [fd](const std::string& line) { return write(fd, (line + "\n").c_str(), line.size() + 1) > 0; };
            Laptop laptop(path, "tc_tech");
            say("ready");
            for (int i = 0;; ++i) {
                const std::string id = laptop.Make(tag), note = "note " + std::to_string(i);
                if (id.empty() || !say(id))
                    return 1;
                if (i % 2 && laptop.store->Annotate(id, note, std::nullopt, Ago(30), "tc_tech", laptop.localError))
                    say(id + " " + note);
                laptop.Pass();
            }
        });
        char line[256];
        ASSERT_TRUE(pid > 0 && std::fgets(line, sizeof line, lines)); // under way
        std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution(0, 300)(random)));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        while (std::fgets(line, sizeof line, lines))
            if (const std::string text(line, std::strcspn(line, "\n")); text.size() >= 36)
                reported[text.substr(0, 36)] = text.size() > 37 ? text.substr(37) : "";
        std::fclose(lines);
        Laptop after(path, "tc_tech");
        ASSERT_TRUE(after.store && after.store->CheckIntegrity() == "ok") << after.localError.m_strDetail;
        const auto held = after.Held(tag);
        for (const auto& [id, note] : reported)
            ASSERT_TRUE(held.count(id) && (note.empty() || held.at(id) == note)) << round << ": " << id << " " << note;
    }
    Laptop laptop(path, "tc_tech");
    ASSERT_TRUE(laptop.Pass()) << laptop.error.m_strDetail;
    EXPECT_EQ(laptop.Waiting(), 0u);
    EXPECT_EQ(OnServer(tag), Lines(laptop.Held(tag)));
}

// Two laptops push in processes of their own while a third pulls again and
// again; a push begun before theirs stays open until the puller has read rows
// added after it. The puller's ordinary passes take every record.
TEST_F(TeamFault, PullerSkipsNoConcurrentPush)
{
    const std::string tag = "pushed-" + history::NewId().substr(0, 8), lateId = history::NewId();
    Laptop puller(m_home.PathOf("puller"), "tc_tech2"), late(m_home.PathOf("late"), "tc_tech");
    std::vector<TeamConnection::Row> rows;
    ASSERT_TRUE(puller.Pass() && late.server);
    ASSERT_TRUE(late.server->Exec("BEGIN", {}, rows, kTeamQueryTimeoutMs, late.error)
                && late.server->Exec("INSERT INTO record (id, time, narrowed, version, language, series, units, side, "
                                     "code_main, code_sub1, code_sub2, interlock, halt, error_numbers, laptop) VALUES "
                                     "($1, $2, false, '', 0, 0, 1, 1, 'No error code', '', '', 0, 0, '', $3)",
                                     {lateId, Ago(60), tag}, rows, kTeamQueryTimeoutMs, late.error))
        << late.error.m_strDetail;
    std::vector<pid_t> pushers;
    for (const std::string user : {"tc_tech", "tc_tech2"}) {
        FILE* output = nullptr;
        pushers.push_back(Child(output, [&](int) {
            Laptop pusher(m_home.PathOf(user), user);
            for (int i = 0; i < 60; ++i)
                if (pusher.Make(tag).empty() || (i % 3 == 2 && !pusher.Pass()))
                    return 1;
            return 0;
        }));
        std::fclose(output);
    }
    for (bool committed = false; !committed || pushers[0] || pushers[1];) {
        ASSERT_TRUE(puller.Pass()) << puller.error.m_strDetail;
        if (!committed && !puller.Held(tag).empty()) {
            committed = late.server->Exec("COMMIT", {}, rows, kTeamQueryTimeoutMs, late.error);
            ASSERT_TRUE(committed) << late.error.m_strDetail;
        }
        for (pid_t& pid : pushers)
            if (int status = 0; pid && waitpid(pid, &status, WNOHANG) == pid) {
                EXPECT_EQ(status, 0) << "a pusher failed";
                pid = 0;
            }
    }
    ASSERT_TRUE(puller.Pass());
    const auto held = puller.Held(tag);
    EXPECT_EQ(held.size(), 121u);
    EXPECT_TRUE(held.count(lateId));
    EXPECT_EQ(OnServer(tag), Lines(held));
}

// The server halted for a day's records, then at random moments while the
// laptop pushes batch after batch and started again, until 50 passes were cut
// short; the laptop connects anew each round. After one clean pass the server
// holds each record, note and deletion once; nothing is lost or waiting.
TEST_F(TeamFault, ServerHaltedOfflineAndDuringPushes)
{
    std::mt19937 random = Random("ServerHaltedOfflineAndDuringPushes");
    const std::string tag = "halted-" + std::to_string(random());
    Laptop laptop(m_home.PathOf("halted"), "tc_tech");
    const std::string gone = laptop.Make(tag);
    ASSERT_TRUE(laptop.Pass()) << laptop.error.m_strDetail << " (run by CTest?)";
    // A day offline: 200 records wait, and go in one pass once the server is back.
    std::map<std::string, std::string> made;
    Server("halt");
    for (int i = 0; i < 200; ++i)
        made[laptop.Make(tag, "", 86400 - i * 400)];
    EXPECT_FALSE(laptop.Pass() || laptop.Connect());
    EXPECT_EQ(laptop.Waiting(), 200u);
    Server("resume");
    ASSERT_TRUE(laptop.Connect() && laptop.Pass()) << laptop.error.m_strDetail;
    EXPECT_EQ(laptop.Waiting(), 0u);
    EXPECT_EQ(OnServer(tag), Lines(laptop.Held(tag)));
    // A record on the server, deleted here: its marker waits with the rest.
    ASSERT_TRUE(laptop.store->Delete(gone, Ago(20), "tc_tech", laptop.localError));
    // A pass that ends before the halt lands makes the next round's push longer.
    int cut = 0;
    for (int round = 0, adding = 1000; cut < 50; ++round) {
        ASSERT_LT(round, 100) << cut << " passes cut short";
        for (int i = 0; i < adding; ++i) {
            const std::string note = i % 3 ? "" : "note " + std::to_string(i), id = laptop.Make(tag, note);
            ASSERT_FALSE(id.empty()) << laptop.localError.m_strDetail;
            made[id] = note;
        }
        ASSERT_TRUE(laptop.Connect()) << laptop.error.m_strDetail;
        const auto delay = std::chrono::milliseconds(std::uniform_int_distribution(0, 300)(random));
        std::thread halt([delay] {
            std::this_thread::sleep_for(delay);
            Server("halt");
        });
        const bool done = laptop.Pass();
        cut += !done;
        adding = done ? std::min(adding * 2, 3200) : 200;
        halt.join();
        Server("resume");
    }
    ASSERT_TRUE(laptop.Connect() && laptop.Pass()) << laptop.error.m_strDetail;
    EXPECT_EQ(laptop.Waiting(), 0u);
    EXPECT_EQ(laptop.Held(tag), made);
    EXPECT_EQ(OnServer(tag), Lines(made, {gone + " 0 1"}));
    // The tests after this one pull the whole server: these many rows go.
    Psql("DELETE FROM note_change WHERE record_id IN (SELECT id FROM record WHERE laptop = '" + tag + "'); DELETE FROM "
         "deletion WHERE record_id IN (SELECT id FROM record WHERE laptop = '" + tag + "'); DELETE FROM record WHERE "
         "laptop = '" + tag + "'");
}
