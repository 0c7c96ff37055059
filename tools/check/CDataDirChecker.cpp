#include "tools/check/CDataDirChecker.h"

#include "data/COperateIni.h"
#include "data/PictureTables.h"
#include "data/TextCatalogue.h"
#include "bitmaps/CBmpData.h"
#include "platform/ExeDir.h"
#include "platform/FileExists.h"
#include "platform/ProfileFile.h"
#include "tools/check/CheckRules.h"
#include "tools/check/ReachableSections.h"

#include <QDir>
#include <QFile>
#include <QPixmap>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>

namespace fs = std::filesystem;

namespace {


std::string Stops(Message msg)
{
    return " (the program stops with message " + std::to_string(static_cast<int>(msg)) + ")";
}

const std::string kMsgSettingMissing = Stops(Message::NoSettingFile);
const std::string kMsgSettingValue = Stops(Message::SettingsUnreadable);
const std::string kMsgHelpMissing = Stops(Message::NoHelpFile);
const std::string kMsgHelpValue = Stops(Message::HelpUnreadable);
const std::string kMsgBitmap = Stops(Message::BitmapsUnreadable);
const std::string kMsgCauseValue = " (message " + std::to_string(static_cast<int>(Message::CauseUnreadable))
                                    + " when a diagnosis reaches this section)";

std::string Upper(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// A value shortened and made printable for a report line.
std::string Quote(std::string_view s, std::size_t max = 40)
{
    std::string out = "\"";
    const std::size_t n = platform::WholeCharPrefix(s, platform::TextEncoding::Utf8, max);
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    if (n < s.size())
        out += "...";
    return out + "\"";
}

using checkrules::SizeText;

const char* UnitsText(int unitsIndex)
{
    return unitsIndex == 0 ? "three units" : unitsIndex == 1 ? "two units" : "one unit";
}

std::string CauseText(int series, int unitsIndex, int side, int errNo)
{
    std::string s = series == 1 ? "QL7-A, " : side == 1 ? "QL7B emitter side, " : "QL7B receiver side, ";
    return s + UnitsText(unitsIndex) + ", error " + std::to_string(errNo);
}

// The checks of the 33 tiles over every picture a diagnosis can show. Each
// row goes through CheckRow (an error row also through CheckBlink with the base
// row it alternates with); Report hands over the problems, a tile that is too
// big blamed once for all the pictures it spoils, and the same problem met in
// many pictures reported once, with a count.
class TileChecks {
public:
    // tiles[i] is slot i, or null when that file is missing or unreadable.
    explicit TileChecks(const std::vector<const QPixmap*>& tiles) : m_tiles(tiles) {}

    // Column heights, column widths and the strip of one picture.
    void CheckRow(const PictureRow& row, const std::string& where)
    {
        int x = 0;
        std::set<int> before; // last tiles of the earlier columns: they set this column's x
        std::string starts;
        for (int c = 0; c < 3; ++c) {
            int height = 0, widest = -1;
            std::string stack;
            std::set<int> column;
            for (int k = c * 4; k < c * 4 + 4; ++k) {
                const int t = TileOf(row[k]);
                if (t < 0)
                    continue;
                height += H(t);
                stack += (stack.empty() ? "" : "+") + FileOf(t);
                column.insert(t);
                if (widest < 0 || W(t) > W(widest))
                    widest = t;
            }
            starts += (c ? ", " : "") + std::to_string(x);
            CheckColumnHeight(c, height, column, stack, where);
            CheckColumnWidth(c, x, widest, before, starts, where);
            if (const int last = TileOf(row[c * 4 + 3]); last >= 0) {
                x += W(last);
                before.insert(last);
            }
        }
        CheckStrip(TileOf(row[12]), where);
    }

    // An error tile of another size than the base tile it blinks with moves the picture.
    void CheckBlink(const PictureRow& errorRow, const PictureRow& baseRow, const std::string& where)
    {
        for (int k = 0; k < 13; ++k) {
            const int a = TileOf(errorRow[k]), b = TileOf(baseRow[k]);
            if (a >= 0 && b >= 0 && m_tiles[a]->size() != m_tiles[b]->size())
                Note("b|" + FileOf(a) + FileOf(b), false, FileOf(a),
                     SizeText(W(a), H(a)) + ", but " + FileOf(b) + ", which it blinks with, is "
                         + SizeText(W(b), H(b)) + ": the picture shifts as it blinks",
                     where);
        }
    }

    void Report(std::vector<CheckProblem>& problems)
    {
        ReportFailures(problems);
        for (const std::string& id : m_order) {
            Repeated& r = m_found[id];
            r.problem.text += r.count > 1 ? " (in " + std::to_string(r.count) + " pictures, first: " + r.where + ")"
                                          : " (in 1 picture: " + r.where + ")";
            problems.push_back(std::move(r.problem));
        }
    }

private:
    // The excess of one picture: a column too high or the picture too wide.
    struct Failure {
        bool height;         // column too high, else picture too wide
        std::set<int> tiles; // the tiles that make up the excess
        std::string text, where;
    };
    // A problem of one tile (or pair), counted over the pictures it shows in.
    struct Repeated {
        CheckProblem problem;
        std::string where; // the first picture met
        int count = 0;
    };

    static std::string FileOf(int slot) { return CBmpData::CodeFileName(slot); }
    int W(int t) const { return m_tiles[t]->width(); }
    int H(int t) const { return m_tiles[t]->height(); }

    int TileOf(const std::string& code) const // slot of a loaded tile, or -1
    {
        const int slot = PictureCodeSlot(code);
        return slot >= 0 && m_tiles[slot] ? slot : -1;
    }

    void CheckColumnHeight(int column, int height, const std::set<int>& tiles, const std::string& stack,
                           const std::string& where)
    {
        if (height > checkrules::kColumnHeight)
            m_failures.push_back({true, tiles,
                                  std::string(kColumn[column]) + " column " + stack + " is " + std::to_string(height)
                                      + " px high, more than " + std::to_string(checkrules::kColumnHeight),
                                  where});
    }

    void CheckColumnWidth(int column, int x, int widest, const std::set<int>& before, const std::string& starts,
                          const std::string& where)
    {
        if (widest < 0 || x + W(widest) <= checkrules::kPictureWidth)
            return;
        // Blame the widest tile among those that place or fill this column.
        int culprit = widest;
        for (int t : before)
            if (W(t) > W(culprit))
                culprit = t;
        m_failures.push_back({false, {culprit},
                              std::string(kColumn[column]) + " column starts at x " + std::to_string(x)
                                  + " and reaches x " + std::to_string(x + W(widest)) + ", beyond "
                                  + std::to_string(checkrules::kPictureWidth) + " (columns start at x " + starts
                                  + "...)",
                              where});
    }

    void CheckStrip(int strip, const std::string& where)
    {
        if (strip >= 0 && (W(strip) > checkrules::kPictureWidth || H(strip) > checkrules::kStripHeight))
            Note("s|" + FileOf(strip), true, FileOf(strip),
                 "strip tile is " + SizeText(W(strip), H(strip)) + ", more than "
                     + SizeText(checkrules::kPictureWidth, checkrules::kStripHeight),
                 where);
    }

    void Note(const std::string& id, bool error, const std::string& file, const std::string& text,
              const std::string& where)
    {
        auto [it, fresh] = m_found.try_emplace(id);
        if (fresh) {
            it->second.problem = {error, file, "", "", text};
            it->second.where = where;
            m_order.push_back(id);
        }
        ++it->second.count;
    }

    // A tile too big shows up in every picture that holds it: the failures are
    // blamed on the fewest tiles that explain them.
    void ReportFailures(std::vector<CheckProblem>& problems)
    {
        std::vector<bool> covered(m_failures.size(), false);
        for (;;) {
            std::map<int, int> votes;
            for (std::size_t i = 0; i < m_failures.size(); ++i)
                if (!covered[i])
                    for (int t : m_failures[i].tiles)
                        ++votes[t];
            if (votes.empty())
                break;
            const int blamed = std::max_element(votes.begin(), votes.end(), [](const auto& a, const auto& b) {
                                   return a.second < b.second;
                               })->first;
            const Failure* first = nullptr;
            for (std::size_t i = 0; i < m_failures.size(); ++i) {
                if (covered[i] || !m_failures[i].tiles.count(blamed))
                    continue;
                covered[i] = true;
                if (!first)
                    first = &m_failures[i];
            }
            const int n = votes[blamed];
            problems.push_back({true, FileOf(blamed), "", "",
                                SizeText(W(blamed), H(blamed)) + " makes "
                                    + (first->height ? "a column too high" : "the picture too wide") + " in "
                                    + std::to_string(n) + (n == 1 ? " picture" : " pictures") + "; first: "
                                    + first->text + " (" + first->where + ")"});
        }
    }

    static constexpr const char* kColumn[] = {"left", "middle", "right"};
    const std::vector<const QPixmap*>& m_tiles;
    std::vector<Failure> m_failures;
    std::map<std::string, Repeated> m_found; // by kind and tiles
    std::vector<std::string> m_order;        // ids of m_found in the order met
};

} // namespace

std::string FormatProblem(const CheckProblem& p)
{
    std::string line = p.error ? "error: " : p.note ? "note: " : "warning: ";
    line += p.file;
    if (!p.section.empty())
        line += " [" + p.section + "]";
    if (!p.key.empty())
        line += " " + p.key;
    return line + ": " + p.text;
}

CDataDirChecker::CDataDirChecker(std::string dataDir) : m_dir(std::move(dataDir))
{
    while (m_dir.size() > 1 && m_dir.back() == '/')
        m_dir.pop_back();
}

int CDataDirChecker::ErrorCount() const
{
    return static_cast<int>(std::count_if(m_problems.begin(), m_problems.end(),
                                          [](const CheckProblem& p) { return p.error; }));
}

int CDataDirChecker::WarningCount() const
{
    return static_cast<int>(m_problems.size()) - ErrorCount();
}

std::string CDataDirChecker::Summary() const
{
    const int e = ErrorCount(), w = WarningCount();
    return std::to_string(e) + (e == 1 ? " error, " : " errors, ") + std::to_string(w)
        + (w == 1 ? " warning" : " warnings");
}

void CDataDirChecker::Add(bool error, std::string file, std::string section, std::string key,
                          std::string text)
{
    m_problems.push_back({error, std::move(file), std::move(section), std::move(key), std::move(text)});
}

void CDataDirChecker::Note(std::string file, std::string text)
{
    m_notes.push_back({false, std::move(file), "", "", std::move(text), true});
}

int CDataDirChecker::Run()
{
    m_problems.clear();
    m_notes.clear();
    if (!OpenDirectory())
        return kUnreadable;
    CheckSettings();
    CheckHelp();
    for (const CauseFileInfo& info : g_causeFiles)
        CheckCauseFile(info);
    CheckBitmaps();
    return ErrorCount() > 0 ? kProblems : kClean;
}

bool CDataDirChecker::OpenDirectory()
{
    std::error_code ec;
    const fs::file_status st = fs::status(platform::FileSystemPath(m_dir), ec);
    if (ec || !fs::is_directory(st)) {
        Add(true, m_dir, "", "",
            "cannot read the data directory: " + (ec ? ec.message() : std::string("not a directory")));
        return false;
    }
    m_entries.clear();
    fs::directory_iterator it(platform::FileSystemPath(m_dir), ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec))
        m_entries.push_back(platform::PathText(it->path().filename()));
    if (ec) {
        Add(true, m_dir, "", "", "cannot read the data directory: " + ec.message());
        return false;
    }
    return true;
}

