#include "window/CReportWriter.h"

#include "data/TextCatalogue.h"
#include "bitmaps/CBmpData.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextLayout>

#include <algorithm>
#include <vector>

namespace {

// The report draws the window's picture area at half a point per pixel.
constexpr double kPictureScale = 0.5;

QString Q(const std::string& s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// One run over the report. Without a painter it only counts the pages, so the
// painting run can put the total in every footer.
class Layout {
public:
    Layout(const CReport& report, const Bitmaps& bitmaps, QPagedPaintDevice& device, QPainter* painter,
           int totalPages)
        : m_report(report), m_bitmaps(bitmaps), m_device(device), m_painter(painter), m_nTotal(totalPages)
    {
        m_pt = device.logicalDpiY() / 72.0;
        m_width = device.width();
        m_footerTop = device.height() - Pt(20);
        const QString family = CReportWriter::FontFamily();
        m_fontTitle = Font(family, 16, true);
        m_fontHeading = Font(family, 12, true);
        m_fontLabel = Font(family, 10, true);
        m_fontBody = Font(family, 10, false);
        m_fontFooter = Font(family, 8, false);
    }

    int Run()
    {
        StartPage();
        Paragraph(Q(m_report.m_strTitle), m_fontTitle, 0, m_width);
        m_y += Pt(10);
        const double valueX = Pt(150);
        for (const auto& [label, value] : m_report.m_Lines) {
            const double top = m_y;
            Paragraph(Q(label), m_fontLabel, 0, valueX - Pt(8));
            const double labelBottom = m_y;
            m_y = top;
            Paragraph(Q(value), m_fontBody, valueX, m_width - valueX);
            m_y = std::max(m_y, labelBottom) + Pt(2);
        }
        for (const CReport::Cause& cause : m_report.m_Causes)
            CauseBlock(cause);
        return m_nPage;
    }

private:
    double Pt(double points) const { return points * m_pt; }

    static QFont Font(const QString& family, int points, bool bold)
    {
        QFont font(family);
        font.setPointSize(points);
        font.setBold(bold);
        font.setHintingPreference(QFont::PreferNoHinting);
        return font;
    }

    void StartPage()
    {
        if (m_nPage > 0 && m_painter)
            m_device.newPage();
        ++m_nPage;
        m_y = 0;
        m_floatBottom = 0;
        if (!m_painter)
            return;
        m_painter->setFont(m_fontFooter);
        m_painter->setPen(Qt::black);
        const QString footer = QString::asprintf(m_report.m_strPageFooter.c_str(), m_nPage, m_nTotal);
        m_painter->drawText(QRectF(0, m_footerTop, m_width, Pt(20)), Qt::AlignHCenter | Qt::AlignBottom, footer);
    }

    void NeedRoom(double height)
    {
        if (m_y > 0 && m_y + height > m_footerTop)
            StartPage();
    }

    // Text wrapped to width at x, line by line, so that a long text continues
    // on the next page instead of being cut. Lines beside the pictures of a
    // cause start right of them.
    void Paragraph(QString text, const QFont& font, double x, double width)
    {
        text.replace(u'\n', QChar::LineSeparator);
        QTextLayout layout(text, font, &m_device);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        struct Placed {
            double x, y;
            bool newPage;
        };
        std::vector<Placed> placed;
        double y = m_y, floatBottom = m_floatBottom;
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            const bool beside = y < floatBottom;
            line.setLineWidth(beside ? m_width - m_floatX - x : width);
            const bool newPage = y > 0 && y + line.height() > m_footerTop;
            if (newPage) {
                y = 0;
                floatBottom = 0;
                line.setLineWidth(width);
            }
            placed.push_back({beside && !newPage ? m_floatX + x : x, y, newPage});
            y += line.height();
        }
        layout.endLayout();
        for (int i = 0; i < layout.lineCount(); ++i) {
            const Placed& at = placed[static_cast<size_t>(i)];
            if (at.newPage)
                StartPage();
            const QTextLine line = layout.lineAt(i);
            if (m_painter) {
                m_painter->setPen(Qt::black);
                line.draw(m_painter, QPointF(at.x, at.y - line.y()));
            }
            m_y = at.y + line.height();
        }
    }

    void CauseBlock(const CReport::Cause& cause)
    {
        const double picW = Pt(kPictureWidth * kPictureScale), picH = Pt(kPictureHeight * kPictureScale);
        const double captionH = QFontMetricsF(m_fontBody, &m_device).height();
        // Heading and both pictures stay together on one page.
        m_y += Pt(14);
        NeedRoom(Pt(24) + picH + captionH);
        if (m_painter) {
            m_painter->setPen(QPen(Qt::gray, Pt(0.5)));
            m_painter->drawLine(QPointF(0, m_y), QPointF(m_width, m_y));
        }
        m_y += Pt(4);
        Paragraph(Q(cause.m_strNumber), m_fontHeading, 0, m_width);
        m_y += Pt(4);
        const double gap = Pt(16);
        Picture(cause.m_strErrorRow, Q(m_report.m_strErrorPhase), 0, picW, picH);
        Picture(cause.m_strBaseRow, Q(m_report.m_strHealthyPhase), picW + gap, picW, picH);
        // The texts start beside the pictures and go on below them.
        m_floatX = 2 * picW + gap + Pt(20);
        m_floatBottom = m_y + picH + captionH;

        Paragraph(Q(m_report.m_strCauseHeading), m_fontLabel, 0, m_width);
        Paragraph(Q(cause.m_strCause), m_fontBody, Pt(10), m_width - Pt(10));
        m_y += Pt(4);
        Paragraph(Q(m_report.m_strRemedyHeading), m_fontLabel, 0, m_width);
        Paragraph(Q(cause.m_strRemedy), m_fontBody, Pt(10), m_width - Pt(10));
        m_y = std::max(m_y, m_floatBottom);
        m_floatBottom = 0;
    }

    void Picture(const PictureRow& row, const QString& caption, double x, double w, double h)
    {
        if (!m_painter)
            return;
        QPainter& p = *m_painter;
        p.save();
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.translate(x, m_y);
        p.scale(w / kPictureWidth, h / kPictureHeight);
        DrawPictureRow(p, m_bitmaps, row, 0, 0);
        p.restore();
        p.setPen(QPen(Qt::gray, Pt(0.5)));
        p.drawRect(QRectF(x, m_y, w, h));
        p.setPen(Qt::black);
        p.setFont(m_fontBody);
        p.drawText(QRectF(x, m_y + h, w, Pt(16)), Qt::AlignHCenter | Qt::AlignTop, caption);
    }

    const CReport& m_report;
    const Bitmaps& m_bitmaps;
    QPagedPaintDevice& m_device;
    QPainter* m_painter;
    int m_nTotal;
    int m_nPage = 0;
    double m_pt = 1, m_width = 0, m_footerTop = 0, m_y = 0;
    double m_floatX = 0, m_floatBottom = 0; // text column beside the pictures, down to m_floatBottom
    QFont m_fontTitle, m_fontHeading, m_fontLabel, m_fontBody, m_fontFooter;
};

} // namespace

