#include "data/TeamSync.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

using Row = TeamConnection::Row;

// A batch of records as the server keeps them ($1: a JSON array of objects);
// author, utc, change_id and xact are the server's.
constexpr const char* kPushRecords =
    "INSERT INTO record (id, time, narrowed, version, language, series, units, side, code_main, code_sub1, "
    "code_sub2, interlock, halt, error_numbers, laptop) "
    "SELECT id, time, narrowed, version, language, series, units, side, code_main, code_sub1, code_sub2, interlock, "
    "halt, error_numbers, laptop FROM json_to_recordset($1::json) AS x(id text, time text, narrowed boolean, "
    "version text, language smallint, series smallint, units smallint, side smallint, code_main text, "
    "code_sub1 text, code_sub2 text, interlock smallint, halt smallint, error_numbers text, laptop text) "
    "ON CONFLICT (id) DO NOTHING";
// A batch of note or machine values ($1: a JSON array of i, record_id, value,
// time), one row per value in the order of i: whether the server holds its
// record, and the change id of the value (added now, or this user's same
// value sent before, its answer lost). A value of a record the server lacks is
// not added.
#define DARVELL_PUSH_VALUES(table, column)                                                                         \
    "WITH v AS (SELECT * FROM json_to_recordset($1::json) AS x(i int, record_id text, value text, time text)), "    \
    "added AS (INSERT INTO " table " (record_id, " column ", time) SELECT record_id, value, time FROM v "           \
    "WHERE EXISTS (SELECT FROM record r WHERE r.id = v.record_id) ON CONFLICT DO NOTHING "                         \
    "RETURNING change_id, record_id, time, " column ") "                                                           \
    "SELECT DISTINCT ON (v.i) v.i, EXISTS (SELECT FROM record r WHERE r.id = v.record_id), "                       \
    "coalesce(a.change_id, (SELECT c.change_id FROM " table " c WHERE c.record_id = v.record_id "                  \
    "AND c.author = session_user AND c.time = v.time AND c." column " = v.value)) "                                \
    "FROM v LEFT JOIN added a ON a.record_id = v.record_id AND a.time = v.time AND a." column " = v.value "        \
    "ORDER BY v.i"
constexpr const char* kPushNotes = DARVELL_PUSH_VALUES("note_change", "note");
constexpr const char* kPushMachines = DARVELL_PUSH_VALUES("machine_change", "machine");
#undef DARVELL_PUSH_VALUES
// A deletion marker, added only for a record of this user; whether the
// server has the record marked deleted now.
constexpr const char* kPushDeletion =
    "WITH mine AS (SELECT id FROM record WHERE id = $1::text AND author = session_user), "
    "added AS (INSERT INTO deletion (record_id, time) SELECT id, $2::text FROM mine ON CONFLICT DO NOTHING "
    "RETURNING 1) "
    "SELECT EXISTS (SELECT FROM added) OR EXISTS (SELECT FROM deletion WHERE record_id = $1::text)";

// The rows of a table added by transactions at or after the cursor ($1; all
// rows when null), after the change id $2, $3 at a time.
#define DARVELL_PULL(columns, table)                                                                              \
    "SELECT change_id, " columns " FROM " table " WHERE ($1::xid8 IS NULL OR xact >= $1::xid8) "                  \
    "AND change_id > $2::bigint ORDER BY change_id LIMIT $3::int"
const struct {
    const char* table;
    const char* sql;
} kPull[] = {
    {"record", DARVELL_PULL("id, time, narrowed, version, language, series, units, side, code_main, code_sub1, "
                            "code_sub2, interlock, halt, error_numbers, author, laptop", "record")},
    {"note_change", DARVELL_PULL("record_id, note, time, author", "note_change")},
    {"machine_change", DARVELL_PULL("record_id, machine, time, author", "machine_change")},
    {"deletion", DARVELL_PULL("record_id, time, author", "deletion")},
};
#undef DARVELL_PULL

std::string Text(const Row& row, std::size_t i)
{
    return i < row.size() && row[i] ? *row[i] : std::string();
}

