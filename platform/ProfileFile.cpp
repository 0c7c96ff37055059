#include "platform/ProfileFile.h"

#include <cstring>

#include "platform/FileExists.h"
#include "platform/AtomicWrite.h"
#include "platform/FileReplace.h"

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
        // A header whose "]" was lost names its section by the rest of the line.
        const std::size_t close = content.find(']', first + 1);
        out.kind = LineKind::Section;
        out.name = Trim(content.substr(first + 1, close == std::string_view::npos
                                                      ? std::string_view::npos
                                                      : close - first - 1));
        return out;
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

// The value as a caller gets it: cut to bufferSize - 1 bytes of the text's own
// encoding at a whole character, then as UTF-8.
std::string Finish(std::string_view value, std::size_t bufferSize, TextEncoding encoding)
{
    if (bufferSize == 0)
        return {};
    return ToUtf8(value.substr(0, WholeCharPrefix(value, encoding, bufferSize - 1)), encoding);
}

// Largest data file read: far beyond any real one, refused rather than pulled into memory.
constexpr std::size_t kLargestFile = std::size_t(256) << 20;

// A file's bytes as the byte text the profile functions work on.
bool ReadByteText(const std::string& path, TextEncoding ansi, std::string& text, TextEncoding& encoding,
                  TextEncoding* fileEncoding = nullptr, bool* decodable = nullptr)
{
    std::string bytes;
    if (!ReadFileBytes(path, bytes, kLargestFile))
        return false;
    const TextEncoding found = DetectTextEncoding(bytes, ansi);
    if (fileEncoding != nullptr)
        *fileEncoding = found;
    if (found == TextEncoding::Utf8 || found == TextEncoding::Utf8Bom) {
        text = std::move(bytes);
        encoding = found;
        if (decodable != nullptr)
            *decodable = true;
        return true;
    }
    encoding = ToByteText(bytes, found, text, decodable);
    return true;
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

std::optional<std::string_view> FindProfileValue(std::string_view text, std::string_view section,
                                                 std::string_view key)
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
        return value;
    }
    return std::nullopt;
}

std::string GetProfileStringFromText(std::string_view text, std::string_view section,
                                     std::string_view key, std::string_view def,
                                     std::size_t bufferSize, TextEncoding encoding)
{
    // Names come as UTF-8; in the text they stand in its own encoding.
    std::string s, k;
    if (FromUtf8(section, encoding, s) && FromUtf8(key, encoding, k))
        if (const std::optional<std::string_view> value = FindProfileValue(text, s, k))
            return Finish(*value, bufferSize, encoding);
    return Finish(def, bufferSize, TextEncoding::Utf8);
}

std::vector<ProfileSection> GetProfileSectionsFromText(std::string_view text, TextEncoding encoding)
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
        sections.push_back({ToUtf8(p.name, encoding), text.substr(line.begin)});
    }
    return sections;
}

std::vector<std::string> GetProfileSectionNames(const std::string& path, TextEncoding ansi)
{
    std::string text;
    TextEncoding encoding{};
    std::vector<std::string> names;
    if (!ReadByteText(path, ansi, text, encoding))
        return names;
    for (ProfileSection& s : GetProfileSectionsFromText(text, encoding))
        names.push_back(std::move(s.name));
    return names;
}

std::string GetProfileString(const std::string& path, std::string_view section,
                             std::string_view key, std::string_view def,
                             std::size_t bufferSize, TextEncoding ansi)
{
    std::string text;
    TextEncoding encoding{};
    if (!ReadByteText(path, ansi, text, encoding))
        return Finish(def, bufferSize, TextEncoding::Utf8);
    return GetProfileStringFromText(text, section, key, def, bufferSize, encoding);
}

bool ReadProfileText(const std::string& path, TextEncoding ansi, ProfileText& out)
{
    return ReadByteText(path, ansi, out.text, out.encoding, &out.fileEncoding, &out.decodable);
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
                        std::string_view key, std::string_view value, TextEncoding ansi)
{
    const ProfileValue one{key, value};
    return WriteProfileStrings(path, section, std::span(&one, 1), ansi);
}

namespace {

// The bytes of a profile file (old) with the values set, in the file's own
// encoding, byte-order mark and line ends; false when a value cannot be stored.
bool SetProfileStrings(const std::string& file, std::string_view section, std::span<const ProfileValue> values,
                       TextEncoding ansi, std::string& old, std::string& bytes)
{
    for (const auto& [key, value] : values)
        if (!Storable(section, key, value))
            return false;
    if (!ReadFileBytes(file, old, kLargestFile))
        return false;

    // The edit works on the byte text and goes back to the file's encoding, so
    // that the encoding, its byte-order mark and the line ends stay.
    const TextEncoding fileEncoding = DetectTextEncoding(old, ansi);
    std::string text;
    bool decodable = true;
    const TextEncoding encoding = ToByteText(old, fileEncoding, text, &decodable);
    const bool utf16 = encoding != fileEncoding;
    if (utf16 && !decodable)
        return false; // a damaged UTF-16 file could not be written back unchanged
    for (const auto& [key, value] : values) {
        std::string s, k, v;
        // In GB18030 a "]" may be the second byte of a character: checked again as bytes.
        if (!FromUtf8(section, encoding, s) || !FromUtf8(key, encoding, k) || !FromUtf8(value, encoding, v)
            || !Storable(s, k, v))
            return false;
        text = SetProfileStringInText(text, s, k, v);
    }
    return FromByteText(text, fileEncoding, bytes);
}

} // namespace

bool WriteProfileStrings(const std::string& path, std::string_view section,
                         std::span<const ProfileValue> values, TextEncoding ansi)
{
    // Write through a symbolic link to the file it names, so that the link stays.
    // The program never creates a file: a missing one is an error.
    const std::string target = WritableFileTarget(path);
    std::string old, bytes;
    if (target.empty() || !SetProfileStrings(target, section, values, ansi, old, bytes))
        return false;
    if (!HookAllows(path, WriteStage::Open))
        return false;
    return ReplaceFileContents(target, old, bytes,
                               [&path](WriteStage stage) { return HookAllows(path, stage); });
}

bool CreateProfileFrom(const std::string& from, const std::string& path, std::string_view section,
                       std::span<const ProfileValue> values, TextEncoding ansi)
{
    std::string old, bytes, error;
    return SetProfileStrings(from, section, values, ansi, old, bytes) && HookAllows(path, WriteStage::Open)
        && HookAllows(path, WriteStage::Write) && HookAllows(path, WriteStage::Replace)
        && WriteFileAtomically(path, bytes, error);
}

void SetWriteHookForTesting(WriteHook hook)
{
    Hook() = std::move(hook);
}

} // namespace platform
