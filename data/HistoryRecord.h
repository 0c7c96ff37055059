#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One diagnosis of the history: a result as the main window showed it. Its
// fields are fixed once it is made; only the note and the machine change,
// each with its own time.
struct HistoryRecord {
    static constexpr std::size_t kMaxNote = 500;    // characters
    static constexpr std::size_t kMaxMachine = 60;  // characters
    static constexpr std::size_t kMaxLaptop = 64;   // characters

    std::string m_strId;        // a UUID, lower case without braces; the record's name everywhere
    bool m_bNarrowed = false;   // a list the lamp conditions narrowed
    std::string m_strTime;      // local ISO 8601 with milliseconds and offset, as taken when made
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
    std::string m_strNote;      // the technician's note, up to kMaxNote characters, line breaks kept
    std::string m_strNoteTime;  // when the note was written (as m_strTime); empty when unknown
    std::string m_strMachine;     // the press or line the record belongs to, one line, up to kMaxMachine
    std::string m_strMachineTime; // when the machine was set (as m_strTime); empty when never
    std::string m_strAuthor;      // the team server user who made it; empty when none was set
    std::string m_strLaptop;      // the host name of the computer it was made on; empty when unknown
    bool m_bOwn = true;           // made here or taken over here; false: taken from the team server
    bool m_bReadOnly = false;     // listed from a history this program cannot write

    bool operator==(const HistoryRecord&) const = default;

    // Error numbers as the history holds them, space-separated: "149 150 151".
    static std::string ErrorNumbers(const std::vector<int>& errNos);
    // And back; false for anything else.
    static bool ParseErrorNumbers(std::string_view text, std::vector<int>& errNos);
    // note cut to kMaxNote characters at a whole character.
    static std::string CutNote(std::string_view note);
    // machine on one line (control characters as spaces), cut to kMaxMachine characters.
    static std::string CutMachine(std::string_view machine);
    // Whether every number names something the program knows: units 1..3,
    // side 1 or 2, lamp conditions 0..2, language and series 0 or 1.
    bool IsValid() const;
};

namespace history {

// A moment (milliseconds since 1970 UTC) as local ISO 8601 with milliseconds
// and the offset the system's time zone gives it: "2026-12-09T14:05:00.123+08:00".
std::string LocalTime(std::int64_t msSinceEpoch);
// Now, the same way.
std::string Now();
// The moment an ISO 8601 time with an offset names; none for any other text.
std::optional<std::int64_t> MsSinceEpoch(std::string_view isoTime);
// "2026-12-09T14:05:00.123+08:00" as "2026-12-09T14:05:00+08:00", in its own offset.
std::string WithoutMilliseconds(std::string_view isoTime);
// "yyyyMMdd-HHmm" of an ISO 8601 time in its own offset, for file names;
// empty for any other text.
std::string FileStamp(std::string_view isoTime);
// A new random id.
std::string NewId();
// Whether id is one the history makes: a UUID, lower case without braces.
bool IsId(std::string_view id);
// Whether text is valid UTF-8.
bool IsUtf8(std::string_view text);
// text cut to at most chars characters at a whole character (text is UTF-8).
std::string CutChars(std::string_view text, std::size_t chars);
// This computer's host name, cut to HistoryRecord::kMaxLaptop characters.
std::string LaptopName();

// Who set a note or machine value, and when. Every laptop picks the same
// winner of two values of one record: the later moment, then the greater
// author's name (compared byte by byte), then the greater server change id;
// a value with no change id (this laptop's, not yet confirmed by the server)
// loses a full tie to one that has one. A time that names no moment is the
// earliest of all.
struct ValueStamp {
    std::string_view time;
    std::string_view author;
    std::optional<std::int64_t> changeId;
};
// Whether a wins over b; false for two equal stamps.
bool Wins(const ValueStamp& a, const ValueStamp& b);
// The id a record taken over from another file gets: the same content, the
// same id, on every machine. occurrence tells apart equal records of one file.
std::string ContentId(std::string_view content, int occurrence);

} // namespace history
