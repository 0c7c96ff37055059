#pragma once
#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// One line of the diagnosis history: a result as the main window showed it.
struct HistoryRecord {
    bool m_bNarrowed = false;   // a list the lamp conditions narrowed
    std::string m_strTime;      // local ISO 8601 with milliseconds and offset; names the record
    std::string m_strVersion;
    int m_nLanguage = 1;        // 0 Chinese, 1 English
    int m_nSeries = 0;          // 0 "QL7B series", 1 "QL7-A series"
    int m_nUnits = 1;           // connected units, 1..3
    int m_nSide = 1;            // 1 emitter, 2 receiver
    // The entered code of Main Sensor, Sub Sensor 1 and 2 as the entry buttons
    // read in English; empty for a unit that is not connected.
    std::array<std::string, 3> m_strCodes;
    int m_nInterlock = 0;       // lamp conditions applied: 0 none, 1 unlit, 2 lit
    int m_nHalt = 0;
    std::vector<int> m_nErrNos; // the causes listed
    std::string m_strNote;      // the technician's note, up to kMaxNote characters

    bool operator==(const HistoryRecord&) const = default;
};

// The history file: CSV as spreadsheets read it (UTF-8 with a byte-order mark,
// a header line, CRLF, fields quoted where needed). It only ever grows by whole
// lines: a record line per result, and a note line that names its record by
// its time and replaces any earlier note of that record. A line cut short by a
// crash is skipped. Past kMaxRecords records the file is written anew without
// the oldest ones.
class CHistoryFile {
public:
    static constexpr std::size_t kMaxRecords = 20000;
    static constexpr std::size_t kMaxNote = 500; // characters
    static constexpr const char* kFileName = "History.csv";

    // Why the history is not being kept.
    enum class Failure { None, NoPlace, WriteFailed };

    // Where the history is kept: History.csv in the data directory QL7_Tool
    // beside the program where that folder is writable, else in the user's data
    // folder; empty when there is neither.
    static std::string Locate();

    // The header line and one line per record or note, each ending in CRLF.
    static std::string Header();
    static std::string FormatRecord(const HistoryRecord& record);
    static std::string FormatNote(std::string_view time, std::string_view note);
    // A whole file: the byte-order mark, the header and the records, notes in their column.
    static std::string FormatFile(std::span<const HistoryRecord> records);
    // The records of a file's bytes, oldest first, notes applied: at most the
    // newest kMaxRecords. lines (when given) counts the record lines read.
    static std::vector<HistoryRecord> Parse(std::string_view text, std::size_t* lines = nullptr);
    // Error numbers as the file holds them, space-separated: "149 150 151".
    static std::string ErrorNumbers(const std::vector<int>& errNos);
    // note cut to kMaxNote characters at a whole character.
    static std::string CutNote(std::string_view note);

    // The history where Locate() finds it; nothing is read, searched or
    // written before it is needed.
    CHistoryFile() = default;
    // The history in the file at path.
    explicit CHistoryFile(std::string path) : m_strPath(std::move(path)), m_bLocated(true) {}

    // The records, oldest first; the file is read on the first call.
    const std::vector<HistoryRecord>& Records();
    // Appends a record (its time set); false when it could not be stored.
    bool Append(const HistoryRecord& record);
    // Sets the note of record index of Records(); false when it could not be stored.
    bool SetNote(std::size_t index, std::string_view note, std::string& error);
    // The records as a file of their own at path (a temporary file renamed into place).
    static bool Export(const std::string& path, std::span<const HistoryRecord> records, std::string& error);

    const std::string& Path() { Records(); return m_strPath; }
    // Why the history is not being kept, from the first failed write of this
    // object on (with the system's words for a failed write); None before.
    Failure LastFailure() const { return m_failure; }
    const std::string& FailureReason() const { return m_strReason; }

private:
    bool Store(std::string line, std::string& error);

    std::string m_strPath;
    bool m_bLocated = false;
    bool m_bLoaded = false;
    bool m_bFileEmpty = true;
    std::size_t m_nFileRecords = 0;
    std::vector<HistoryRecord> m_Records;
    Failure m_failure = Failure::None;
    std::string m_strReason;
};
