#pragma once
#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

// INI ("profile") files: [section] headers and key=value lines, names matched
// without regard to case. Every call opens the file anew; nothing is cached.

// The value of key in section, or def when the file, section or key is missing.
// Blanks around the value and one pair of enclosing quotes are dropped, and the
// result is cut to bufferSize - 1 bytes at a whole UTF-8 character.
std::string GetProfileString(const std::string& path, std::string_view section,
                             std::string_view key, std::string_view def,
                             std::size_t bufferSize);

// The same lookup on text already in memory.
std::string GetProfileStringFromText(std::string_view text, std::string_view section,
                                     std::string_view key, std::string_view def,
                                     std::size_t bufferSize);

// One section of a profile text: its name as written (trimmed) and its text, from
// its header line up to the next header line. text points into the caller's text.
struct ProfileSection {
    std::string name;
    std::string_view text;
};

// Every section of the text in file order, duplicates included. Looking a key up
// in the text of the first section of a name gives what a lookup in the whole
// text gives, without scanning the rest.
std::vector<ProfileSection> GetProfileSectionsFromText(std::string_view text);

// Names of the sections of a file in file order, duplicates included; empty
// when the file cannot be read.
std::vector<std::string> GetProfileSectionNames(const std::string& path);

// Replaces (or adds) one value, keeping every other byte of the file. The new
// content goes to a temporary file in the same folder that then replaces the
// original in one step, with the original's permissions. False when the file or
// folder cannot be written, and when the file does not exist: the program never
// creates a file. Names and values holding a line break, a section name with "]"
// or a key with "=" are refused, since they would change the file's shape. On
// false the original is untouched. A symbolic link is written through.
bool WriteProfileString(const std::string& path, std::string_view section,
                        std::string_view key, std::string_view value);

// Several values of one section in a single replacement of the file: either
// all of them are stored or, on failure, none.
using ProfileValue = std::pair<std::string_view, std::string_view>; // key, value
bool WriteProfileStrings(const std::string& path, std::string_view section,
                         std::span<const ProfileValue> values);

// The text WriteProfileString would store for a file holding text.
std::string SetProfileStringInText(std::string_view text, std::string_view section,
                                   std::string_view key, std::string_view value);

// Test seam: called with the target path at each stage of a write (opening the
// temporary file, writing it, replacing the original); returning false makes that
// stage fail as a read-only file, a full disk or a failed rename would. An empty
// function removes the hook.
enum class WriteStage { Open, Write, Replace };
using WriteHook = std::function<bool(const std::string& path, WriteStage stage)>;
void SetWriteHookForTesting(WriteHook hook);

} // namespace platform
