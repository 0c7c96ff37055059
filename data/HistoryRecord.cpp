#include "data/HistoryRecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringDecoder>
#include <QSysInfo>
#include <QUuid>

#include <algorithm>
#include <charconv>
#include <limits>

namespace {

// Qt writes a zero offset as "Z"; the history always writes "+00:00".
std::string WithOffset(const QDateTime& local, const QString& format)
{
    const int offset = local.offsetFromUtc();
    const QDateTime shown = local.toOffsetFromUtc(offset);
    const int minutes = (offset < 0 ? -offset : offset) / 60;
    return shown.toString(format).toStdString()
        + QString::asprintf("%c%02d:%02d", offset < 0 ? '-' : '+', minutes / 60, minutes % 60).toStdString();
}

QDateTime Parse(std::string_view isoTime)
{
    const QString text = QString::fromUtf8(isoTime.data(), qsizetype(isoTime.size()));
    // Only times that carry their offset: a bare local time names no moment.
    if (text.size() < 20 || !(text.endsWith(u'Z') || text[text.size() - 6] == u'+' || text[text.size() - 6] == u'-'))
        return {};
    return QDateTime::fromString(text, Qt::ISODateWithMs);
}

// Names the records taken over from a History.csv (a name-based UUID's namespace).
const QUuid kImportNamespace(0x6d1c9a2eu, 0x4b7f, 0x4e21, 0x9a, 0x43, 0x1f, 0x52, 0x8c, 0x0d, 0x77, 0xe6);

} // namespace

std::string HistoryRecord::ErrorNumbers(const std::vector<int>& errNos)
{
    std::string text;
    for (int n : errNos)
        text += (text.empty() ? "" : " ") + std::to_string(n);
    return text;
}

bool HistoryRecord::ParseErrorNumbers(std::string_view text, std::vector<int>& errNos)
{
    errNos.clear();
    while (!text.empty()) {
        const std::string_view number = text.substr(0, text.find(' '));
        int n = 0;
        const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), n);
        if (number.empty() || ec != std::errc() || end != number.data() + number.size())
            return false;
        errNos.push_back(n);
        text.remove_prefix(std::min(text.size(), number.size() + 1));
    }
    return true;
}

bool HistoryRecord::IsValid() const
{
    auto within = [](int v, int lo, int hi) { return v >= lo && v <= hi; };
    return within(m_nUnits, 1, 3) && within(m_nSide, 1, 2) && within(m_nInterlock, 0, 2) && within(m_nHalt, 0, 2)
        && within(m_nLanguage, 0, 1) && within(m_nSeries, 0, 1);
}

std::string HistoryRecord::CutNote(std::string_view note)
{
    return history::CutChars(note, kMaxNote);
}

std::string HistoryRecord::CutMachine(std::string_view machine)
{
    std::string line = history::CutChars(machine, kMaxMachine);
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return line;
}

namespace history {

std::string LocalTime(std::int64_t msSinceEpoch)
{
    return WithOffset(QDateTime::fromMSecsSinceEpoch(msSinceEpoch), QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz"));
}

std::string Now()
{
    return LocalTime(QDateTime::currentMSecsSinceEpoch());
}

std::optional<std::int64_t> MsSinceEpoch(std::string_view isoTime)
{
    const QDateTime t = Parse(isoTime);
    if (!t.isValid())
        return std::nullopt;
    return t.toMSecsSinceEpoch();
}

std::string WithoutMilliseconds(std::string_view isoTime)
{
    const QDateTime t = Parse(isoTime);
    return t.isValid() ? WithOffset(t, QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")) : std::string(isoTime);
}

std::string FileStamp(std::string_view isoTime)
{
    const QDateTime t = Parse(isoTime);
    return t.isValid() ? t.toString(QStringLiteral("yyyyMMdd-HHmm")).toStdString() : std::string();
}

std::string NewId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
}

bool IsId(std::string_view id)
{
    if (id.size() != 36)
        return false;
    for (std::size_t i = 0; i < id.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? id[i] != '-' : !((id[i] >= '0' && id[i] <= '9') || (id[i] >= 'a' && id[i] <= 'f')))
            return false;
    }
    return true;
}

bool IsUtf8(std::string_view text)
{
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decode(QByteArrayView(text.data(), qsizetype(text.size())));
    Q_UNUSED(decoded);
    return !decode.hasError();
}

std::string CutChars(std::string_view text, std::size_t chars)
{
    std::size_t count = 0, end = 0;
    for (; end < text.size(); ++end) {
        const bool lead = (static_cast<unsigned char>(text[end]) & 0xC0) != 0x80;
        if (lead && ++count > chars)
            break;
    }
    return std::string(text.substr(0, end));
}

std::string LaptopName()
{
    return CutChars(QSysInfo::machineHostName().toStdString(), HistoryRecord::kMaxLaptop);
}

bool Wins(const ValueStamp& a, const ValueStamp& b)
{
    constexpr std::int64_t kNoMoment = std::numeric_limits<std::int64_t>::min();
    const std::int64_t ta = MsSinceEpoch(a.time).value_or(kNoMoment), tb = MsSinceEpoch(b.time).value_or(kNoMoment);
    if (ta != tb)
        return ta > tb;
    if (a.author != b.author)
        return a.author > b.author;
    return a.changeId.value_or(-1) > b.changeId.value_or(-1);
}

std::string ContentId(std::string_view content, int occurrence)
{
    QByteArray name(content.data(), qsizetype(content.size()));
    name += '\n' + QByteArray::number(occurrence);
    return QUuid::createUuidV5(kImportNamespace, name).toString(QUuid::WithoutBraces).toStdString();
}

} // namespace history