QJsonValue Json(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

std::string JsonText(const QJsonArray& array)
{
    return QJsonDocument(array).toJson(QJsonDocument::Compact).toStdString();
}

template <typename T>
bool Number(const Row& row, std::size_t i, T& value)
{
    if (i >= row.size() || !row[i] || row[i]->empty())
        return false;
    const std::string& s = *row[i];
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size();
}

bool IsXid(const std::string& text)
{
    std::uint64_t xid = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), xid);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

// Whether the server takes a time: ISO 8601 with its offset, no more than a
// day after the clock (this computer's here; the server holds its own).
bool TimeSendable(const std::string& time)
{
    static const std::regex iso(R"([0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}([.][0-9]{1,3})?(Z|[+-][0-9]{2}:[0-9]{2}))");
    const std::optional<std::int64_t> ms = history::MsSinceEpoch(time);
    const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    return ms && *ms <= now.count() + 24 * 3600 * 1000LL && std::regex_match(time, iso);
}

// UTF-8 of at most max characters, as the server's columns take.
bool Fits(const std::string& text, std::size_t max)
{
    return history::IsUtf8(text) && history::CutChars(text, max).size() == text.size();
}

bool RecordSendable(const HistoryRecord& r)
{
    bool ok = TimeSendable(r.m_strTime) && r.IsValid() && Fits(r.m_strVersion, 40) && Fits(r.m_strLaptop, 64)
        && r.m_nErrNos.size() <= 200;
    for (const std::string& code : r.m_strCodes)
        ok = ok && Fits(code, 40);
    for (const int n : r.m_nErrNos)
        ok = ok && n >= 0 && n <= 99999;
    return ok;
}

// Runs sql; on failure ends the server transaction, which the failure aborted.
bool Run(TeamConnection& server, const char* sql, const Row& params, std::vector<Row>& rows, TeamError& error)
{
    if (server.Exec(sql, params, rows, kTeamQueryTimeoutMs, error))
        return true;
    std::vector<Row> none;
    TeamError ignored;
    server.Exec("ROLLBACK", {}, none, kTeamQueryTimeoutMs, ignored);
    return false;
}

// What names a change within one pass.
std::string Key(bool note, const HistoryValue& v)
{
    return (note ? "n" : "m") + v.m_strRecordId + '\n' + v.m_strTime + '\n' + v.m_strValue;
}

bool Local(bool ok, const HistoryError& localError, TeamSyncResult& result)
{
    if (!ok)
        result.m_localError = localError;
    return ok;
}

