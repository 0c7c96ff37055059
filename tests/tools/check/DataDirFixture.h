// A complete data directory written by the tests themselves: every file the
// program reads, every section the diagnosis can ask for, bitmaps that fit.
#pragma once
#include "data/PictureTables.h"
#include "tools/check/ReachableSections.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QString>
#include <string>

namespace fixture {

inline void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write " + path.toStdString());
    f.write(bytes);
}

inline QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void WriteBitmap(const QString& path, int w, int h, QColor colour = QColor(40, 90, 200))
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    if (!image.save(path, "BMP"))
        throw std::runtime_error("cannot write " + path.toStdString());
}

// Tile sizes that fill the picture exactly: side columns 60 px, middle 68 px,
// heads 34 px and bodies 80 px high (34 + 3 * 80 = 274), strip 188 x 51.
inline QSize TileSize(const std::string& code)
{
    if (code == "ha0" || code == "ha1")
        return {68, 34};
    if (code[0] == 'h')
        return {60, 34};
    if (code[0] == 'a')
        return {68, 80};
    if (code[0] == 'b')
        return {188, 51};
    return {60, 80};
}

inline QByteArray CauseFileText(int series, const char* language)
{
    QByteArray text;
    for (const ReachableSection& s : ReachableSections(series)) {
        text += "[" + QByteArray::fromStdString(s.name) + "]\r\n";
        text += "ca=" + QByteArray(language) + " cause of error " + QByteArray::number(s.errNo)
            + ".\\nSecond line.\r\n";
        text += "re=Remedy " + QByteArray::number(s.errNo) + ".\r\n";
    }
    return text;
}

// Writes <parent>/QL7_Tool and returns its path.
inline QString MakeDataDir(const QString& parent)
{
    const QString dir = parent + "/QL7_Tool";
    QDir().mkpath(dir);
    WriteFile(dir + "/Setting.ini", "[Setting]\r\nLanguage=1\r\nType=0\r\nDialogHeight=0\r\n");
    WriteFile(dir + "/Help.ini", "[RemedyJ]\r\nRemedy=帮助文本\r\n\r\n[RemedyE]\r\nRemedy=Help text\r\n");
    for (const CauseFileInfo& f : g_causeFiles)
        WriteFile(dir + "/" + f.name, CauseFileText(f.series, f.language == 0 ? "中文" : "English"));
    for (const char* code : g_pictureCodes) {
        const QSize size = TileSize(code);
        WriteBitmap(dir + "/" + code + ".bmp", size.width(), size.height());
    }
    const struct {
        const char* name;
        int w, h;
    } pictures[] = {
        {"Orvane_logo.bmp", 120, 40}, {"ql7a_led.bmp", 160, 300}, {"ql7b_7seg.bmp", 180, 300},
        {"QL7-A_pic.bmp", 160, 240},  {"QL7B_pic.bmp", 160, 240}, {"ql7b-e.bmp", 140, 340},
        {"ql7b-r.bmp", 170, 340},
    };
    for (const auto& p : pictures)
        WriteBitmap(dir + "/" + p.name, p.w, p.h);
    return dir;
}

// Replaces the first occurrence of from in a file of the directory.
inline void ReplaceInFile(const QString& path, const QByteArray& from, const QByteArray& to)
{
    QByteArray bytes = ReadFile(path);
    const qsizetype at = bytes.indexOf(from);
    if (at < 0)
        throw std::runtime_error("not found in " + path.toStdString() + ": " + from.toStdString());
    bytes.replace(at, from.size(), to);
    WriteFile(path, bytes);
}

} // namespace fixture