QString CReportWriter::FontFamily()
{
    // A TrueType CJK face: the PDF output embeds it with a usable text mapping,
    // where the CFF-based faces come out as shapes or as wrong characters. The
    // first two are on every Chinese-capable Windows.
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        for (const char* name : {"Microsoft YaHei", "SimSun", "WenQuanYi Micro Hei", "WenQuanYi Zen Hei"})
            if (installed.contains(QString::fromLatin1(name)))
                return QString::fromLatin1(name);
        return QGuiApplication::font().family();
    }();
    return family;
}

bool CReportWriter::Paint(QPagedPaintDevice& device) const
{
    const int pages = Layout(m_report, m_bitmaps, device, nullptr, 0).Run();
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    Layout(m_report, m_bitmaps, device, &painter, pages).Run();
    return painter.end();
}

bool CReportWriter::WritePdf(const QString& path, QString* error) const
{
    QSaveFile file(path);
    auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    bool painted = false;
    {
        QPdfWriter pdf(&file);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter);
        pdf.setResolution(300);
        pdf.setTitle(Q(m_report.m_strTitle));
        pdf.setCreator(QString::fromUtf8(g_strMainTitle[1]) + u' ' + QString::fromUtf8(g_strVersion));
        painted = Paint(pdf);
    }
    if (!painted) {
        file.cancelWriting();
        return fail(QStringLiteral("PDF output failed"));
    }
    return file.commit() || fail(file.errorString());
}
