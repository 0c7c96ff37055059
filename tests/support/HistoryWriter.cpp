// The second process of the history's crash and two-writer tests: adds
// records to one database and prints a line for each change as soon as it has
// returned, so that the test knows what was acknowledged before it killed it.
//   history-writer DATABASE COUNT [CSV]
// COUNT 0: until killed, a new database taking over CSV. Each round adds a
// record, sets its note and machine in one step (with COUNT 0 only) and takes
// a record with a note from a team server's batch. Lines: "open", "R <id>",
// "N <id> <note>", "M <id> <machine>", "A <id>" (the record taken); "F
// <reason>" and status 1 when a change fails.
#include "data/CHistory.h"
#include "data/CSqliteHistory.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Say(const std::string& line)
{
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

int Fail(const HistoryError& error)
{
    Say("F " + std::to_string(static_cast<int>(error.m_kind)) + " " + error.m_strDetail);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    const long count = std::strtol(argv[2], nullptr, 10);
    HistoryError error;
    auto store = CSqliteHistory::Open(argv[1], CSqliteHistory::Mode::ReadWrite, CHistory::kMaxRecords,
                                      argc > 3 ? argv[3] : "", error);
    if (!store)
        return Fail(error);
    Say("open");
    HistoryRecord r;
    r.m_strVersion = "1.0.1.0";
    r.m_nUnits = 2;
    r.m_strCodes = {"No error code", "F", ""};
    r.m_nErrNos = {149, 150, 151};
    HistoryRecord served; // as a team server gives it
    served.m_strCodes = {"No error code", "", ""};
    served.m_strAuthor = "anna";
    served.m_strLaptop = "press-pc";
    for (long i = 0; count == 0 || i < count; ++i) {
        r.m_strId = history::NewId();
        r.m_strTime = history::Now();
        if (!store->Add(r, error))
            return Fail(error);
        Say("R " + r.m_strId);
        const std::string note = "note " + std::to_string(i) + ", \"quoted\"", machine = "Press " + std::to_string(i);
        if (count == 0) {
            if (!store->Annotate(r.m_strId, note, machine, history::Now(), "tech", error))
                return Fail(error);
            Say("N " + r.m_strId + " " + note);
            Say("M " + r.m_strId + " " + machine);
        }
        HistoryChanges batch;
        batch.m_records.push_back(served);
        batch.m_records.back().m_strId = history::NewId();
        batch.m_records.back().m_strTime = history::Now();
        batch.m_notes.push_back({batch.m_records.back().m_strId, "from the server", history::Now(), "anna", i + 1});
        std::size_t skipped = 0;
        if (!store->Apply(batch, skipped, error) || skipped)
            return Fail(skipped ? HistoryError{HistoryError::Kind::Other, "a valid record skipped"} : error);
        Say("A " + batch.m_records.back().m_strId);
    }
    return 0;
}
