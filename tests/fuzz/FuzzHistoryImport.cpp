// The take-over of an earlier History.csv on any bytes. Every record read is
// one the program can show, named by an id of its own; a whole record line
// written after the bytes is always read, and no record the bytes gave is
// lost by it: a torn end costs at most that end.
#include "data/HistoryCsv.h"
#include "tests/fuzz/FuzzSupport.h"

#include <set>

namespace {

constexpr std::size_t kLimit = 1000;

bool SameContent(HistoryRecord a, const HistoryRecord& b)
{
    a.m_strId = b.m_strId;
    return a == b;
}

// A torn note line at the end may be made whole by what follows it.
bool SameButNote(HistoryRecord a, const HistoryRecord& b)
{
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
    if (more.size() < kLimit)
        for (std::size_t i = 0; i < records.size(); ++i)
            FUZZ_CHECK(i < more.size() && SameButNote(more[i], records[i]));
    return 0;
}
