#include "platform/ProfileFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

WriteHook& Hook()
{
    static WriteHook hook;
    return hook;
}

bool HookAllows(const std::string& path, WriteStage stage)
{
    const WriteHook& hook = Hook();
    return !hook || hook(path, stage);
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v';
}

std::string_view Trim(std::string_view s)
{
    std::size_t b = 0;
    while (b < s.size() && IsBlank(s[b]))
        ++b;
    std::size_t e = s.size();
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

// One physical line: [begin, end) is its content, [end, next) its line end.
struct Line {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t next = 0;
};

// Walks the text line by line; CRLF, LF and a lone CR each end a line.
class LineReader {
public:
    explicit LineReader(std::string_view text) : m_text(text)
    {
        if (m_text.substr(0, 3) == "\xEF\xBB\xBF")
            m_pos = 3;
        m_lf = m_cr = m_pos;
        m_lf = Find('\n');
        m_cr = Find('\r');
    }

    bool Next(Line& line)
    {
        if (m_pos >= m_text.size())
            return false;
        line.begin = m_pos;
        // The next LF and the next CR are each looked up once and kept until
        // passed, so a file costs two memchr sweeps however its lines end.
        if (m_lf < m_pos)
            m_lf = Find('\n');
        if (m_cr < m_pos)
            m_cr = Find('\r');
        const std::size_t brk = m_lf < m_cr ? m_lf : m_cr;
        if (brk == std::string_view::npos) {
            line.end = line.next = m_text.size();
        } else {
            line.end = brk;
            line.next = brk + 1;
            if (brk == m_cr && m_lf == brk + 1)
                line.next = brk + 2;
        }
        m_pos = line.next;
        return true;
    }

private:
    std::size_t Find(char c) const
    {
        const void* hit = std::memchr(m_text.data() + m_pos, c, m_text.size() - m_pos);
        return hit == nullptr ? std::string_view::npos
                              : static_cast<std::size_t>(static_cast<const char*>(hit) - m_text.data());
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    std::size_t m_lf = 0;
    std::size_t m_cr = 0;
};

enum class LineKind { Other, Comment, Section, Key };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view name;       // section or key name, trimmed
    std::size_t valueBegin = 0;  // key lines: offset just after "=" in the text
};

ParsedLine Parse(std::string_view text, const Line& line)
{
    ParsedLine out;
    const std::string_view content = text.substr(line.begin, line.end - line.begin);
    std::size_t first = 0;
    while (first < content.size() && IsBlank(content[first]))
        ++first;
    if (first == content.size())
        return out;
    if (content[first] == ';') {
        out.kind = LineKind::Comment;
        return out;
    }
    if (content[first] == '[') {
        const std::size_t close = content.find(']', first + 1);
        if (close != std::string_view::npos) {
            out.kind = LineKind::Section;
            out.name = Trim(content.substr(first + 1, close - first - 1));
            return out;
        }
    }
    const std::size_t eq = content.find('=', first);
    if (eq == std::string_view::npos)
        return out;
    out.kind = LineKind::Key;
    out.name = Trim(content.substr(first, eq - first));
    out.valueBegin = line.begin + eq + 1;
    return out;
}

bool MayBeHeader(std::string_view text, const Line& line)
{
    std::size_t i = line.begin;
    while (i < line.end && IsBlank(text[i]))
        ++i;
    return i < line.end && text[i] == '[';
}

// Length of the longest prefix of s no longer than limit that ends on a whole
// UTF-8 character. Bytes that are not valid UTF-8 count as single characters.
std::size_t Utf8Cut(std::string_view s, std::size_t limit)
{
    if (s.size() <= limit)
        return s.size();
    auto isCont = [](unsigned char c) { return (c & 0xC0) == 0x80; };
    std::size_t start = limit;
    int back = 0;
    while (start > 0 && back < 3 && isCont(static_cast<unsigned char>(s[start]))) {
        --start;
        ++back;
    }
    if (back == 0)
        return limit;
    const auto lead = static_cast<unsigned char>(s[start]);
    std::size_t len = 0;
    if ((lead & 0xE0) == 0xC0)
        len = 2;
    else if ((lead & 0xF0) == 0xE0)
        len = 3;
    else if ((lead & 0xF8) == 0xF0)
        len = 4;
    // Only a lead byte whose sequence runs past the limit is held back; a stray
    // continuation byte is cut like any other byte.
    if (len > static_cast<std::size_t>(back))
        return start;
    return limit;
}

std::string Finish(std::string_view value, std::size_t bufferSize)
{
    if (bufferSize == 0)
        return {};
    return std::string(value.substr(0, Utf8Cut(value, bufferSize - 1)));
}

std::string_view LineEndOf(std::string_view text)
{
    const std::size_t brk = text.find_first_of("\r\n");
    if (brk == std::string_view::npos)
        return "\r\n";
    if (text[brk] == '\n')
        return "\n";
    if (brk + 1 < text.size() && text[brk + 1] == '\n')
        return "\r\n";
    return "\r";
}

bool ReadWholeFile(const std::string& path, std::string& out)
{
    // Non-blocking open: a FIFO in place of a data file would otherwise wait for
    // a writer forever. Only regular files are read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {};
    // Data files are small; one far beyond any real one is refused as unreadable
    // rather than pulled into memory.
    constexpr off_t kLargestFile = off_t(256) << 20;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kLargestFile) {
        ::close(fd);
        return false;
    }
    out.clear();
    // A file too large for memory is unreadable, not a reason to abort.
    try {
        if (st.st_size > 0)
            out.reserve(static_cast<std::size_t>(st.st_size));
        char buf[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                ::close(fd);
                return false;
            }
            if (n == 0)
                break;
            out.append(buf, static_cast<std::size_t>(n));
        }
    } catch (const std::bad_alloc&) {
        ::close(fd);
        out.clear();
        out.shrink_to_fit();
        return false;
    } catch (const std::length_error&) {
        ::close(fd);
        out.clear();
        return false;
    }
    ::close(fd);
    return true;
}

