// The profile reader and writer on any file and any section, key and value.
// Decoding: the encoding found is one the bytes allow, and a UTF-16 file that
// decodes comes back from its byte text unchanged.
// Reads: never longer than the buffer allows in the file's own bytes, a cut read
// is the decoded start of the stored value, and a section's own text answers as
// the whole file does.
// Writes (one value, or two in one replacement): refused writes and failing
// stages leave the file byte for byte; a UTF-8 file changes bytes of one line
// only for one value (or adds lines); every other key keeps its value, and the
// keys read back what was written when the reader can represent it.
#include "platform/ProfileFile.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

using platform::TextEncoding;
TextEncoding g_ansi; // of the input being run

std::optional<std::string> Read(std::string_view text, std::string_view section, std::string_view key)
{
    return fuzz::ReadValue(text, section, key, g_ansi);
}

bool Representable(std::string_view value)
{
    if (fuzz::Trim(value) != value)
        return false;
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
        && value.back() == value.front();
    return !quoted;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::InputReader in(data, size);
    const uint8_t flags = in.Byte();
    const std::string section = in.Take(12);
    const std::string key = in.Take(12);
    const std::string value = in.Take(40);
    // With flag 4 a second value goes into the same write.
    const std::string key2 = in.Take(12);
    const std::string value2 = in.Take(40);
    const bool twoValues = (flags & 4) != 0;
    g_ansi = (flags & 8) != 0 ? TextEncoding::Gb18030 : TextEncoding::Windows1252;
    const std::size_t buffer = in.Byte() % 80;
    const std::string text = in.Rest();

    // Decoding: reads work on the byte text of the file.
    const TextEncoding found = platform::DetectTextEncoding(text, g_ansi);
    const bool utf8 = found == TextEncoding::Utf8 || found == TextEncoding::Utf8Bom;
    FUZZ_CHECK(utf8 == (platform::FirstInvalidUtf8(text) == std::string_view::npos));
    std::string bytes, again, s8, k8;
    bool decodable = false;
    const TextEncoding encoding = platform::ToByteText(text, found, bytes, &decodable);
    FUZZ_CHECK(!decodable || (platform::FromByteText(bytes, found, again) && again == text));
    // Names come as UTF-8 and stand in the byte text's own encoding.
    const bool named = platform::FromUtf8(section, encoding, s8) && platform::FromUtf8(key, encoding, k8);

    // Reads.
    const std::string cut = platform::GetProfileStringFromText(bytes, section, key, "ERR", buffer, encoding);
    const std::optional<std::string> whole = Read(text, section, key);
    const std::optional<std::string_view> stored = named ? platform::FindProfileValue(bytes, s8, k8) : std::nullopt;
    FUZZ_CHECK(whole.has_value() == stored.has_value());
    const std::size_t kept = stored ? platform::WholeCharPrefix(*stored, encoding, buffer == 0 ? 0 : buffer - 1) : 0;
    FUZZ_CHECK(kept <= (buffer == 0 ? 0 : buffer - 1));
    FUZZ_CHECK(!whole ? cut == std::string("ERR").substr(0, cut.size())
                      : cut == platform::ToUtf8(stored->substr(0, kept), encoding));

    const std::vector<platform::ProfileSection> sections = platform::GetProfileSectionsFromText(bytes, encoding);
    const char* previousEnd = bytes.data();
    for (const platform::ProfileSection& s : sections) {
        FUZZ_CHECK(s.text.data() >= previousEnd && s.text.data() + s.text.size() <= bytes.data() + bytes.size());
        previousEnd = s.text.data() + s.text.size();
    }
    for (const platform::ProfileSection& s : sections) {
        if (named && decodable && fuzz::SameName(s.name, fuzz::Trim(section))) {
            FUZZ_CHECK(platform::FindProfileValue(s.text, s8, k8) == stored);
            break;
        }
    }

    // Writes, through a real file.
    const std::string path = fuzz::TempDir() + "/fuzz.ini";
    fuzz::WriteBytes(path, text);
    const int failStage = flags & 3; // 0: none, else the stage that fails
    if (failStage != 0) {
        platform::SetWriteHookForTesting([failStage](const std::string&, platform::WriteStage stage) {
            return static_cast<int>(stage) != failStage - 1;
        });
    }
    const platform::ProfileValue values[] = {{key, value}, {key2, value2}};
    const bool written = twoValues ? platform::WriteProfileStrings(path, section, values, g_ansi)
                                   : platform::WriteProfileString(path, section, key, value, g_ansi);
    platform::SetWriteHookForTesting({});
    const std::string after = fuzz::ReadBytes(path);
    if (!written) {
        FUZZ_CHECK(after == text);
        return 0;
    }
    FUZZ_CHECK(failStage == 0);
    // An ANSI file whose only bytes that are not UTF-8 were in the replaced value
    // reads as UTF-8 afterwards: nothing more to compare. Other files keep their
    // encoding; the bytes of a UTF-8 file are known exactly.
    const TextEncoding foundAfter = platform::DetectTextEncoding(after, g_ansi);
    FUZZ_CHECK(foundAfter == found || (!utf8 && platform::FirstInvalidUtf8(after) == std::string_view::npos));
    if (foundAfter != found)
        return 0;
    std::string expected = platform::SetProfileStringInText(text, section, key, value);
    if (twoValues)
        expected = platform::SetProfileStringInText(expected, section, key2, value2);
    FUZZ_CHECK(!utf8 || after == expected);

    // One value: only the bytes of one line went; what came in is the value, or new lines.
    if (!twoValues && utf8) {
        const auto [front, back] = fuzz::CommonEnds(text, after);
        const std::string_view removed = std::string_view(text).substr(front, text.size() - front - back);
        FUZZ_CHECK(removed.find_first_of("\r\n") == std::string_view::npos);
    }

    const bool sameKey = twoValues && fuzz::SameName(fuzz::Trim(key), fuzz::Trim(key2));
    if (Representable(value) && !sameKey)
        FUZZ_CHECK(Read(after, section, key) == value);
    if (twoValues && Representable(value2))
        FUZZ_CHECK(Read(after, section, key2) == value2);

    if (!decodable)
        return 0; // names with bytes that do not decode cannot be asked for
    std::size_t checked = 0;
    for (const platform::ProfileSection& s : sections) {
        for (const std::string& k : fuzz::KeyCandidates(s.text, 16)) {
            if (++checked > 64)
                return 0;
            if (fuzz::SameName(fuzz::Trim(s.name), fuzz::Trim(section))
                && (fuzz::SameName(k, fuzz::Trim(key)) || (twoValues && fuzz::SameName(k, fuzz::Trim(key2)))))
                continue;
            const std::string name = platform::ToUtf8(k, encoding);
            FUZZ_CHECK(Read(text, s.name, name) == Read(after, s.name, name));
        }
    }
    return 0;
}