bool CDataDirChecker::CheckPresent(const std::string& name, const std::string& consequence)
{
    const fs::path path = platform::FileSystemPath(m_dir + "/" + name);
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (ec || !fs::exists(st)) {
        std::string what;
        if (ec == std::errc::too_many_symbolic_link_levels) {
            what = "is a symbolic link loop";
        } else if (!ec || ec == std::errc::no_such_file_or_directory) {
            std::error_code lec;
            if (fs::is_symlink(fs::symlink_status(path, lec))) {
                what = "is a symbolic link to nothing";
            } else {
                what = "missing";
                // Names are case-sensitive here; a near miss is the likely cause.
                for (const std::string& entry : m_entries)
                    if (entry != name && Upper(entry) == Upper(name))
                        what += " (there is \"" + entry + "\": names are case-sensitive)";
            }
        } else {
            what = "cannot be read: " + ec.message();
        }
        Add(true, name, "", "", what + consequence);
        return false;
    }
    if (fs::is_directory(st)) {
        Add(true, name, "", "", std::string("is a directory, not a file") + consequence);
        return false;
    }
    if (!fs::is_regular_file(st)) {
        Add(true, name, "", "", std::string("is not a regular file") + consequence);
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        Add(true, name, "", "", std::string("cannot be read") + consequence);
        return false;
    }
    return true;
}