bool WriteAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// A name or value that would change the shape of the file (an extra line, a
// cut-short header or key) cannot be stored faithfully.
bool Storable(std::string_view section, std::string_view key, std::string_view value)
{
    const auto hasBreak = [](std::string_view s) {
        return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
    };
    if (hasBreak(section) || hasBreak(key) || hasBreak(value))
        return false;
    if (Trim(section).empty() || section.find(']') != std::string_view::npos)
        return false;
    if (Trim(key).empty() || key.find('=') != std::string_view::npos)
        return false;
    const std::string_view k = Trim(key);
    return k.front() != ';' && k.front() != '[';
}

} // namespace

std::string GetProfileStringFromText(std::string_view text, std::string_view section,
                                     std::string_view key, std::string_view def,
                                     std::size_t bufferSize)
{
    LineReader reader(text);
    Line line;
    bool inSection = false;
    while (reader.Next(line)) {
        if (!inSection && !MayBeHeader(text, line))
            continue; // outside the section only a header matters
        const ParsedLine p = Parse(text, line);
        if (p.kind == LineKind::Section) {
            if (inSection)
                break; // only the first section of that name is searched
            inSection = SameName(p.name, Trim(section));
            continue;
        }
        if (!inSection || p.kind != LineKind::Key || !SameName(p.name, Trim(key)))
            continue;
        std::string_view value = text.substr(p.valueBegin, line.end - p.valueBegin);
        // The value is a C string to its readers: it ends at a NUL byte.
        const std::size_t nul = value.find('\0');
        if (nul != std::string_view::npos)
            value = value.substr(0, nul);
        value = Trim(value);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
            && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return Finish(value, bufferSize);
    }
    return Finish(def, bufferSize);
}

std::vector<ProfileSection> GetProfileSectionsFromText(std::string_view text)
{
    std::vector<ProfileSection> sections;
    LineReader reader(text);
    Line line;
    while (reader.Next(line)) {
        const ParsedLine p = Parse(text, line);
        if (p.kind != LineKind::Section)
            continue;
        if (!sections.empty()) {
            ProfileSection& last = sections.back();
            last.text = std::string_view(last.text.data(),
                                         static_cast<std::size_t>(text.data() + line.begin - last.text.data()));
        }
        sections.push_back({std::string(p.name), text.substr(line.begin)});
    }
    return sections;
}

