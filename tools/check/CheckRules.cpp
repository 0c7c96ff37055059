#include "tools/check/CheckRules.h"

#include "bitmaps/Bitmaps.h"
#include "data/ControlIds.h"
#include "data/DialogTemplates.h"

#include <array>
#include <cstdio>

namespace checkrules {

namespace {

// The settings screen and the main window are 1024 px wide whatever their template.
constexpr int kScreenWidth = 1024;

int Top(const DialogTemplate& dlg, int id)
{
    return ControlRect(*FindControl(dlg, id)).top;
}

int Left(const DialogTemplate& dlg, int id)
{
    return ControlRect(*FindControl(dlg, id)).left;
}

// A picture placed as the picture table places it, with the room it has there.
PictureRule Rule(Picture picture, int maxRight, int maxBottom, const char* room)
{
    const PictureInfo& p = g_pictureTable[static_cast<int>(picture)];
    return {p.file, p.screen, PictureLeft(p, kScreenWidth), p.y, p.scaled, maxRight, maxBottom, room};
}

// Rooms end where the screen's controls begin, so no picture hides under one.
const std::array<PictureRule, 7>& Rules()
{
    static const std::array<PictureRule, 7> rules{
        Rule(Picture::Logo, kScreenWidth - 2, 62,
             "top-right corner, at most 123 x 60 px, above the first row of controls"),
        Rule(Picture::Led, DluToPixelX(g_tmplSelect.width), DluToPixelY(g_tmplSelect.height),
             "the picker's client area"),
        Rule(Picture::SevenSeg, DluToPixelX(g_tmplSelect.width), Top(g_tmplSelect, IDCANCEL),
             "the picker's client area, above its Cancel button"),
        Rule(Picture::PicA, 0, 0, "loaded but never drawn"),
        Rule(Picture::PicB, kScreenWidth, Top(g_tmplSettings, IDOK), "above the OK button"),
        Rule(Picture::Emitter, Left(g_tmplAdd, IDC_INTERLOCK_ON), Top(g_tmplAdd, IDC_ADD_CLEAR),
             "left of the lamp buttons, above the CLEAR and OK buttons"),
        Rule(Picture::Receiver, DluToPixelX(g_tmplAdd.width), Top(g_tmplAdd, IDOK),
             "inside the dialog, above the CLEAR and OK buttons"),
    };
    return rules;
}

} // namespace

std::span<const PictureRule> PictureRules()
{
    return Rules();
}

std::string SizeText(int w, int h)
{
    return std::to_string(w) + " x " + std::to_string(h) + " px";
}

std::string RulesText()
{
    std::string text;
    char line[512];
    std::snprintf(line, sizeof line,
                  "Text files: UTF-8 (with or without BOM) or UTF-16 with BOM; otherwise GB18030\n"
                  "  for the \"J\" files and Help.ini, Windows-1252 for the \"E\" files and\n"
                  "  Setting.ini. Bytes that do not decode are errors.\n"
                  "Text values: settings and help values at most %zu bytes, cause (\"ca\") and\n"
                  "  remedy (\"re\") values at most %zu bytes of the file's own encoding (UTF-16\n"
                  "  files count GB18030 bytes; longer ones are cut at a whole character), not\n"
                  "  empty, not \"ERR\".\n",
                  kSettingBytes, kCauseBytes);
    text += line;
    text += "Setting.ini [Setting]: Language \"0\" or \"1\", Type \"0\", DialogHeight \"0\" or \"1\";\n"
            "  an empty value is a warning (the program writes \"0\" in its place).\n";
    text += "Help.ini: key Remedy in sections RemedyJ and RemedyE.\n";
    text += "Cause/remedy files: every section a diagnosis of the file's series can ask for,\n"
            "  with keys ca and re; other sections are reported as warnings.\n";
    std::snprintf(line, sizeof line,
                  "Tiles, in every picture a diagnosis can show: the three columns side by side\n"
                  "  at most %d px wide, each column (head tile and three body tiles) at most\n"
                  "  %d px high, the strip below at most %d x %d px. An error tile of another\n"
                  "  size than the tile it blinks with is a warning.\n",
                  kPictureWidth, kColumnHeight, kPictureWidth, kStripHeight);
    text += line;
    text += "Pictures, where each screen draws them (image must end at or before x, y):\n";
    for (const PictureRule& r : PictureRules()) {
        if (r.maxRight == 0) {
            std::snprintf(line, sizeof line, "  %-16s %s: must load only\n", r.file, r.room);
        } else {
            std::snprintf(line, sizeof line, "  %-16s %s at (%d, %d)%s: to (%d, %d), %s\n", r.file,
                          r.screen, r.x, r.y, r.scaled ? " scaled to 80 px wide" : "", r.maxRight,
                          r.maxBottom, r.room);
        }
        text += line;
    }
    return text;
}

} // namespace checkrules
