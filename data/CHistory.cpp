#include "data/CHistory.h"

#include <algorithm>

#include "data/CSqliteHistory.h"
#include "data/HistoryCsv.h"
#include "data/TextCatalogue.h"
#include "platform/ExeDir.h"
#include "platform/FileExists.h"
#include "platform/UserDataDir.h"
#include "platform/WritableDir.h"

namespace {

using Kind = HistoryError::Kind;

// A file's path with its folder resolved, so that only the file itself could
// still be a link (and is then refused); the separator is kept.
std::string InResolvedDir(const std::string& file)
{
    const std::size_t sep = file.find_last_of("/\\");
    if (sep == std::string::npos)
        return file;
    const std::string dir = platform::ResolvedDir(file.substr(0, sep));
    return dir.empty() ? file : dir + file[sep] + file.substr(sep + 1);
}

std::string Beside(const std::string& file, const char* name)
{
    const std::size_t sep = file.find_last_of("/\\");
    return (sep == std::string::npos ? std::string() : file.substr(0, sep + 1)) + name;
}

// The records of two histories in the order of their times; a record without
// a time keeps its place after the one before it in its own history.
std::vector<HistoryRecord> Merge(std::vector<HistoryRecord> a, std::vector<HistoryRecord> b)
{
    if (a.empty())
        return b; // moved, not copied: a plant's history is large
    if (b.empty())
        return a;
    std::vector<std::pair<std::int64_t, HistoryRecord>> all;
    all.reserve(a.size() + b.size());
    for (std::vector<HistoryRecord>* list : {&a, &b}) {
        std::int64_t last = 0;
        for (HistoryRecord& r : *list) {
            last = history::MsSinceEpoch(r.m_strTime).value_or(last);
            all.emplace_back(last, std::move(r));
        }
    }
    std::stable_sort(all.begin(), all.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<HistoryRecord> merged;
    merged.reserve(all.size());
    for (auto& [time, r] : all)
        merged.push_back(std::move(r));
    return merged;
}

// The records of the history read-only beside and of the writable one, merged;
// the latter marked as newerReadOnly says. Only the newest of them for a
// count; whole tells whether that was every record.
CHistory::Loaded ReadBoth(HistoryStore* older, HistoryStore* newer, bool newerReadOnly, std::size_t newest = 0,
                          bool* whole = nullptr)
{
    CHistory::Loaded loaded;
    std::vector<HistoryRecord> a, b;
    bool all = true;
    const auto load = [&](HistoryStore* store, std::vector<HistoryRecord>& into) {
        HistoryError error;
        auto* db = newest ? dynamic_cast<CSqliteHistory*>(store) : nullptr;
        if (store && !(db ? db->LoadNewest(newest, into, error) : store->Load(into, error)))
            loaded.m_error = error;
        all = all && !(db && into.size() >= newest);
    };
    load(older, a);
    load(newer, b);
    for (HistoryRecord& r : b)
        r.m_bReadOnly = newerReadOnly;
    loaded.m_records = Merge(std::move(a), std::move(b));
    if (newest && loaded.m_records.size() > newest) {
        all = false;
        loaded.m_records.erase(loaded.m_records.begin(), loaded.m_records.end() - static_cast<std::ptrdiff_t>(newest));
    }
    if (whole)
        *whole = all;
    return loaded;
}

} // namespace

CHistory::CHistory() = default;

CHistory::CHistory(std::string path) : m_strPath(std::move(path)) {}

CHistory::~CHistory() = default;

void CHistory::Open()
{
    // A database that was busy while another copy made it is tried again.
    if (m_writable || (m_bOpened && m_openError.m_kind != Kind::Busy))
        return;
    m_bOpened = true;
    m_openError = {};
    auto open = [this](const std::string& path) {
        return CSqliteHistory::Open(path, CSqliteHistory::Mode::ReadWrite, kMaxRecords,
                                    Beside(path, historycsv::kFileName), m_openError);
    };
    if (!m_strPath.empty()) {
        m_writable = open(m_strPath);
        return;
    }
    const std::string here = InResolvedDir(platform::DataPath(kFileName));
    if (platform::IsWritableDir(platform::DataPath())) {
        std::unique_ptr<CSqliteHistory> store = open(here);
        // A damaged, busy or newer database stays the one place: the
        // history is never split because of it.
        if (!store || !store->IsReadOnly() || store->ReadOnlyReason()) {
            m_writable = std::move(store);
            return;
        }
        m_readOnly = std::move(store);
    } else if (!m_readOnly) {
        m_loadError = {};
        if (platform::FileExists(here))
            m_readOnly = CSqliteHistory::Open(here, CSqliteHistory::Mode::ReadOnly, kMaxRecords, {}, m_loadError);
        else if (const std::string csv = Beside(here, historycsv::kFileName); platform::FileExists(csv))
            m_readOnly = std::make_unique<CCsvHistory>(csv, kMaxRecords);
    }
    const std::string user = platform::UserDataPath(kFileName);
    if (user.empty()) {
        m_openError = {Kind::NoPlace, {}};
        return;
    }
    m_writable = open(InResolvedDir(user));
}

void CHistory::OpenOnce()
{
    if (!m_bOpened)
        Open();
}

void CHistory::Reload()
{
    ReloadNewest(0);
}

void CHistory::ReloadNewest(std::size_t count)
{
    Open();
    m_bLoaded = true;
    Loaded loaded =
        ReadBoth(m_readOnly.get(), m_writable.get(), m_writable && m_writable->IsReadOnly(), count, &m_bWhole);
    if (loaded.m_error)
        m_loadError = loaded.m_error;
    m_records = std::move(loaded.m_records);
}

std::function<CHistory::Loaded()> CHistory::Reader()
{
    Open();
    std::string older = m_readOnly ? m_readOnly->Where() : std::string();
    std::string newer = m_writable ? m_writable->Where() : std::string();
    const bool olderIsCsv = m_readOnly && !dynamic_cast<const CSqliteHistory*>(m_readOnly.get());
    const bool newerReadOnly = m_writable && m_writable->IsReadOnly();
    return [older = std::move(older), newer = std::move(newer), olderIsCsv, newerReadOnly,
            generation = m_nGeneration] {
        // Connections that only read: the writable database is read while
        // this program and the team sync write it, and is never changed here.
        Loaded loaded;
        std::unique_ptr<HistoryStore> a, b;
        if (!older.empty())
            a = olderIsCsv ? std::make_unique<CCsvHistory>(older, kMaxRecords)
                           : std::unique_ptr<HistoryStore>(CSqliteHistory::Open(
                                 older, CSqliteHistory::Mode::ReadOnly, kMaxRecords, {}, loaded.m_error));
        if (!newer.empty())
            b = CSqliteHistory::Open(newer, CSqliteHistory::Mode::ReadOnly, kMaxRecords, {}, loaded.m_error);
        if (!loaded.m_error)
            loaded = ReadBoth(a.get(), b.get(), newerReadOnly);
        loaded.m_nGeneration = generation;
        return loaded;
    };
}

void CHistory::Take(Loaded&& loaded)
{
    // A failed reading leaves the records shown as they are.
    if (loaded.m_error) {
        m_loadError = loaded.m_error;
        return;
    }
    m_bLoaded = true;
    m_bWhole = true;
    m_records = std::move(loaded.m_records);
}

const std::vector<HistoryRecord>& CHistory::Records()
{
    if (!m_bLoaded)
        Reload();
    return m_records;
}

bool CHistory::Append(const HistoryRecord& record)
{
    Open();
    HistoryError error = m_openError ? m_openError : HistoryError{Kind::NoPlace, {}};
    if (m_strLaptop.empty())
        m_strLaptop = history::LaptopName();
    HistoryRecord made = record;
    made.m_strAuthor = m_strAuthor;
    made.m_strLaptop = m_strLaptop;
    made.m_bOwn = true;
    if (m_writable && m_writable->Add(made, error)) {
        m_bLoaded = false; // read again when next shown, with what other copies added
        Changed();
        return true;
    }
    // The first failure of the run stands: the history has a gap from then on.
    if (!m_failure)
        m_failure = error;
    return false;
}

std::vector<HistoryRecord>::iterator CHistory::Writable(const std::string& id, HistoryError& error)
{
    Records();
    const auto it = std::find_if(m_records.begin(), m_records.end(), [&](const HistoryRecord& r) { return r.m_strId == id; });
    if (it == m_records.end())
        error = {Kind::Gone, {}};
    else if (it->m_bReadOnly || !m_writable)
        error = {Kind::ReadOnly, ReadOnlyPath()};
    else
        return it;
    return m_records.end();
}

bool CHistory::Annotate(const std::string& id, std::string_view note, std::string_view machine, HistoryError& error)
{
    const auto it = Writable(id, error);
    if (it == m_records.end())
        return false;
    const std::string now = history::Now();
    const std::string newNote = HistoryRecord::CutNote(note), newMachine = HistoryRecord::CutMachine(machine);
    std::optional<std::string_view> changedNote, changedMachine;
    if (newNote != it->m_strNote)
        changedNote = newNote;
    if (newMachine != it->m_strMachine)
        changedMachine = newMachine;
    if (!changedNote && !changedMachine)
        return true;
    if (!m_writable->Annotate(id, changedNote, changedMachine, now, m_strAuthor, error))
        return false;
    if (changedNote) {
        it->m_strNote = newNote;
        it->m_strNoteTime = now;
    }
    if (changedMachine) {
        it->m_strMachine = newMachine;
        it->m_strMachineTime = now;
    }
    Changed();
    return true;
}

bool CHistory::MayDelete(const HistoryRecord& record) const
{
    return m_writable && !record.m_bReadOnly
        && (m_strAuthor.empty() || record.m_strAuthor == m_strAuthor || (record.m_bOwn && record.m_strAuthor.empty()));
}

bool CHistory::Delete(const std::string& id, HistoryError& error)
{
    const auto it = Writable(id, error);
    if (it == m_records.end())
        return false;
    if (!MayDelete(*it)) {
        error = {Kind::Other, "the record was made by another team server user: " + it->m_strAuthor};
        return false;
    }
    if (!m_writable->Delete(id, history::Now(), m_strAuthor, error))
        return false;
    m_records.erase(it);
    Changed();
    return true;
}

std::vector<std::string> CHistory::Machines()
{
    std::vector<std::string> machines;
    for (const HistoryRecord& r : Records())
        if (!r.m_strMachine.empty())
            machines.push_back(r.m_strMachine);
    std::sort(machines.begin(), machines.end());
    machines.erase(std::unique(machines.begin(), machines.end()), machines.end());
    return machines;
}

std::string CHistory::WritablePath()
{
    OpenOnce(); // what is known: a busy database is tried again only to load or add
    return m_writable && !m_writable->IsReadOnly() ? m_writable->Where() : std::string();
}

std::string CHistory::ReadOnlyPath()
{
    OpenOnce(); // what is known: a busy database is tried again only to load or add
    if (m_readOnly)
        return m_readOnly->Where();
    return m_writable && m_writable->IsReadOnly() ? m_writable->Where() : std::string();
}

HistoryError CHistory::Problem()
{
    OpenOnce(); // what is known: a busy database is tried again only to load or add
    if (m_openError)
        return m_openError;
    if (m_writable && m_writable->ReadOnlyReason())
        return m_writable->ReadOnlyReason();
    return m_loadError;
}

std::string CHistory::Reason(const HistoryError& error, int language)
{
    const std::size_t kind = static_cast<std::size_t>(error.m_kind);
    const char* words = kind < g_strHistoryWhy.size() ? g_strHistoryWhy[kind][language == 1 ? 1 : 0] : "";
    return *words ? std::string(words) : error.m_strDetail;
}