std::vector<std::string> GetProfileSectionNames(const std::string& path)
{
    std::string text;
    std::vector<std::string> names;
    if (!ReadWholeFile(path, text))
        return names;
    for (ProfileSection& s : GetProfileSectionsFromText(text))
        names.push_back(std::move(s.name));
    return names;
}

std::string GetProfileString(const std::string& path, std::string_view section,
                             std::string_view key, std::string_view def,
                             std::size_t bufferSize)
{
    std::string text;
    if (!ReadWholeFile(path, text))
        return Finish(def, bufferSize);
    return GetProfileStringFromText(text, section, key, def, bufferSize);
}

std::string SetProfileStringInText(std::string_view text, std::string_view section,
                                   std::string_view key, std::string_view value)
{
    const std::string_view eol = LineEndOf(text);
    const std::string_view sectionName = Trim(section);
    const std::string_view keyName = Trim(key);

    LineReader reader(text);
    Line line;
    bool inSection = false;
    bool found = false;
    Line anchor; // line after which a missing key goes
    while (reader.Next(line)) {
        const ParsedLine p = Parse(text, line);
        if (p.kind == LineKind::Section) {
            if (inSection)
                break;
            if (!found && SameName(p.name, sectionName)) {
                inSection = found = true;
                anchor = line;
            }
            continue;
        }
        if (!inSection || p.kind != LineKind::Key)
            continue;
        if (SameName(p.name, keyName)) {
            std::string out;
            out.reserve(text.size() + value.size());
            out.append(text.substr(0, p.valueBegin));
            out.append(value);
            out.append(text.substr(line.end));
            return out;
        }
        anchor = line;
    }

    std::string out;
    if (found) {
        out.append(text.substr(0, anchor.next));
        if (anchor.next == anchor.end) // the anchor is a last line without a line end
            out.append(eol);
        out.append(keyName).append("=").append(value).append(eol);
        out.append(text.substr(anchor.next));
        return out;
    }
    out.append(text);
    const bool onlyBom = text == "\xEF\xBB\xBF";
    if (!out.empty() && !onlyBom && out.back() != '\n' && out.back() != '\r')
        out.append(eol);
    out.append("[").append(sectionName).append("]").append(eol);
    out.append(keyName).append("=").append(value).append(eol);
    return out;
}

bool WriteProfileString(const std::string& path, std::string_view section,
                        std::string_view key, std::string_view value)
{
    const ProfileValue one{key, value};
    return WriteProfileStrings(path, section, std::span(&one, 1));
}

bool WriteProfileStrings(const std::string& path, std::string_view section,
                         std::span<const ProfileValue> values)
{
    for (const auto& [key, value] : values)
        if (!Storable(section, key, value))
            return false;

    // Write through a symbolic link to the file it names, so that the link stays.
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr)
        return false; // the program never creates a file: a missing one is an error
    const std::string target(resolved);

    struct stat st {};
    if (::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    // Replacing the file would succeed even where writing into it is refused.
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return false;
    std::string text;
    if (!ReadWholeFile(target, text))
        return false;
    std::string updated = std::move(text);
    for (const auto& [key, value] : values)
        updated = SetProfileStringInText(updated, section, key, value);

    if (!HookAllows(path, WriteStage::Open))
        return false;
    const std::size_t slash = target.rfind('/');
    std::string tmp = target.substr(0, slash + 1) + "." + target.substr(slash + 1) + ".XXXXXX";
    const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;

    bool ok = ::fchmod(fd, st.st_mode & 07777) == 0;
    if (ok && (st.st_uid != ::geteuid() || st.st_gid != ::getegid())) {
        // Only a privileged writer can hand the file back to its owner; others
        // keep the file as theirs, which is what replacing it makes it anyway.
        [[maybe_unused]] const int ignored = ::fchown(fd, st.st_uid, st.st_gid);
    }
    ok = ok && HookAllows(path, WriteStage::Write) && WriteAll(fd, updated) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && HookAllows(path, WriteStage::Replace) && ::rename(tmp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tmp.c_str());
        return false;
    }
    // Make the rename itself survive a power cut; the write already succeeded.
    const int dirFd = ::open(target.substr(0, slash + 1).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

void SetWriteHookForTesting(WriteHook hook)
{
    Hook() = std::move(hook);
}

} // namespace platform
