// The profile reader and writer on any file and any section, key and value.
// Reads: never longer than the buffer allows, a cut read is the start of the
// whole value, and a section's own text answers as the whole file does.
// Writes (one value, or two in one replacement): refused writes and failing
// stages leave the file byte for byte; one value changes bytes of one line only
// (or adds lines); every other key keeps its value, and the keys read back what
// was written when the reader can represent it.
#include "platform/ProfileFile.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

constexpr const char* kAbsent = "\x01(absent)";

std::string Read(std::string_view text, std::string_view section, std::string_view key)
{
    return platform::GetProfileStringFromText(text, section, key, kAbsent, SIZE_MAX);
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
    const std::size_t buffer = in.Byte() % 80;
    const std::string text = in.Rest();

    // Reads.
    const std::string cut = platform::GetProfileStringFromText(text, section, key, "ERR", buffer);
    const std::string whole = Read(text, section, key);
    FUZZ_CHECK(cut.size() <= (buffer == 0 ? 0 : buffer - 1));
    FUZZ_CHECK(whole == kAbsent ? cut == std::string("ERR").substr(0, cut.size())
                                : whole.compare(0, cut.size(), cut) == 0);

    const std::vector<platform::ProfileSection> sections = platform::GetProfileSectionsFromText(text);
    const char* previousEnd = text.data();
    for (const platform::ProfileSection& s : sections) {
        FUZZ_CHECK(s.text.data() >= previousEnd && s.text.data() + s.text.size() <= text.data() + text.size());
        previousEnd = s.text.data() + s.text.size();
    }
    for (const platform::ProfileSection& s : sections) {
        if (fuzz::SameName(s.name, fuzz::Trim(section))) {
            FUZZ_CHECK(Read(s.text, section, key) == whole);
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
    const bool written = twoValues ? platform::WriteProfileStrings(path, section, values)
                                   : platform::WriteProfileString(path, section, key, value);
    platform::SetWriteHookForTesting({});
    const std::string after = fuzz::ReadBytes(path);
    if (!written) {
        FUZZ_CHECK(after == text);
        return 0;
    }
    FUZZ_CHECK(failStage == 0);
    std::string expected = platform::SetProfileStringInText(text, section, key, value);
    if (twoValues)
        expected = platform::SetProfileStringInText(expected, section, key2, value2);
    FUZZ_CHECK(after == expected);

    // One value: only the bytes of one line went; what came in is the value, or new lines.
    if (!twoValues) {
        const auto [front, back] = fuzz::CommonEnds(text, after);
        const std::string_view removed = std::string_view(text).substr(front, text.size() - front - back);
        FUZZ_CHECK(removed.find_first_of("\r\n") == std::string_view::npos);
    }

    const bool sameKey = twoValues && fuzz::SameName(fuzz::Trim(key), fuzz::Trim(key2));
    if (Representable(value) && !sameKey)
        FUZZ_CHECK(Read(after, section, key) == value);
    if (twoValues && Representable(value2))
        FUZZ_CHECK(Read(after, section, key2) == value2);

    std::size_t checked = 0;
    for (const platform::ProfileSection& s : sections) {
        for (const std::string& k : fuzz::KeyCandidates(s.text, 16)) {
            if (++checked > 64)
                return 0;
            if (fuzz::SameName(fuzz::Trim(s.name), fuzz::Trim(section))
                && (fuzz::SameName(k, fuzz::Trim(key)) || (twoValues && fuzz::SameName(k, fuzz::Trim(key2)))))
                continue;
            FUZZ_CHECK(Read(text, s.name, k) == Read(after, s.name, k));
        }
    }
    return 0;
}