bool CDataDirChecker::ReadText(const std::string& name, const std::string& consequence, std::string& text)
{
    if (!CheckPresent(name, consequence))
        return false;
    // One bounded read serves both the text and the report of an undecodable byte.
    std::string bytes;
    if (!platform::ReadFileBytes(m_dir + "/" + name, bytes, checkrules::kLargestTextFile)) {
        Add(true, name, "", "", std::string("cannot be read") + consequence);
        return false;
    }
    const platform::TextEncoding found = platform::DetectTextEncoding(bytes, COperateIni::FileAnsi(name));
    // Where the system's converter stands in for Qt's (Windows), it is named.
    const std::string converter = platform::TextConverterName(found);
    Note(name, std::string("read as ") + platform::TextEncodingName(found)
                   + (converter == "Qt" ? "" : " through " + converter));
    bool decodable = true;
    m_encoding = platform::ToByteText(bytes, found, text, &decodable);
    if (!decodable) {
        const std::size_t bad = std::min(platform::FirstUndecodable(bytes, found), bytes.size());
        const std::size_t line = 1 + static_cast<std::size_t>(std::count(bytes.begin(), bytes.begin() + bad, '\n'));
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", bad < bytes.size() ? static_cast<unsigned char>(bytes[bad]) : 0);
        Add(true, name, "", "",
            "byte " + std::to_string(bad + 1) + " (" + hex + ", line " + std::to_string(line)
                + ") is no character of " + platform::TextEncodingName(found)
                + ": the text around it does not show as written");
    }
    return true;
}

