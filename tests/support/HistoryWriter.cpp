// A second process for the history's crash and two-writer tests: adds records
// to one database, optionally each with a note, and prints a line for every
// change as soon as it has returned, so that the test knows what was
// acknowledged before it killed this process.
//
//   history-writer DATABASE COUNT [notes] [takeover CSV]
//
// COUNT 0 writes until killed. Lines: "open", "R <id>", "N <id> <note>";
// "F <reason>" and status 1 when a change fails.
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
    if (argc < 3) {
        std::fputs("usage: history-writer DATABASE COUNT [notes] [takeover CSV]\n", stderr);
        return 2;
    }
    const std::string path = argv[1];
    const long count = std::strtol(argv[2], nullptr, 10);
    bool notes = false;
    std::string takeOver;
    for (int i = 3; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "notes")
            notes = true;
        else if (arg == "takeover" && i + 1 < argc)
            takeOver = argv[++i];
    }
    HistoryError error;
    auto store = CSqliteHistory::Open(path, CSqliteHistory::Mode::ReadWrite, CHistory::kMaxRecords, takeOver, error);
    if (!store)
        return Fail(error);
    Say("open");
    HistoryRecord r;
    r.m_strVersion = "1.0.1.0";
    r.m_nUnits = 2;
    r.m_strCodes = {"No error code", "F", ""};
    r.m_nErrNos = {149, 150, 151};
    for (long i = 0; count == 0 || i < count; ++i) {
        r.m_strId = history::NewId();
        r.m_strTime = history::Now();
        if (!store->Add(r, error))
            return Fail(error);
        Say("R " + r.m_strId);
        if (notes) {
            const std::string note = "note " + std::to_string(i) + ", \"quoted\"";
            if (!store->SetNote(r.m_strId, note, history::Now(), error))
                return Fail(error);
            Say("N " + r.m_strId + " " + note);
        }
    }
    return 0;
}
