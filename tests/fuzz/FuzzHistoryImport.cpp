// The take-over of an earlier History.csv. On any bytes: every record read is
// one the program can show, named by an id of its own, and a whole record line
// after the bytes is always read. On a file of the program's own lines, one of
// them torn by a crash at any byte and ended there: every other record is read
// as from the whole file, the torn one at most in part.
#include "data/HistoryCsv.h"
#include "tests/fuzz/FuzzSupport.h"

#include <set>

namespace {

constexpr std::size_t kLimit = 1000;

// Equal but for the id (and, for the torn record, the note): ids count equal records.
bool SameContent(HistoryRecord a, const HistoryRecord& b, bool butNote = false)
{
    a.m_strId = b.m_strId;
    if (butNote)
        a.m_strNote = b.m_strNote;
    return a == b;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<HistoryRecord> records = historycsv::Read(text, kLimit);
    FUZZ_CHECK(records.size() <= kLimit);
    std::set<std::string> ids;
    for (const HistoryRecord& r : records) {
        FUZZ_CHECK(r.IsValid());
        FUZZ_CHECK(HistoryRecord::CutNote(r.m_strNote) == r.m_strNote);
        FUZZ_CHECK(r.m_strId.size() == 36 && ids.insert(r.m_strId).second);
    }
    const std::string line = "Diagnosis,2026-12-09T14:05:00.123+08:00,1.0.1.0,English,QL7B series,2,Receiver,"
                             "No error code,F,,Light ON,,2,149 150,\"after, the \"\"torn\"\" end\"\r\n";
    const std::vector<HistoryRecord> more = historycsv::Read(text + "\r\n" + line, kLimit);
    FUZZ_CHECK(!more.empty() && SameContent(more.back(), historycsv::Read(line, 1).at(0)));

    // The same bytes as the notes of up to eight records, one of them torn.
    fuzz::InputReader in(data, size);
    std::vector<HistoryRecord> made(1 + in.Byte() % 8);
    const std::size_t torn = in.Byte() % made.size();
    const std::size_t cut = in.Byte();
    for (std::size_t i = 0; i < made.size(); ++i) {
        made[i].m_strTime = "2026-12-09T14:0" + std::to_string(i) + ":00.000+08:00";
        made[i].m_nSide = 1 + static_cast<int>(i % 2);
        made[i].m_strNote = in.Take(48);
        // A note holding a whole line of the file's own is read as that line.
        for (const char* start : {"\nDiagnosis,", "\nNarrowed,", "\nNote,"})
            if (made[i].m_strNote.find(start) != std::string::npos)
                return 0;
    }
    const std::string header = historycsv::Export({});
    std::string file = header;
    for (std::size_t i = 0; i < made.size(); ++i) {
        const std::string one = historycsv::Export({&made[i], 1}).substr(header.size());
        // Torn somewhere before its line end; the next write ended it.
        file += i == torn ? one.substr(0, cut % (one.size() - 2)) + "\r\n" : one;
    }
    const std::vector<HistoryRecord> whole = historycsv::Read(historycsv::Export(made), kLimit);
    const std::vector<HistoryRecord> read = historycsv::Read(file, kLimit);
    FUZZ_CHECK(whole.size() == made.size());
    FUZZ_CHECK(read.size() + 1 == whole.size() || read.size() == whole.size());
    for (std::size_t i = 0, j = 0; i < whole.size(); ++i) {
        if (i == torn && read.size() < whole.size())
            continue;
        FUZZ_CHECK(SameContent(read[j], whole[i], i == torn));
        ++j;
    }
    return 0;
}
