#pragma once
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/TextEncoding.h"

class QPixmap;
struct CauseFileInfo;

// One thing wrong with the data directory: an error the user will meet, or a
// warning about something harmless but probably unintended.
struct CheckProblem {
    bool error = true;
    std::string file;     // name inside the data directory, or tiles joined by "+"
    std::string section;  // empty when the problem is the file's
    std::string key;      // empty when the problem is the section's
    std::string text;
    bool note = false;    // neither error nor warning: what the check found, e.g. a file's encoding
};

// "error: QL7BE.ini [3LINEE12] ca: ..."
std::string FormatProblem(const CheckProblem& problem);

// Checks a data directory the way the program will read it: the same profile
// reader, the same bitmap loader, the sections the diagnosis tables reach.
// The bitmap loader needs a QGuiApplication.
class CDataDirChecker {
public:
    enum Status { kClean = 0, kProblems = 1, kUnreadable = 2 };

    explicit CDataDirChecker(std::string dataDir);

    // Runs every check; returns the exit status of darvell-check.
    int Run();

    const std::vector<CheckProblem>& Problems() const { return m_problems; }
    // What the checks found that is no problem: the encoding of each text file.
    const std::vector<CheckProblem>& Notes() const { return m_notes; }
    int ErrorCount() const;
    int WarningCount() const;
    std::string Summary() const; // "N errors, M warnings"

private:
    bool OpenDirectory();
    bool CheckPresent(const std::string& name, const std::string& consequence);
    // A text file as the program reads it, in its byte text; notes its encoding.
    bool ReadText(const std::string& name, const std::string& consequence, std::string& text);
    void CheckSettings();
    void CheckHelp();
    void CheckCauseFile(const CauseFileInfo& info);
    void CheckValue(const std::string& file, const std::string& section, const std::string& key,
                    std::string_view sectionText, std::size_t limit, bool emptyIsError);
    void CheckBitmaps();
    void CheckTiles(const std::vector<const QPixmap*>& tiles);
    void CheckPicture(const std::string& file, const QPixmap& image, int index);

    void Add(bool error, std::string file, std::string section, std::string key, std::string text);
    void Note(std::string file, std::string text);

    std::string m_dir;
    std::vector<std::string> m_entries; // names in the directory, for case hints
    std::vector<CheckProblem> m_problems;
    std::vector<CheckProblem> m_notes;
    platform::TextEncoding m_encoding = platform::TextEncoding::Utf8; // of the text being checked
};
