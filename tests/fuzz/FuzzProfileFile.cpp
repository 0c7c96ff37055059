// The profile reader and writer on any file bytes and any section, key and value.
// Decoding: the encoding found is one the bytes allow, and a UTF-16 file that
// decodes comes back from its byte text unchanged.
// Reads: never longer than the buffer allows in the file's own bytes, a cut read
// is the start of the whole value, and a section's own text answers as the whole
// file does.
// Writes (one value, or two in one write): refused writes and failing stages
// leave the file byte for byte; a written file keeps its encoding; in a UTF-8
// file one value changes bytes of one line only (or adds lines); every other key
// keeps its value, and the keys read back what was written when the reader can
// represent it.
#include "platform/ProfileFile.h"
#include "platform/TextEncoding.h"
#include "tests/fuzz/FuzzSupport.h"

using platform::TextEncoding;

namespace {

bool Representable(std::string_view value)
{
    if (fuzz::Trim(value) != value)
        return false;
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
        && value.back() == value.front();
    return !quoted;
}

bool IsUtf8(TextEncoding e)
{
    return e == TextEncoding::Utf8 || e == TextEncoding::Utf8Bom;
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
    const TextEncoding ansi = (flags & 8) != 0 ? TextEncoding::Gb18030 : TextEncoding::Windows1252;
    const std::size_t buffer = in.Byte() % 80;
    const std::string file = in.Rest();

    // Decoding.
    const TextEncoding found = platform::DetectTextEncoding(file, ansi);
    FUZZ_CHECK(!IsUtf8(found) || platform::FirstInvalidUtf8(file) == std::string_view::npos);
    FUZZ_CHECK(IsUtf8(found) || found == ansi || file.size() >= 2);
    std::string text;
    bool decodable = false;
    const TextEncoding encoding = platform::ToByteText(file, found, text, &decodable);
    FUZZ_CHECK(decodable == (platform::FirstUndecodable(file, found) == std::string_view::npos));
    if (decodable) {
        std::string back;
        FUZZ_CHECK(platform::FromByteText(text, found, back) && back == file);
    }

    // Reads.
    const std::string cut = platform::GetProfileStringFromText(text, section, key, "ERR", buffer, encoding);
    const std::optional<std::string> whole = fuzz::ReadValue(file, section, key, ansi);
    const std::optional<std::string_view> stored = platform::FindProfileValue(text, section, key);
    FUZZ_CHECK(whole.has_value() == stored.has_value());
    const std::size_t limit = buffer == 0 ? 0 : buffer - 1;
    if (!stored) {
        FUZZ_CHECK(cut == std::string("ERR").substr(0, limit));
    } else {
        const std::size_t kept = platform::WholeCharPrefix(*stored, encoding, limit);
        FUZZ_CHECK(kept <= limit && kept <= stored->size());
        FUZZ_CHECK(cut == platform::ToUtf8(stored->substr(0, kept), encoding));
        if (decodable && encoding != TextEncoding::Gb18030)
            FUZZ_CHECK(whole->compare(0, cut.size(), cut) == 0);
    }

    const std::vector<platform::ProfileSection> sections = platform::GetProfileSectionsFromText(text, encoding);
    const char* previousEnd = text.data();
    for (const platform::ProfileSection& s : sections) {
        FUZZ_CHECK(s.text.data() >= previousEnd && s.text.data() + s.text.size() <= text.data() + text.size());
        previousEnd = s.text.data() + s.text.size();
    }
    for (const platform::ProfileSection& s : sections) {
        if (fuzz::SameName(s.name, fuzz::Trim(section))) {
            FUZZ_CHECK(platform::FindProfileValue(s.text, section, key) == stored);
            break;
        }
    }

    // Writes, through a real file.
    const std::string path = fuzz::TempDir() + "/fuzz.ini";
    fuzz::WriteBytes(path, file);
    const int failStage = flags & 3; // 0: none, else the stage that fails
    if (failStage != 0) {
        platform::SetWriteHookForTesting([failStage](const std::string&, platform::WriteStage stage) {
            return static_cast<int>(stage) != failStage - 1;
        });
    }
    const platform::ProfileValue values[] = {{key, value}, {key2, value2}};
    const bool written = twoValues ? platform::WriteProfileStrings(path, section, values, ansi)
                                   : platform::WriteProfileString(path, section, key, value, ansi);
    platform::SetWriteHookForTesting({});
    const std::string after = fuzz::ReadBytes(path);
    if (!written) {
        FUZZ_CHECK(after == file);
        return 0;
    }
    FUZZ_CHECK(failStage == 0);
    // An ANSI file whose only bytes that are not UTF-8 were in the replaced value
    // reads as UTF-8 afterwards; nothing more is compared then.
    const TextEncoding foundAfter = platform::DetectTextEncoding(after, ansi);
    if (foundAfter != found) {
        FUZZ_CHECK(!IsUtf8(found) && IsUtf8(foundAfter));
        return 0;
    }
    if (IsUtf8(found)) {
        std::string expected = platform::SetProfileStringInText(file, section, key, value);
        if (twoValues)
            expected = platform::SetProfileStringInText(expected, section, key2, value2);
        FUZZ_CHECK(after == expected);
        // One value: only the bytes of one line went; what came in is the value, or new lines.
        if (!twoValues) {
            const auto [front, back] = fuzz::CommonEnds(file, after);
            const std::string_view removed = std::string_view(file).substr(front, file.size() - front - back);
            FUZZ_CHECK(removed.find_first_of("\r\n") == std::string_view::npos);
        }
    }

    const bool sameKey = twoValues && fuzz::SameName(fuzz::Trim(key), fuzz::Trim(key2));
    if (Representable(value) && !sameKey)
        FUZZ_CHECK(fuzz::ReadValue(after, section, key, ansi) == value);
    if (twoValues && Representable(value2))
        FUZZ_CHECK(fuzz::ReadValue(after, section, key2, ansi) == value2);

    std::size_t checked = 0;
    for (const platform::ProfileSection& s : sections) {
        for (const std::string& k : fuzz::KeyCandidates(s.text, 16)) {
            if (++checked > 64)
                return 0;
            if (fuzz::SameName(fuzz::Trim(s.name), fuzz::Trim(section))
                && (fuzz::SameName(k, fuzz::Trim(key)) || (twoValues && fuzz::SameName(k, fuzz::Trim(key2)))))
                continue;
            const std::string name = platform::ToUtf8(k, encoding);
            FUZZ_CHECK(fuzz::ReadValue(file, s.name, name, ansi) == fuzz::ReadValue(after, s.name, name, ansi));
        }
    }
    return 0;
}