// Sends one batch in one server transaction and marks what the server took
// (or refused for good). marked: the changes marked in this pass, so that a
// change the store keeps listing is not sent round and round.
bool PushBatch(HistoryStore& local, TeamConnection& server, std::set<std::string>& marked, bool& more,
               TeamSyncResult& result, TeamError& error)
{
    more = false;
    HistoryChanges pending, done;
    HistoryError localError;
    if (!Local(local.Pending(team::kSyncBatch, pending, localError), localError, result))
        return false;
    const auto fresh = [&marked](const std::string& key) { return !marked.count(key); };
    std::vector<Row> rows;
    bool begun = false;
    const auto begin = [&] { return begun || (begun = Run(server, "BEGIN", {}, rows, error)); };

    // A change the server would refuse as it stands stays to be sent, and blocks none behind it.
    const auto held = [&](const std::string& key) {
        marked.insert(key);
        ++result.m_nHeld;
        more = true;
    };
    QJsonArray records;
    for (const HistoryRecord& r : pending.m_records) {
        if (!fresh("r" + r.m_strId))
            continue;
        if (!RecordSendable(r)) {
            held("r" + r.m_strId);
            continue;
        }
        records.append(QJsonObject{{"id", Json(r.m_strId)}, {"time", Json(r.m_strTime)}, {"narrowed", r.m_bNarrowed},
                                   {"version", Json(r.m_strVersion)}, {"language", r.m_nLanguage},
                                   {"series", r.m_nSeries}, {"units", r.m_nUnits}, {"side", r.m_nSide},
                                   {"code_main", Json(r.m_strCodes[0])}, {"code_sub1", Json(r.m_strCodes[1])},
                                   {"code_sub2", Json(r.m_strCodes[2])}, {"interlock", r.m_nInterlock},
                                   {"halt", r.m_nHalt}, {"error_numbers", Json(HistoryRecord::ErrorNumbers(r.m_nErrNos))},
                                   {"laptop", Json(r.m_strLaptop)}});
        done.m_records.push_back(r);
    }
    if (!records.isEmpty() && !(begin() && Run(server, kPushRecords, {JsonText(records)}, rows, error)))
        return false;
    for (const bool note : {true, false}) {
        std::vector<const HistoryValue*> values;
        QJsonArray batch;
        for (const HistoryValue& v : note ? pending.m_notes : pending.m_machines) {
            const std::string key = Key(note, v);
            if (!fresh(key))
                continue;
            if (!TimeSendable(v.m_strTime) || !Fits(v.m_strValue, note ? HistoryRecord::kMaxNote : HistoryRecord::kMaxMachine)) {
                held(key);
                continue;
            }
            batch.append(QJsonObject{{"i", static_cast<int>(values.size())}, {"record_id", Json(v.m_strRecordId)},
                                     {"value", Json(v.m_strValue)}, {"time", Json(v.m_strTime)}});
            values.push_back(&v);
        }
        if (values.empty())
            continue;
        if (!begin() || !Run(server, note ? kPushNotes : kPushMachines, {JsonText(batch)}, rows, error))
            return false;
        if (rows.size() != values.size()) {
            Run(server, "ROLLBACK", {}, rows, error);
            error = {TeamError::Kind::Server, "the server answered " + std::to_string(rows.size()) + " rows for "
                                                  + std::to_string(values.size()) + " values"};
            return false;
        }
        for (std::size_t i = 0; i < values.size(); ++i) {
            // A value of a record the server lacks yet goes after its record, in a later batch.
            if (Text(rows[i], 1) != "t")
                continue;
            HistoryValue sent = *values[i];
            std::int64_t id = 0;
            if (Number(rows[i], 2, id))
                sent.m_nChangeId = id;
            (note ? done.m_notes : done.m_machines).push_back(std::move(sent));
        }
    }
    std::size_t refused = 0;
    for (const HistoryDeletion& d : pending.m_deletions) {
        if (!fresh("d" + d.m_strRecordId))
            continue;
        if (!TimeSendable(d.m_strTime)) {
            held("d" + d.m_strRecordId);
            continue;
        }
        if (!begin() || !Run(server, kPushDeletion, {d.m_strRecordId, d.m_strTime}, rows, error))
            return false;
        // Refused for good (another user's record, or one the server never had): marked all the same.
        refused += rows.empty() || Text(rows[0], 0) != "t";
        done.m_deletions.push_back(d);
    }
    if (!begun)
        return true;
    if (!Run(server, "COMMIT", {}, rows, error))
        return false;
    if (!Local(local.MarkSent(done, localError), localError, result))
        return false;
    const std::size_t count = done.m_records.size() + done.m_notes.size() + done.m_machines.size() + done.m_deletions.size();
    result.m_nSent += count - refused;
    result.m_nRefused += refused;
    for (const HistoryRecord& r : done.m_records)
        marked.insert("r" + r.m_strId);
    for (const bool note : {true, false})
        for (const HistoryValue& v : note ? done.m_notes : done.m_machines)
            marked.insert(Key(note, v));
    for (const HistoryDeletion& d : done.m_deletions)
        marked.insert("d" + d.m_strRecordId);
    more = more || count > 0;
    return true;
}

