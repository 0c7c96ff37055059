#include "dialogs/CHistoryModel.h"

#include "data/TextCatalogue.h"

#include <QApplication>
#include <QColor>
#include <QStringDecoder>
#include <QStyle>

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>

namespace {

// Ends each column's text; control characters in the texts are spaces, so
// that no text holds one.
constexpr char kEnd = '\x1f';

// text on one line: a control character as a space, a line break (CR LF too) as one.
void PutLine(std::string& out, std::string_view text)
{
    const auto control = [](char c) { return static_cast<unsigned char>(c) < 0x20; };
    for (auto at = text.begin(); at != text.end();) {
        const auto stop = std::find_if(at, text.end(), control);
        out.append(at, stop);
        if (stop == text.end())
            break;
        out += ' ';
        at = stop + (*stop == '\r' && stop + 1 != text.end() && stop[1] == '\n' ? 2 : 1);
    }
}

} // namespace

CHistoryModel::CHistoryModel(const std::vector<HistoryRecord>& records, int language, QObject* parent)
    : QAbstractTableModel(parent), m_records(records), m_nLanguage(language == 1 ? 1 : 0),
      m_texts(MakeTexts(records, m_nLanguage))
{
    Narrow();
}

void CHistoryModel::RecordsChanged()
{
    RecordsChanged({}, MakeTexts(m_records, m_nLanguage));
}

void CHistoryModel::RecordsChanged(const std::function<void()>& replace, Texts texts)
{
    beginResetModel();
    if (replace)
        replace();
    m_texts = std::move(texts);
    Narrow();
    endResetModel();
}

CHistoryModel::Texts CHistoryModel::MakeTexts(const std::vector<HistoryRecord>& records, int language)
{
    // Each record's texts made as UTF-8 and turned into text at the end of
    // one buffer: a string per record and column would cost more than the
    // rest of the window's opening.
    const int lang = language == 1 ? 1 : 0;
    Texts texts;
    QStringDecoder toText(QStringDecoder::Utf8,
                          QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    std::string utf8;
    qsizetype used = 0;
    texts.m_text.resize(static_cast<qsizetype>(records.size()) * 128);
    texts.m_starts.assign(1, 0);
    texts.m_starts.reserve(records.size() + 1);
    const std::string_view side[] = {g_strEmitter[lang], g_strReceiver[lang]};
    const std::string narrowed = std::string(" (") + g_strHistoryNarrowed[lang] + ')';
    for (const HistoryRecord& r : records) {
        utf8.clear();
        // "2026-12-09T14:05:00.123+08:00" reads "2026-12-09 14:05:00".
        PutLine(utf8, std::string_view(r.m_strTime).substr(0, 19));
        std::replace(utf8.begin(), utf8.end(), 'T', ' ');
        utf8 += kEnd;
        utf8 += std::to_string(r.m_nUnits);
        utf8 += kEnd;
        utf8 += side[r.m_nSide == 2 ? 1 : 0];
        utf8 += ": ";
        for (int u = 0; u < r.m_nUnits && u < 3; ++u) {
            if (u)
                utf8 += " / ";
            PutLine(utf8, r.m_strCodes[static_cast<std::size_t>(u)]);
        }
        utf8 += kEnd;
        utf8 += std::to_string(r.m_nErrNos.size());
        utf8 += ": ";
        for (std::size_t n = 0; n < r.m_nErrNos.size(); ++n) {
            if (n)
                utf8 += ' ';
            utf8 += std::to_string(r.m_nErrNos[n]);
        }
        if (r.m_bNarrowed)
            utf8 += narrowed;
        utf8 += kEnd;
        PutLine(utf8, r.m_strMachine);
        utf8 += kEnd;
        // Where a record of another laptop came from: the team user and the laptop.
        if (!r.m_bOwn) {
            PutLine(utf8, r.m_strAuthor);
            if (!r.m_strAuthor.empty() && !r.m_strLaptop.empty())
                utf8 += '@';
            PutLine(utf8, r.m_strLaptop);
        }
        utf8 += kEnd;
        // One line in the list; the tip shows the note's own lines.
        PutLine(utf8, r.m_strNote);
        utf8 += kEnd;
        const qsizetype room = toText.requiredSpace(static_cast<qsizetype>(utf8.size()));
        if (texts.m_text.size() - used < room)
            texts.m_text.resize(std::max(texts.m_text.size() * 2, used + room));
        used = toText.appendToBuffer(texts.m_text.data() + used, utf8) - texts.m_text.constData();
        texts.m_starts.push_back(used);
    }
    texts.m_text.truncate(used);
    return texts;
}

QStringView CHistoryModel::RowTexts(std::size_t r) const
{
    return QStringView(m_texts.m_text).sliced(m_texts.m_starts[r], m_texts.m_starts[r + 1] - m_texts.m_starts[r]);
}

QStringView CHistoryModel::Cell(int record, int column) const
{
    const auto r = static_cast<std::size_t>(record);
    if (record < 0 || r + 1 >= m_texts.m_starts.size() || column < 0 || column >= kColumnCount)
        return {};
    QStringView row = RowTexts(r);
    for (int c = 0; c < column; ++c)
        row = row.sliced(row.indexOf(QLatin1Char(kEnd)) + 1);
    return row.left(row.indexOf(QLatin1Char(kEnd)));
}

int CHistoryModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
}

int CHistoryModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant CHistoryModel::data(const QModelIndex& index, int role) const
{
    const int record = RecordOf(index.row());
    if (record < 0 || index.column() < 0 || index.column() >= kColumnCount)
        return {};
    const HistoryRecord& r = m_records[static_cast<std::size_t>(record)];
    if (role == Qt::ForegroundRole && r.m_bReadOnly)
        return QColor(Qt::darkGray);
    if (role == Qt::ToolTipRole && index.column() == kNote)
        return QString::fromUtf8(r.m_strNote.data(), qsizetype(r.m_strNote.size()));
    if (role == Qt::DecorationRole && index.column() == kFrom && !r.m_bOwn)
        return QApplication::style()->standardIcon(QStyle::SP_DriveNetIcon);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    return Cell(record, index.column()).toString();
}

QVariant CHistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const LocalText* const kHeadings[kColumnCount] = {&g_strHistoryColTime, &g_strHistoryColUnits,
                                                             &g_strHistoryColCodes, &g_strHistoryColCauses,
                                                             &g_strHistoryColMachine, &g_strHistoryColFrom,
                                                             &g_strHistoryColNote};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumnCount)
        return {};
    return QString::fromUtf8((*kHeadings[section])[m_nLanguage]);
}

bool CHistoryModel::Matches(int record) const
{
    // The filter holds no column end, so a match lies within one column.
    const auto r = static_cast<std::size_t>(record);
    return RowTexts(r).contains(m_filter, Qt::CaseInsensitive);
}

void CHistoryModel::SetFilter(const QString& text)
{
    QString filter = text.trimmed();
    for (QChar& c : filter)
        if (c.unicode() < 0x20) // as in the texts
            c = u' ';
    if (filter == m_filter)
        return;
    beginResetModel();
    m_filter = filter;
    Narrow();
    endResetModel();
}

void CHistoryModel::Narrow()
{
    m_shown.clear();
    for (int r = static_cast<int>(m_texts.m_starts.size()) - 2; r >= 0; --r)
        if (m_filter.isEmpty() || Matches(r))
            m_shown.push_back(r);
}

int CHistoryModel::RecordOf(int row) const
{
    return row >= 0 && row < static_cast<int>(m_shown.size()) ? m_shown[static_cast<std::size_t>(row)] : -1;
}

int CHistoryModel::RowOf(int record) const
{
    // Shown records run newest first, so the list is sorted downwards.
    const auto it = std::lower_bound(m_shown.begin(), m_shown.end(), record, std::greater<int>());
    return it != m_shown.end() && *it == record ? static_cast<int>(it - m_shown.begin()) : -1;
}

void CHistoryModel::NoteChanged(int record)
{
    if (record < 0 || record >= static_cast<int>(m_records.size()))
        return;
    m_texts = MakeTexts(m_records, m_nLanguage); // the record's texts change length
    if (const int row = RowOf(record); row >= 0)
        emit dataChanged(index(row, kMachine), index(row, kNote));
}
