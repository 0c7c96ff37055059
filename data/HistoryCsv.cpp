#include "data/HistoryCsv.h"

#include <array>
#include <charconv>
#include <map>
#include <unordered_map>

#include "platform/FileExists.h"

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kEol = "\r\n";
// The longest record the program ever wrote is about 4 KB (a note of 500
// four-byte characters, quoted); a record running past this is none.
constexpr std::size_t kMaxRecordBytes = 16 * 1024;

// The file's words, English whatever the language of the run.
enum Column { kKind, kTime, kVersion, kLanguage, kSeries, kUnits, kSide, kMain, kSub1, kSub2,
              kInterlock, kHalt, kCauses, kErrNos, kNote, kMachine, kColumns };
constexpr std::array<std::string_view, kColumns> kHeader = {
    "Kind", "Date and time", "Version", "Language", "Series", "Units", "Side", "Main Sensor",
    "Sub Sensor 1", "Sub Sensor 2", "Interlock", "Halt", "Causes", "Error numbers", "Note", "Machine"};
// Earlier versions' files end at the note; the export adds the machine.
constexpr std::size_t kEarlierColumns = kMachine;

bool IsLine(const std::vector<std::string>& fields)
{
    return fields.size() == kEarlierColumns || fields.size() == kColumns;
}
constexpr std::string_view kKinds[] = {"Diagnosis", "Narrowed", "Note"};
constexpr int kNoteKind = 2;
constexpr std::string_view kLanguages[] = {"Chinese", "English"};
constexpr std::string_view kSeriesNames[] = {"QL7B series", "QL7-A series"};
constexpr std::string_view kSides[] = {"", "Emitter", "Receiver"};
constexpr std::string_view kLamps[] = {"", "Light OFF", "Light ON"};

using Fields = std::vector<std::string>;

// Index of word in words, or -1.
template <std::size_t N>
int IndexOf(const std::string_view (&words)[N], std::string_view word)
{
    for (std::size_t i = 0; i < N; ++i)
        if (words[i] == word)
            return static_cast<int>(i);
    return -1;
}

template <std::size_t N>
std::string WordOf(const std::string_view (&words)[N], int i)
{
    return std::string(i >= 0 && i < int(N) ? words[i] : words[0]);
}

// A spreadsheet evaluates a cell that begins with one of these.
bool LooksLikeFormula(std::string_view field)
{
    return !field.empty() && std::string_view("=+-@\t\r").find(field.front()) != std::string_view::npos;
}

void AppendField(std::string& line, std::string_view field)
{
    const bool quoted = field.find_first_of(",\"\r\n") != std::string_view::npos;
    if (quoted)
        line.push_back('"');
    if (LooksLikeFormula(field))
        line.push_back('\'');
    for (char c : field) {
        if (quoted && c == '"')
            line.push_back('"');
        line.push_back(c);
    }
    if (quoted)
        line.push_back('"');
}

std::string JoinLine(std::span<const std::string> fields)
{
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i)
            line.push_back(',');
        AppendField(line, fields[i]);
    }
    return line.append(kEol);
}

Fields RecordFields(const HistoryRecord& r)
{
    return {std::string(kKinds[r.m_bNarrowed ? 1 : 0]), r.m_strTime, r.m_strVersion,
            WordOf(kLanguages, r.m_nLanguage == 1 ? 1 : 0), WordOf(kSeriesNames, r.m_nSeries == 1 ? 1 : 0),
            std::to_string(r.m_nUnits), WordOf(kSides, r.m_nSide), r.m_strCodes[0], r.m_strCodes[1], r.m_strCodes[2],
            WordOf(kLamps, r.m_nInterlock), WordOf(kLamps, r.m_nHalt), std::to_string(r.m_nErrNos.size()),
            HistoryRecord::ErrorNumbers(r.m_nErrNos), HistoryRecord::CutNote(r.m_strNote),
            HistoryRecord::CutMachine(r.m_strMachine)};
}

// One record of text from pos, a line start: its fields unquoted and where
// the next one starts. A record ends at a line feed outside quotes; breaks
// gets each line start passed inside quotes. False when the text, or the
// longest record there can be, ends first.
bool ParseRecord(std::string_view text, std::size_t pos, Fields& fields, std::size_t& next,
                 std::vector<std::size_t>* breaks)
{
    fields.assign(1, std::string());
    bool quoted = false;
    const std::size_t end = std::min(text.size(), pos + kMaxRecordBytes);
    for (std::size_t i = pos; i < end; ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != '"') {
                fields.back().push_back(c);
                if (c == '\n' && breaks)
                    breaks->push_back(i + 1);
            } else if (i + 1 < text.size() && text[i + 1] == '"') {
                fields.back().push_back(text[++i]);
            } else {
                quoted = false;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c == '\n') {
            if (!fields.back().empty() && fields.back().back() == '\r')
                fields.back().pop_back();
            next = i + 1;
            return true;
        } else {
            fields.back().push_back(c);
        }
    }
    next = end;
    return false;
}

bool ToInt(std::string_view s, int& out)
{
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size() && !s.empty();
}

