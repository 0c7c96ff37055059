#pragma once
#include <QColor>
#include <QImage>
#include <QRect>
#include <QVector>
#include <utility>

class QWidget;

// Pixel checks for rendered widgets and pictures.
QImage Render(QWidget& widget);

// Pixels of exactly this colour inside r.
int CountColour(const QImage& image, const QRect& r, const QColor& colour);

// Runs of consecutive rows inside r that hold at least one pixel of colour,
// as (first row, last row); separate text lines give separate runs.
QVector<std::pair<int, int>> RowBands(const QImage& image, const QRect& r, const QColor& colour);

// Leftmost and rightmost column inside r, within rows [top, bottom], that hold colour; (-1, -1) if none.
std::pair<int, int> ColumnExtent(const QImage& image, const QRect& r, int top, int bottom,
                                 const QColor& colour);

// Number of pixels that differ between two images of the same size (all, if the sizes differ).
int DifferingPixels(const QImage& a, const QImage& b);
