#include "tools/check/TileChecks.h"

#include "draw/CBmpData.h"
#include "tools/check/CheckRules.h"

#include <QPixmap>
#include <algorithm>

namespace {

constexpr const char* kColumn[] = {"left", "middle", "right"};

std::string FileOf(int slot)
{
    return CBmpData::CodeFileName(slot);
}

using checkrules::SizeText;

} // namespace

int TileChecks::TileOf(const std::string& code) const
{
    for (int i = 0; i < int(g_pictureCodes.size()); ++i)
        if (code == g_pictureCodes[i])
            return m_tiles[i] ? i : -1;
    return -1;
}

int TileChecks::Width(int t) const
{
    return m_tiles[t]->width();
}

int TileChecks::Height(int t) const
{
    return m_tiles[t]->height();
}

void TileChecks::CheckRow(const PictureRow& row, const std::string& where)
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
            height += Height(t);
            stack += (stack.empty() ? "" : "+") + FileOf(t);
            column.insert(t);
            if (widest < 0 || Width(t) > Width(widest))
                widest = t;
        }
        starts += (c ? ", " : "") + std::to_string(x);
        CheckColumnHeight(c, height, column, stack, where);
        CheckColumnWidth(c, x, widest, before, starts, where);
        const int last = TileOf(row[c * 4 + 3]);
        if (last >= 0) {
            x += Width(last);
            before.insert(last);
        }
    }
    CheckStrip(row, where);
}

void TileChecks::CheckColumnHeight(int column, int height, const std::set<int>& tiles,
                                   const std::string& stack, const std::string& where)
{
    if (height <= checkrules::kColumnHeight)
        return;
    m_failures.push_back({true, tiles,
                          std::string(kColumn[column]) + " column " + stack + " is " + std::to_string(height)
                              + " px high, more than " + std::to_string(checkrules::kColumnHeight),
                          where});
}

void TileChecks::CheckColumnWidth(int column, int x, int widest, const std::set<int>& before,
                                  const std::string& starts, const std::string& where)
{
    if (widest < 0 || x + Width(widest) <= checkrules::kPictureWidth)
        return;
    // Blame the widest tile among those that place or fill this column.
    int culprit = widest;
    for (int t : before)
        if (Width(t) > Width(culprit))
            culprit = t;
    m_failures.push_back({false, {culprit},
                          std::string(kColumn[column]) + " column starts at x " + std::to_string(x)
                              + " and reaches x " + std::to_string(x + Width(widest)) + ", beyond "
                              + std::to_string(checkrules::kPictureWidth) + " (columns start at x " + starts
                              + "...)",
                          where});
}

void TileChecks::CheckStrip(const PictureRow& row, const std::string& where)
{
    const int strip = TileOf(row[12]);
    if (strip < 0 || (Width(strip) <= checkrules::kPictureWidth && Height(strip) <= checkrules::kStripHeight))
        return;
    Note("s|" + FileOf(strip), true, FileOf(strip),
         "strip tile is " + SizeText(Width(strip), Height(strip)) + ", more than "
             + SizeText(checkrules::kPictureWidth, checkrules::kStripHeight),
         where);
}

void TileChecks::CheckBlink(const PictureRow& errorRow, const PictureRow& baseRow, const std::string& where)
{
    // The two rows alternate; a tile of another size moves the picture.
    for (int k = 0; k < 13; ++k) {
        const int a = TileOf(errorRow[k]), b = TileOf(baseRow[k]);
        if (a < 0 || b < 0 || m_tiles[a]->size() == m_tiles[b]->size())
            continue;
        Note("b|" + FileOf(a) + FileOf(b), false, FileOf(a),
             SizeText(Width(a), Height(a)) + ", but " + FileOf(b) + ", which it blinks with, is "
                 + SizeText(Width(b), Height(b)) + ": the picture shifts as it blinks",
             where);
    }
}

void TileChecks::Note(const std::string& id, bool error, const std::string& file, const std::string& text,
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

void TileChecks::Report(std::vector<CheckProblem>& problems)
{
    ReportFailures(problems);
    ReportRepeated(problems);
}

void TileChecks::ReportFailures(std::vector<CheckProblem>& problems)
{
    // A tile too big shows up in every picture that holds it: the failures are
    // blamed on the fewest tiles that explain them.
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
                            SizeText(Width(blamed), Height(blamed)) + " makes "
                                + (first->height ? "a column too high" : "the picture too wide") + " in "
                                + std::to_string(n) + (n == 1 ? " picture" : " pictures") + "; first: "
                                + first->text + " (" + first->where + ")"});
    }
}

void TileChecks::ReportRepeated(std::vector<CheckProblem>& problems)
{
    for (const std::string& id : m_order) {
        Repeated& r = m_found[id];
        r.problem.text += r.count > 1 ? " (in " + std::to_string(r.count) + " pictures, first: " + r.where + ")"
                                      : " (in 1 picture: " + r.where + ")";
        problems.push_back(std::move(r.problem));
    }
}
