#include "dialogs/CHistoryModel.h"

#include "data/TextCatalogue.h"

#include <QApplication>
#include <QColor>
#include <QStyle>

#include <algorithm>
#include <functional>

namespace {
QString FromUtf8(const std::string& s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}
} // namespace

CHistoryModel::CHistoryModel(const std::vector<HistoryRecord>& records, int language, QObject* parent)
    : QAbstractTableModel(parent), m_records(records), m_nLanguage(language == 1 ? 1 : 0)
{
    m_rows.resize(records.size());
    for (int r = 0; r < static_cast<int>(records.size()); ++r)
        MakeRow(r);
    Narrow();
}

void CHistoryModel::RecordsChanged()
{
    beginResetModel();
    m_rows.assign(m_records.size(), Row{});
    for (int r = 0; r < static_cast<int>(m_records.size()); ++r)
        MakeRow(r);
    Narrow();
    endResetModel();
}

void CHistoryModel::MakeRow(int record)
{
    const HistoryRecord& r = m_records[static_cast<std::size_t>(record)];
    Row& row = m_rows[static_cast<std::size_t>(record)];
    // "2026-12-09T14:05:00.123+08:00" reads "2026-12-09 14:05:00".
    row.text[kTime] = FromUtf8(r.m_strTime.substr(0, 19)).replace(u'T', u' ');
    row.text[kUnits] = QString::number(r.m_nUnits);
    QString codes = QString::fromUtf8((r.m_nSide == 2 ? g_strReceiver : g_strEmitter)[m_nLanguage]) + QStringLiteral(": ");
    for (int u = 0; u < r.m_nUnits; ++u)
        codes += (u ? QStringLiteral(" / ") : QString()) + FromUtf8(r.m_strCodes[static_cast<std::size_t>(u)]);
    row.text[kCodes] = codes;
    QString causes = QString::number(r.m_nErrNos.size()) + QStringLiteral(": ") + FromUtf8(HistoryRecord::ErrorNumbers(r.m_nErrNos));
    if (r.m_bNarrowed)
        causes += QStringLiteral(" (") + QString::fromUtf8(g_strHistoryNarrowed[m_nLanguage]) + u')';
    row.text[kCauses] = causes;
    row.text[kMachine] = FromUtf8(r.m_strMachine);
    // Where a record of another laptop came from: the team user and the laptop.
    if (!r.m_bOwn) {
        row.text[kFrom] = FromUtf8(r.m_strAuthor);
        if (!r.m_strAuthor.empty() && !r.m_strLaptop.empty())
            row.text[kFrom] += u'@';
        row.text[kFrom] += FromUtf8(r.m_strLaptop);
    }
    // One line in the list; the tip shows the note's own lines.
    row.text[kNote] = FromUtf8(r.m_strNote).replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(u'\n', u' ').replace(u'\r', u' ');
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
        return FromUtf8(r.m_strNote);
    if (role == Qt::DecorationRole && index.column() == kFrom && !r.m_bOwn)
        return QApplication::style()->standardIcon(QStyle::SP_DriveNetIcon);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    return m_rows[static_cast<std::size_t>(record)].text[static_cast<std::size_t>(index.column())];
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

bool CHistoryModel::Matches(const Row& row) const
{
    for (const QString& text : row.text)
        if (text.contains(m_filter, Qt::CaseInsensitive))
            return true;
    return false;
}

void CHistoryModel::SetFilter(const QString& text)
{
    const QString filter = text.trimmed();
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
    for (int r = static_cast<int>(m_rows.size()) - 1; r >= 0; --r)
        if (m_filter.isEmpty() || Matches(m_rows[static_cast<std::size_t>(r)]))
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
    if (record < 0 || record >= static_cast<int>(m_rows.size()))
        return;
    MakeRow(record);
    if (const int row = RowOf(record); row >= 0)
        emit dataChanged(index(row, kMachine), index(row, kNote));
}
