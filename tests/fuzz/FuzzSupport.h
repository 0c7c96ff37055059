// Helpers shared by the fuzz targets: splitting one input into several fields,
// a private data directory, a crash on a broken property.
#pragma once
#include "platform/ProfileFile.h"

#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A failed property is a crash, so that libFuzzer keeps the input.
#define FUZZ_CHECK(cond)                                                                   \
    do {                                                                                   \
        if (!(cond)) {                                                                     \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                  \
        }                                                                                  \
    } while (0)

namespace fuzz {

// Reads fields off the front of the input: a length byte, then that many bytes.
class InputReader {
public:
    InputReader(const uint8_t* data, std::size_t size)
        : m_data(reinterpret_cast<const char*>(data)), m_size(size) {}

    uint8_t Byte()
    {
        return m_pos < m_size ? static_cast<uint8_t>(m_data[m_pos++]) : 0;
    }
    std::string Take(std::size_t maxLength)
    {
        const std::size_t wanted = Byte() % (maxLength + 1); // before the room left is measured
        const std::size_t n = std::min(wanted, m_size - m_pos);
        std::string s(m_data + m_pos, n);
        m_pos += n;
        return s;
    }
    std::string Rest()
    {
        std::string s(m_data + m_pos, m_size - m_pos);
        m_pos = m_size;
        return s;
    }

private:
    const char* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// A folder of this process, removed at exit; in memory where the system has one.
inline const std::string& TempDir()
{
    static QTemporaryDir dir(QString(std::ifstream("/dev/shm").good() ? "/dev/shm" : "/tmp")
                             + "/darvell-fuzz-XXXXXX");
    static const std::string path = dir.path().toStdString();
    return path;
}

inline void WriteBytes(const std::string& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v';
}

inline std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

inline bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// Key names written in a section's text: whatever stands before "=" on a line.
// A superset of the real keys is fine: names that are no key read as absent.
inline std::vector<std::string> KeyCandidates(std::string_view sectionText, std::size_t limit)
{
    std::vector<std::string> keys;
    std::size_t pos = 0;
    while (pos < sectionText.size() && keys.size() < limit) {
        std::size_t end = sectionText.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = sectionText.size();
        const std::string_view line = sectionText.substr(pos, end - pos);
        const std::size_t eq = line.find('=');
        if (eq != std::string_view::npos) {
            const std::string_view key = Trim(line.substr(0, eq));
            if (!key.empty() && key.front() != ';' && key.front() != '[')
                keys.emplace_back(key);
        }
        pos = end + 1;
    }
    return keys;
}

// The whole value as the program decodes it from a file's bytes, or nullopt
// when absent: no stored value can pass for a missing one.
inline std::optional<std::string> ReadValue(std::string_view text, std::string_view section,
                                            std::string_view key, platform::TextEncoding ansi)
{
    std::string bytes, s, k;
    const auto e = platform::ToByteText(text, platform::DetectTextEncoding(text, ansi), bytes);
    if (!platform::FromUtf8(section, e, s) || !platform::FromUtf8(key, e, k))
        return std::nullopt;
    const std::optional<std::string_view> value = platform::FindProfileValue(bytes, s, k);
    return value ? std::optional(platform::ToUtf8(*value, e)) : std::nullopt;
}

// Bytes common at the front and the back of two texts, not overlapping.
inline std::pair<std::size_t, std::size_t> CommonEnds(std::string_view a, std::string_view b)
{
    std::size_t front = 0;
    while (front < a.size() && front < b.size() && a[front] == b[front])
        ++front;
    std::size_t back = 0;
    while (back < a.size() - front && back < b.size() - front
           && a[a.size() - 1 - back] == b[b.size() - 1 - back])
        ++back;
    return {front, back};
}

} // namespace fuzz
