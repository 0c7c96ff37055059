#pragma once
#include "data/HistoryRecord.h"

#include <QAbstractTableModel>
#include <QString>

#include <array>
#include <vector>

// The history window's list: the records newest first in columns of text
// (date and time, units, entered codes, causes, machine, where a record from
// another laptop came from, marked, and the note on one line), narrowed by a
// filter text; read-only records in grey. The texts are made
// once, so filtering only compares them.
class CHistoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kTime, kUnits, kCodes, kCauses, kMachine, kFrom, kNote, kColumnCount };

    CHistoryModel(const std::vector<HistoryRecord>& records, int language, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Shows the records with the text in any column, case ignored; every record for blank text.
    void SetFilter(const QString& text);
    // The record (index into the records given) of a shown row; -1 for none.
    int RecordOf(int row) const;
    // The shown row of a record; -1 when it is filtered out.
    int RowOf(int record) const;
    // The records shown, in the order shown.
    const std::vector<int>& Shown() const { return m_shown; }
    // Takes the record's note and machine anew from the records given.
    void NoteChanged(int record);
    // Takes every record anew (after one was removed); the filter stays.
    void RecordsChanged();

private:
    struct Row {
        std::array<QString, kColumnCount> text;
    };
    void MakeRow(int record);
    void Narrow();
    bool Matches(const Row& row) const;

    const std::vector<HistoryRecord>& m_records;
    int m_nLanguage;
    std::vector<Row> m_rows;  // by record
    std::vector<int> m_shown; // records, newest first
    QString m_filter;
};