void CDataDirChecker::CheckSettings()
{
    const std::string file = "Setting.ini";
    std::string text;
    if (!ReadText(file, kMsgSettingMissing, text))
        return;
    // The repair and the settings screen write wherever the file itself is writable.
    const bool writable = platform::IsWritableFile(m_dir + "/" + file);

    struct Key {
        const char* name;
        std::set<std::string> allowed;
        const char* allowedText;
    };
    const Key keys[] = {
        {"Language", {"0", "1"}, "\"0\", \"1\" or empty"},
        {"Type", {"0"}, "\"0\" or empty"},
        {"DialogHeight", {"0", "1"}, "\"0\", \"1\" or empty"},
    };
    bool anyEmpty = false;
    for (const Key& k : keys) {
        const std::string v = platform::GetProfileStringFromText(text, "Setting", k.name, "ERR",
                                                                 checkrules::kSettingBytes + 1, m_encoding);
        if (v == "ERR") {
            const bool absent = !platform::FindProfileValue(text, "Setting", k.name);
            Add(true, file, "Setting", k.name,
                std::string(absent ? "missing" : "value \"ERR\" counts as missing") + kMsgSettingValue);
        } else if (v.empty()) {
            anyEmpty = true;
            if (writable)
                Add(false, file, "Setting", k.name, "empty; the program writes \"0\" in its place at start");
            else
                Add(true, file, "Setting", k.name,
                    std::string("empty, and the file cannot be written to repair it") + kMsgSettingValue);
        } else if (!k.allowed.count(v)) {
            Add(true, file, "Setting", k.name,
                "value " + Quote(v) + " is not accepted (allowed: " + k.allowedText + ")" + kMsgSettingValue);
        }
    }
    if (!writable && !anyEmpty)
        Add(false, file, "", "", "cannot be written: OK on the settings screen shows message "
                                     + std::to_string(static_cast<int>(Message::CannotWrite)));
}