// A row of kPull as a change of the batch; false for one that is none.
bool AddRow(std::size_t table, const Row& row, HistoryChanges& batch)
{
    if (table == 0) {
        HistoryRecord r;
        r.m_strId = Text(row, 1);
        r.m_strTime = Text(row, 2);
        r.m_bNarrowed = Text(row, 3) == "t";
        r.m_strVersion = Text(row, 4);
        for (std::size_t u = 0; u < 3; ++u)
            r.m_strCodes[u] = Text(row, 9 + u);
        r.m_strAuthor = Text(row, 15);
        r.m_strLaptop = Text(row, 16);
        r.m_bOwn = false;
        if (!Number(row, 5, r.m_nLanguage) || !Number(row, 6, r.m_nSeries) || !Number(row, 7, r.m_nUnits)
            || !Number(row, 8, r.m_nSide) || !Number(row, 12, r.m_nInterlock) || !Number(row, 13, r.m_nHalt)
            || !HistoryRecord::ParseErrorNumbers(Text(row, 14), r.m_nErrNos))
            return false;
        batch.m_records.push_back(std::move(r));
    } else if (table == 3) {
        batch.m_deletions.push_back({Text(row, 1), Text(row, 2), Text(row, 3)});
    } else {
        HistoryValue v{Text(row, 1), Text(row, 2), Text(row, 3), Text(row, 4), std::nullopt};
        std::int64_t id = 0;
        if (!Number(row, 0, id))
            return false;
        v.m_nChangeId = id;
        (table == 1 ? batch.m_notes : batch.m_machines).push_back(std::move(v));
    }
    return true;
}

// Takes every table's rows beyond the store's cursors, from one snapshot.
bool Pull(HistoryStore& local, TeamConnection& server, TeamSyncResult& result, TeamError& error)
{
    std::vector<Row> rows;
    HistoryError localError;
    if (!Run(server, "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY", {}, rows, error)
        || !Run(server, "SELECT pg_snapshot_xmin(pg_current_snapshot())::text", {}, rows, error))
        return false;
    const std::string horizon = rows.empty() ? std::string() : Text(rows[0], 0);
    const auto stop = [&](bool ok) {
        std::vector<Row> none;
        TeamError ignored;
        server.Exec("ROLLBACK", {}, none, kTeamQueryTimeoutMs, ignored);
        return ok;
    };
    if (!IsXid(horizon)) {
        error = {TeamError::Kind::Server, "no snapshot horizon: " + horizon};
        return stop(false);
    }
    for (std::size_t t = 0; t < std::size(kPull); ++t) {
        std::string cursor;
        if (!Local(local.Cursor(server.ServerId(), kPull[t].table, cursor, localError), localError, result))
            return stop(false);
        // A cursor that is no transaction id (a damaged store) reads the table again, which is harmless.
        const std::optional<std::string> from = IsXid(cursor) ? std::optional<std::string>(cursor) : std::nullopt;
        std::string after = "0";
        do {
            if (!Run(server, kPull[t].sql, {from, after, std::to_string(team::kSyncBatch)}, rows, error))
                return false;
            HistoryChanges batch;
            for (const Row& row : rows)
                result.m_nSkipped += !AddRow(t, row, batch);
            std::size_t skipped = 0;
            if (!Local(local.Apply(batch, skipped, localError), localError, result))
                return stop(false);
            const std::size_t given = batch.m_records.size() + batch.m_notes.size() + batch.m_machines.size()
                + batch.m_deletions.size();
            result.m_nSkipped += skipped;
            result.m_nTaken += given - std::min(skipped, given);
            if (!rows.empty())
                after = Text(rows.back(), 0);
        } while (rows.size() == team::kSyncBatch);
        if (!Local(local.SetCursor(server.ServerId(), kPull[t].table, horizon, localError), localError, result))
            return stop(false);
    }
    return stop(true);
}

} // namespace

namespace team {

bool SyncOnce(HistoryStore& local, TeamConnection& server, TeamSyncResult& result, TeamError& error)
{
    result = {};
    error = {};
    // A store that takes no writes could neither mark what went nor keep what came.
    if (local.IsReadOnly()) {
        result.m_localError = local.ReadOnlyReason() ? local.ReadOnlyReason()
                                                     : HistoryError{HistoryError::Kind::ReadOnly, local.Where()};
        return false;
    }
    std::set<std::string> marked;
    for (bool more = true; more;)
        if (!PushBatch(local, server, marked, more, result, error))
            return false;
    return Pull(local, server, result, error);
}

} // namespace team
