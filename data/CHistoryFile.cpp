#include "data/CHistoryFile.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>

#include "platform/AppendFile.h"
#include "platform/ExeDir.h"
#include "platform/FileExists.h"
#include "platform/AtomicWrite.h"
#include "platform/UserDataDir.h"
#include "platform/WritableDir.h"

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kEol = "\r\n";
// A history larger than this is not one the program wrote; it is not read.
constexpr std::size_t kMaxFileBytes = std::size_t(256) << 20;

// The file's words, English whatever the language of the run.
enum Column { kKind, kTime, kVersion, kLanguage, kSeries, kUnits, kSide, kMain, kSub1, kSub2,
              kInterlock, kHalt, kCauses, kErrNos, kNote, kColumns };
constexpr std::array<std::string_view, kColumns> kHeader = {
    "Kind", "Date and time", "Version", "Language", "Series", "Units", "Side", "Main Sensor",
    "Sub Sensor 1", "Sub Sensor 2", "Interlock", "Halt", "Causes", "Error numbers", "Note"};
constexpr std::string_view kKinds[] = {"Diagnosis", "Narrowed", "Note"};
constexpr std::string_view kLanguages[] = {"Chinese", "English"};
constexpr std::string_view kSeriesNames[] = {"QL7B series", "QL7-A series"};
constexpr std::string_view kSides[] = {"", "Emitter", "Receiver"};
constexpr std::string_view kLamps[] = {"", "Light OFF", "Light ON"};

// Index of word in words, or -1.
template <std::size_t N>
int IndexOf(const std::string_view (&words)[N], std::string_view word)
{
    for (std::size_t i = 0; i < N; ++i)
        if (words[i] == word)
            return static_cast<int>(i);
    return -1;
}

void AppendField(std::string& line, std::string_view field)
{
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        line.append(field);
        return;
    }
    line.push_back('"');
    for (char c : field) {
        if (c == '"')
            line.push_back('"');
        line.push_back(c);
    }
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

// The next whole record of text from pos (its fields unquoted), moving pos
// past it. False at the end and for a record that the end cuts short: a
// record ends at a line feed outside quotes.
bool NextRecord(std::string_view text, std::size_t& pos, std::vector<std::string>& fields)
{
    fields.assign(1, std::string());
    bool quoted = false;
    for (std::size_t i = pos; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != '"')
                fields.back().push_back(c);
            else if (i + 1 < text.size() && text[i + 1] == '"')
                fields.back().push_back(text[++i]);
            else
                quoted = false;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c == '\n') {
            if (!fields.back().empty() && fields.back().back() == '\r')
                fields.back().pop_back();
            pos = i + 1;
            return true;
        } else {
            fields.back().push_back(c);
        }
    }
    pos = text.size();
    return false;
}

bool ToInt(std::string_view s, int& out)
{
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
}

// A record line's fields as a record; false for anything the program did not write.
bool ToRecord(const std::vector<std::string>& f, HistoryRecord& r)
{
    int causes = 0;
    if (f[kTime].empty() || !ToInt(f[kUnits], r.m_nUnits) || r.m_nUnits < 1 || r.m_nUnits > 3
        || !ToInt(f[kCauses], causes))
        return false;
    r.m_bNarrowed = f[kKind] == kKinds[1];
    r.m_strTime = f[kTime];
    r.m_strVersion = f[kVersion];
    r.m_nLanguage = IndexOf(kLanguages, f[kLanguage]);
    r.m_nSeries = IndexOf(kSeriesNames, f[kSeries]);
    r.m_nSide = IndexOf(kSides, f[kSide]);
    r.m_nInterlock = IndexOf(kLamps, f[kInterlock]);
    r.m_nHalt = IndexOf(kLamps, f[kHalt]);
    if (r.m_nLanguage < 0 || r.m_nSeries < 0 || r.m_nSide < 1 || r.m_nInterlock < 0 || r.m_nHalt < 0)
        return false;
    for (int u = 0; u < 3; ++u)
        r.m_strCodes[static_cast<std::size_t>(u)] = f[static_cast<std::size_t>(kMain + u)];
    std::string_view numbers = f[kErrNos];
    while (!numbers.empty()) {
        const std::size_t space = numbers.find(' ');
        int n = 0;
        if (!ToInt(numbers.substr(0, space), n))
            return false;
        r.m_nErrNos.push_back(n);
        numbers = space == std::string_view::npos ? std::string_view() : numbers.substr(space + 1);
    }
    r.m_strNote = f[kNote];
    return causes == static_cast<int>(r.m_nErrNos.size());
}

} // namespace

std::string CHistoryFile::Locate()
{
    if (platform::IsWritableDir(platform::DataPath()))
        return platform::DataPath(kFileName);
    return platform::UserDataPath(kFileName);
}

std::string CHistoryFile::Header()
{
    const std::vector<std::string> fields(kHeader.begin(), kHeader.end());
    return JoinLine(fields);
}