void CDataDirChecker::CheckValue(const std::string& file, const std::string& section,
                                 const std::string& key, std::string_view sectionText,
                                 std::size_t limit, bool emptyIsError)
{
    const bool help = file == "Help.ini";
    const std::string& consequence = help ? kMsgHelpValue : kMsgCauseValue;
    // Exactly what the program reads: buffer of limit + 1 bytes, default "ERR".
    const std::string cut =
        platform::GetProfileStringFromText(sectionText, section, key, "ERR", limit + 1, m_encoding);
    const std::optional<std::string_view> stored = platform::FindProfileValue(sectionText, section, key);
    if (cut == "ERR" || !stored) {
        Add(true, file, section, key,
            std::string(!stored ? "missing" : "value \"ERR\" counts as missing") + consequence);
        return;
    }
    if (stored->empty()) {
        Add(emptyIsError, file, section, key, help ? "empty: no help text is shown" : "empty");
        return;
    }
    // Lengths count the file's own bytes, as the program's buffers do.
    if (stored->size() > limit) {
        const std::size_t kept = platform::WholeCharPrefix(*stored, m_encoding, limit);
        const std::size_t tailFrom =
            platform::WholeCharPrefix(cut, platform::TextEncoding::Utf8, cut.size() > 30 ? cut.size() - 30 : 0);
        const std::string tail = cut.substr(cut.size() > 30 ? tailFrom : 0);
        const std::string lost = platform::ToUtf8(stored->substr(kept), m_encoding);
        Add(true, file, section, key,
            std::to_string(stored->size()) + " bytes, more than the " + std::to_string(limit)
                + " the program reads: cut after byte " + std::to_string(kept) + ", at ..."
                + Quote(tail, 40) + " (lost: " + Quote(lost, 20) + ")");
    }
}

void CDataDirChecker::CheckHelp()
{
    const std::string file = "Help.ini";
    std::string text;
    if (!ReadText(file, kMsgHelpMissing, text))
        return;
    for (const char* section : {"RemedyJ", "RemedyE"})
        CheckValue(file, section, "Remedy", text, checkrules::kHelpBytes, false);
}

void CDataDirChecker::CheckCauseFile(const CauseFileInfo& info)
{
    const std::string file = info.name;
    const std::string number = std::to_string(static_cast<int>(Message::NoCauseFile));
    const std::string consequence = info.series == 0
        ? " (the program stops with message " + number + " when this language is chosen)"
        : " (message " + number + " when this series and language are chosen)";
    std::string text;
    if (!ReadText(file, consequence, text))
        return;

    // First occurrence of each name, as the reader finds it, and how often it occurs.
    const std::vector<platform::ProfileSection> sections = platform::GetProfileSectionsFromText(text, m_encoding);
    std::map<std::string, std::pair<const platform::ProfileSection*, int>> byName;
    for (const platform::ProfileSection& s : sections) {
        auto& entry = byName[Upper(s.name)];
        if (entry.second++ == 0)
            entry.first = &s;
    }

    const std::vector<ReachableSection> reachable = ReachableSections(info.series);
    std::set<std::string> reachableNames;
    int present = 0;
    for (const ReachableSection& r : reachable) {
        reachableNames.insert(Upper(r.name));
        present += byName.count(Upper(r.name)) ? 1 : 0;
    }
    if (present == 0) {
        Add(true, file, "", "",
            "none of the " + std::to_string(reachable.size())
                + " sections the diagnosis asks for is present" + kMsgCauseValue);
    } else {
        for (const ReachableSection& r : reachable) {
            const auto it = byName.find(Upper(r.name));
            if (it == byName.end()) {
                Add(true, file, r.name, "", std::string("section missing") + kMsgCauseValue);
                continue;
            }
            for (const char* key : {"ca", "re"})
                CheckValue(file, r.name, key, it->second.first->text, checkrules::kCauseBytes, true);
        }
    }
    for (const platform::ProfileSection& s : sections) {
        const auto& entry = byName[Upper(s.name)];
        if (entry.first != &s)
            continue;
        if (!reachableNames.count(Upper(s.name)))
            Add(false, file, s.name, "", "no diagnosis asks for this section");
        if (entry.second > 1)
            Add(false, file, s.name, "",
                "appears " + std::to_string(entry.second) + " times; only the first is read");
    }
}

