#pragma once
#include "data/PictureTables.h"
#include "tools/check/CDataDirChecker.h"

#include <map>
#include <set>
#include <string>
#include <vector>

class QPixmap;

// The checks of the 33 tiles over every picture a diagnosis can show. Each
// picture row goes through CheckRow (and CheckBlink for an error row and the
// base row it alternates with); Report then hands over the problems, a tile
// that is too big blamed once for all the pictures it spoils.
class TileChecks {
public:
    // tiles[i] is slot i, or null when that file is missing or unreadable.
    explicit TileChecks(const std::vector<const QPixmap*>& tiles) : m_tiles(tiles) {}

    // Column heights, column widths and the strip of one picture.
    void CheckRow(const PictureRow& row, const std::string& where);
    // An error tile of another size than the base tile it blinks with.
    void CheckBlink(const PictureRow& errorRow, const PictureRow& baseRow, const std::string& where);

    void Report(std::vector<CheckProblem>& problems);

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

    int TileOf(const std::string& code) const; // slot of a loaded tile, or -1
    int Width(int t) const;
    int Height(int t) const;
    void CheckColumnHeight(int column, int height, const std::set<int>& tiles, const std::string& stack,
                           const std::string& where);
    void CheckColumnWidth(int column, int x, int widest, const std::set<int>& before, const std::string& starts,
                          const std::string& where);
    void CheckStrip(const PictureRow& row, const std::string& where);
    void Note(const std::string& id, bool error, const std::string& file, const std::string& text,
              const std::string& where);
    void ReportFailures(std::vector<CheckProblem>& problems);
    void ReportRepeated(std::vector<CheckProblem>& problems);

    const std::vector<const QPixmap*>& m_tiles;
    std::vector<Failure> m_failures;
    std::map<std::string, Repeated> m_found; // by kind and tiles
    std::vector<std::string> m_order;        // ids of m_found in the order met
};
