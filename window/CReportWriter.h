#pragma once
#include <QString>

#include "diagnosis/CReport.h"

struct Bitmaps;
class QPagedPaintDevice;

// Lays a CReport out on pages: the title and header lines, then each cause
// with its error-state and healthy-state pictures side by side and its texts
// in full, breaking across pages where needed; "page k / N" in every footer.
class CReportWriter {
public:
    CReportWriter(const CReport& report, const Bitmaps& bitmaps) : m_report(report), m_bitmaps(bitmaps) {}

    // Paints every page on device (a PDF writer or a printer, already set up).
    // False when painting cannot start on it.
    bool Paint(QPagedPaintDevice& device) const;

    // An A4 PDF at path. It is written to a temporary file beside path that
    // replaces path only when complete, so a failed save leaves no partial
    // file. On failure error (when given) gets the reason.
    bool WritePdf(const QString& path, QString* error = nullptr) const;

    // The face the report is set in: one whose glyphs cover Chinese and that
    // PDF output embeds as searchable text, or the application font without one.
    static QString FontFamily();

private:
    const CReport& m_report;
    const Bitmaps& m_bitmaps;
};
