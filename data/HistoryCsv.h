#pragma once
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/HistoryStore.h"

// The history as CSV, in the columns spreadsheets have always been given:
// Kind, Date and time, Version, Language, Series, Units, Side, the three
// entered codes, Interlock, Halt, Causes, Error numbers, Note, and since
// the machine was added, Machine (files without it are read too). UTF-8 with a
// byte-order mark, a header line, CRLF, fields quoted where needed.
namespace historycsv {

constexpr const char* kFileName = "History.csv";
// A History.csv larger than this is none the program wrote; it is not read.
constexpr std::size_t kMaxFileBytes = std::size_t(256) << 20;

// The records of a History.csv as earlier versions kept it, oldest first:
// record lines, and note lines that name their record by its time (a later
// note replaces an earlier one). A line cut short by a crash is skipped, even
// inside an open quote: a line break in quotes that is followed by a whole
// record ends the cut line there. Each record gets the id its content gives
// it (history::ContentId). At most the newest limit records.
std::vector<HistoryRecord> Read(std::string_view text, std::size_t limit);

// An export of records: one row each with its note. A field that a
// spreadsheet would take for a formula (beginning with =, +, -, @, a tab or a
// carriage return) gets an apostrophe in front.
std::string Export(std::span<const HistoryRecord> records);

} // namespace historycsv

// A History.csv that is shown but never written: its records are read anew
// on each Load.
class CCsvHistory final : public HistoryStore {
public:
    explicit CCsvHistory(std::string path, std::size_t limit) : m_strPath(std::move(path)), m_nLimit(limit) {}

    bool Load(std::vector<HistoryRecord>& records, HistoryError& error) override;
    bool Add(const HistoryRecord&, HistoryError& error) override { return Refuse(error); }
    bool Annotate(std::string_view, std::optional<std::string_view>, std::optional<std::string_view>, std::string_view,
                  std::string_view, HistoryError& error) override
    {
        return Refuse(error);
    }
    bool Delete(std::string_view, std::string_view, std::string_view, HistoryError& error) override { return Refuse(error); }
    bool IsReadOnly() const override { return true; }
    const HistoryError& ReadOnlyReason() const override { return m_none; }
    const std::string& Where() const override { return m_strPath; }

private:
    bool Refuse(HistoryError& error) const;

    std::string m_strPath;
    std::size_t m_nLimit;
    HistoryError m_none;
};