// A record line's fields as a record; false for anything the program did not
// write. The time may be empty: some systems' earlier versions wrote none.
bool ToRecord(const Fields& f, HistoryRecord& r)
{
    int causes = 0;
    r.m_bNarrowed = f[kKind] == kKinds[1];
    if ((!r.m_bNarrowed && f[kKind] != kKinds[0]) || !ToInt(f[kUnits], r.m_nUnits) || r.m_nUnits < 1
        || r.m_nUnits > 3 || !ToInt(f[kCauses], causes))
        return false;
    r.m_strTime = f[kTime];
    r.m_strVersion = f[kVersion];
    r.m_nLanguage = IndexOf(kLanguages, f[kLanguage]);
    r.m_nSeries = IndexOf(kSeriesNames, f[kSeries]);
    r.m_nSide = IndexOf(kSides, f[kSide]);
    r.m_nInterlock = IndexOf(kLamps, f[kInterlock]);
    r.m_nHalt = IndexOf(kLamps, f[kHalt]);
    if (r.m_nLanguage < 0 || r.m_nSeries < 0 || r.m_nSide < 1 || r.m_nInterlock < 0 || r.m_nHalt < 0)
        return false;
    for (std::size_t u = 0; u < 3; ++u)
        r.m_strCodes[u] = f[kMain + u];
    if (!HistoryRecord::ParseErrorNumbers(f[kErrNos], r.m_nErrNos))
        return false;
    r.m_strNote = HistoryRecord::CutNote(f[kNote]);
    if (f.size() > kMachine)
        r.m_strMachine = HistoryRecord::CutMachine(f[kMachine]);
    return causes == static_cast<int>(r.m_nErrNos.size());
}

// Whether a whole record or note line of the program's starts at pos.
bool WholeLineAt(std::string_view text, std::size_t pos)
{
    const std::string_view rest = text.substr(pos);
    if (!rest.starts_with("Diagnosis,") && !rest.starts_with("Narrowed,") && !rest.starts_with("Note,"))
        return false;
    Fields fields;
    std::size_t next = 0;
    if (!ParseRecord(text, pos, fields, next, nullptr) || !IsLine(fields))
        return false;
    HistoryRecord r;
    return fields[kKind] == kKinds[kNoteKind] || ToRecord(fields, r);
}

} // namespace

namespace historycsv {

std::vector<HistoryRecord> Read(std::string_view text, std::size_t limit)
{
    if (text.starts_with(kBom))
        text.remove_prefix(kBom.size());
    std::vector<HistoryRecord> records;
    std::unordered_map<std::string, std::size_t> byTime; // the latest record of each time
    std::map<std::string, int> seen;                     // equal records so far, by content
    Fields fields;
    std::vector<std::size_t> breaks;
    for (std::size_t pos = 0, next = 0; pos < text.size(); pos = next) {
        breaks.clear();
        const bool whole = ParseRecord(text, pos, fields, next, &breaks);
        // A line cut short inside quotes runs on into the lines after it; the
        // first of those that is a whole line of its own ends it.
        std::size_t resume = 0;
        for (std::size_t b : breaks)
            if (WholeLineAt(text, b)) {
                resume = b;
                break;
            }
        if (resume) {
            next = resume;
            continue;
        }
        if (!whole) {
            // Too long to be a record: only its first line is given up.
            const std::size_t eol = text.find('\n', pos);
            next = eol == std::string_view::npos || next >= text.size() ? text.size() : eol + 1;
            continue;
        }
        if (!IsLine(fields))
            continue; // the header has a kind of its own; other lines are no record of ours
        if (fields[kKind] == kKinds[kNoteKind]) {
            if (auto it = byTime.find(fields[kTime]); it != byTime.end())
                records[it->second].m_strNote = HistoryRecord::CutNote(fields[kNote]);
            continue;
        }
        HistoryRecord r;
        if (!ToRecord(fields, r))
            continue;
        std::string content;
        for (std::size_t c = 0; c < kNote; ++c)
            content.append(fields[c]).push_back('\x1f');
        r.m_strId = history::ContentId(content, seen[content]++);
        byTime[r.m_strTime] = records.size();
        records.push_back(std::move(r));
    }
    if (records.size() > limit)
        records.erase(records.begin(), records.end() - static_cast<std::ptrdiff_t>(limit));
    return records;
}

std::string Export(std::span<const HistoryRecord> records)
{
    const Fields header(kHeader.begin(), kHeader.end());
    std::string text = std::string(kBom) + JoinLine(header);
    for (const HistoryRecord& r : records)
        text += JoinLine(RecordFields(r));
    return text;
}

} // namespace historycsv

bool CCsvHistory::Load(std::vector<HistoryRecord>& records, HistoryError& error)
{
    std::string text;
    if (!platform::ReadFileBytes(m_strPath, text, historycsv::kMaxFileBytes)) {
        error = {HistoryError::Kind::Other, m_strPath};
        return false;
    }
    records = historycsv::Read(text, m_nLimit);
    for (HistoryRecord& r : records)
        r.m_bReadOnly = true;
    return true;
}

bool CCsvHistory::Refuse(HistoryError& error) const
{
    error = {HistoryError::Kind::ReadOnly, m_strPath};
    return false;
}
