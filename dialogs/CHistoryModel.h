#pragma once
#include "data/HistoryRecord.h"

#include <QAbstractTableModel>
#include <QString>

#include <functional>
#include <vector>

// The history window's list: the records newest first in columns of text
// (date and time, units, entered codes, causes, machine, where a record from
// another laptop came from, marked, and the note on one line), narrowed by a
// filter text; read-only records in grey. The texts of every record are made
// once, into one buffer (control characters as spaces), so opening a plant's
// history makes no string per cell and filtering only compares them.
class CHistoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kTime, kUnits, kCodes, kCauses, kMachine, kFrom, kNote, kColumnCount };

    // The column texts of every record, made from the records alone (on any thread).
    struct Texts {
        // The column texts of record r in order, each ended by U+001F, from
        // m_starts[r] to m_starts[r + 1].
        QString m_text;
        std::vector<qsizetype> m_starts;
    };
    static Texts MakeTexts(const std::vector<HistoryRecord>& records, int language);

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
    // Takes records that replace swaps in, with texts made from them.
    void RecordsChanged(const std::function<void()>& replace, Texts texts);
    // The language the texts are made in.
    int Language() const { return m_nLanguage; }

private:
    void Narrow();
    bool Matches(int record) const;
    // The texts of record r, every column.
    QStringView RowTexts(std::size_t r) const;
    // The text of a record's column, a view into the texts.
    QStringView Cell(int record, int column) const;

    const std::vector<HistoryRecord>& m_records;
    int m_nLanguage;
    Texts m_texts;
    std::vector<int> m_shown; // records, newest first
    QString m_filter;
};