void CDataDirChecker::CheckBitmaps()
{
    std::array<QPixmap, 33> tiles;
    std::vector<const QPixmap*> loaded(33, nullptr);
    for (int i = 0; i < 33; ++i) {
        const std::string name = CBmpData::CodeFileName(i);
        if (!CheckPresent(name, kMsgBitmap))
            continue;
        if (CBmpData::LoadBitmapPath(m_dir + "/" + name, &tiles[i]))
            loaded[i] = &tiles[i];
        else
            Add(true, name, "", "", std::string("cannot be read as a BMP image") + kMsgBitmap);
    }
    const auto rules = checkrules::PictureRules();
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const std::string name = rules[i].file;
        if (!CheckPresent(name, kMsgBitmap))
            continue;
        QPixmap image;
        if (CBmpData::LoadBitmapPath(m_dir + "/" + name, &image))
            CheckPicture(name, image, static_cast<int>(i));
        else
            Add(true, name, "", "", std::string("cannot be read as a BMP image") + kMsgBitmap);
    }
    CheckTiles(loaded);
}

void CDataDirChecker::CheckPicture(const std::string& file, const QPixmap& image, int index)
{
    const checkrules::PictureRule& rule = checkrules::PictureRules()[index];
    if (rule.maxRight == 0)
        return;
    const QSize drawn = DrawnBitmapSize(image.width(), image.height(), rule.scaled);
    const int w = drawn.width(), h = drawn.height();
    const int right = rule.x + w, bottom = rule.y + h;
    if (right <= rule.maxRight && bottom <= rule.maxBottom)
        return;
    std::string text = SizeText(image.width(), image.height());
    if (rule.scaled)
        text += ", drawn " + SizeText(w, h) + ",";
    text += " at (" + std::to_string(rule.x) + ", " + std::to_string(rule.y) + ") on the " + rule.screen
        + " ends at (" + std::to_string(right) + ", " + std::to_string(bottom) + "); its room ends at ("
        + std::to_string(rule.maxRight) + ", " + std::to_string(rule.maxBottom) + "): " + rule.room;
    Add(true, file, "", "", text);
}

void CDataDirChecker::CheckTiles(const std::vector<const QPixmap*>& tiles)
{
    TileChecks checks(tiles);
    for (int units = 0; units <= 2; ++units) {
        PictureRow base;
        GetBaseRow(units, base);
        checks.CheckRow(base, std::string("base picture, ") + UnitsText(units));
    }
    for (int series = 0; series <= 1; ++series) {
        for (const ReachableSection& r : ReachableSections(series)) {
            PictureRow errorRow, baseRow;
            if (!GetPictureRows(series, r.unitsIndex, r.errNo, r.side, errorRow, baseRow))
                continue;
            const std::string where = CauseText(series, r.unitsIndex, r.side, r.errNo);
            checks.CheckRow(errorRow, where);
            checks.CheckBlink(errorRow, baseRow, where);
        }
    }
    checks.Report(m_problems);
}