std::string CHistoryFile::FormatRecord(const HistoryRecord& r)
{
    auto word = [](auto& words, int i) {
        return std::string(i >= 0 && i < int(std::size(words)) ? words[i] : words[0]);
    };
    const std::string fields[kColumns] = {
        std::string(kKinds[r.m_bNarrowed ? 1 : 0]), r.m_strTime, r.m_strVersion,
        word(kLanguages, r.m_nLanguage == 1 ? 1 : 0), word(kSeriesNames, r.m_nSeries == 1 ? 1 : 0),
        std::to_string(r.m_nUnits), word(kSides, r.m_nSide), r.m_strCodes[0], r.m_strCodes[1], r.m_strCodes[2],
        word(kLamps, r.m_nInterlock), word(kLamps, r.m_nHalt), std::to_string(r.m_nErrNos.size()), ErrorNumbers(r.m_nErrNos),
        CutNote(r.m_strNote)};
    return JoinLine(fields);
}

std::string CHistoryFile::FormatNote(std::string_view time, std::string_view note)
{
    std::string fields[kColumns];
    fields[kKind] = kKinds[2];
    fields[kTime] = time;
    fields[kNote] = CutNote(note);
    return JoinLine(fields);
}

std::string CHistoryFile::FormatFile(std::span<const HistoryRecord> records)
{
    std::string text = std::string(kBom) + Header();
    for (const HistoryRecord& r : records)
        text += FormatRecord(r);
    return text;
}

std::string CHistoryFile::ErrorNumbers(const std::vector<int>& errNos)
{
    std::string text;
    for (int n : errNos)
        text += (text.empty() ? "" : " ") + std::to_string(n);
    return text;
}

std::string CHistoryFile::CutNote(std::string_view note)
{
    std::size_t chars = 0, end = 0;
    for (; end < note.size(); ++end) {
        const bool lead = (static_cast<unsigned char>(note[end]) & 0xC0) != 0x80;
        if (lead && ++chars > kMaxNote)
            break;
    }
    return std::string(note.substr(0, end));
}

std::vector<HistoryRecord> CHistoryFile::Parse(std::string_view text, std::size_t* lines)
{
    if (text.starts_with(kBom))
        text.remove_prefix(kBom.size());
    std::vector<HistoryRecord> records;
    std::unordered_map<std::string, std::size_t> byTime; // the latest record of each time
    std::vector<std::string> fields;
    std::size_t pos = 0;
    while (NextRecord(text, pos, fields)) {
        if (fields.size() != kColumns)
            continue; // the header has a kind of its own; other lines are no record of ours
        const int kind = IndexOf(kKinds, fields[kKind]);
        if (kind == 2) {
            if (auto it = byTime.find(fields[kTime]); it != byTime.end())
                records[it->second].m_strNote = CutNote(fields[kNote]);
            continue;
        }
        HistoryRecord r;
        if (kind < 0 || !ToRecord(fields, r))
            continue;
        byTime[r.m_strTime] = records.size();
        records.push_back(std::move(r));
    }
    if (lines)
        *lines = records.size();
    if (records.size() > kMaxRecords)
        records.erase(records.begin(), records.end() - kMaxRecords);
    return records;
}

const std::vector<HistoryRecord>& CHistoryFile::Records()
{
    if (m_bLoaded)
        return m_Records;
    m_bLoaded = true;
    if (!m_bLocated)
        m_strPath = Locate();
    m_bLocated = true;
    std::string text;
    if (!m_strPath.empty() && platform::ReadFileBytes(m_strPath, text, kMaxFileBytes)) {
        m_bFileEmpty = text.empty();
        m_Records = Parse(text, &m_nFileRecords);
    } else {
        // Missing, or nothing we can read: a new file starts, or the write says why not.
        m_bFileEmpty = !platform::FileExists(m_strPath);
    }
    return m_Records;
}

bool CHistoryFile::Store(std::string line, std::string& error)
{
    Records();
    if (m_strPath.empty()) {
        m_failure = Failure::NoPlace;
        return false;
    }
    if (m_bFileEmpty)
        line = std::string(kBom) + Header() + line;
    if (!platform::AppendLine(m_strPath, line, error)) {
        // The first failure of the run stands: the history has a gap from then on.
        if (m_failure == Failure::None) {
            m_failure = Failure::WriteFailed;
            m_strReason = error;
        }
        return false;
    }
    m_bFileEmpty = false;
    return true;
}

bool CHistoryFile::Append(const HistoryRecord& record)
{
    std::string error;
    if (!Store(FormatRecord(record), error))
        return false;
    m_Records.push_back(record);
    m_Records.back().m_strNote = CutNote(record.m_strNote);
    ++m_nFileRecords;
    if (m_nFileRecords > kMaxRecords) {
        // Written anew without the oldest; should that fail, the file keeps
        // growing and the next record tries again.
        m_Records.erase(m_Records.begin(), m_Records.end() - kMaxRecords);
        if (platform::WriteFileAtomically(m_strPath, FormatFile(m_Records), error))
            m_nFileRecords = m_Records.size();
    }
    return true;
}

bool CHistoryFile::SetNote(std::size_t index, std::string_view note, std::string& error)
{
    if (index >= Records().size())
        return false;
    HistoryRecord& r = m_Records[index];
    if (!Store(FormatNote(r.m_strTime, note), error))
        return false;
    r.m_strNote = CutNote(note);
    return true;
}

bool CHistoryFile::Export(const std::string& path, std::span<const HistoryRecord> records, std::string& error)
{
    return platform::WriteFileAtomically(path, FormatFile(records), error);
}
