#pragma once
#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/FileReplace.h"
#include "platform/TextEncoding.h"

namespace platform {

// INI ("profile") files: [section] headers and key=value lines, names matched
// without regard to case. Every call opens the file anew; nothing is cached.
//
// Each read decides the file's encoding anew (DetectTextEncoding): UTF-8 or
// UTF-16 by their marks, else the ANSI code page given for the file. The
// functions work on a byte text (UTF-8, GB18030 or Windows-1252; a UTF-16 file
// is converted to GB18030), so buffer sizes count the bytes of that code page,
// and values come back as UTF-8. A line opening with "[" is a section header;
// without its "]" the rest of the line names the section.

// The value of key in section, or def when the file, section or key is missing.
// Blanks around the value and one pair of enclosing quotes are dropped, and the
// result is cut to bufferSize - 1 bytes of the byte text at a whole character.
std::string GetProfileString(const std::string& path, std::string_view section,
                             std::string_view key, std::string_view def,
                             std::size_t bufferSize,
                             TextEncoding ansi = TextEncoding::Windows1252);

// The same lookup on a byte text already in memory.
std::string GetProfileStringFromText(std::string_view text, std::string_view section,
                                     std::string_view key, std::string_view def,
                                     std::size_t bufferSize,
                                     TextEncoding encoding = TextEncoding::Utf8);

// The stored value as it stands in the byte text, uncut; nullopt when the
// section or key is missing. Names are given in the text's own encoding.
std::optional<std::string_view> FindProfileValue(std::string_view text, std::string_view section,
                                                 std::string_view key);

// A profile file as the functions above see it.
struct ProfileText {
    TextEncoding fileEncoding = TextEncoding::Utf8; // what the file holds
    TextEncoding encoding = TextEncoding::Utf8;     // what text is in
    std::string text;
    bool decodable = true; // false when some of the file's bytes decode to nothing
};
bool ReadProfileText(const std::string& path, TextEncoding ansi, ProfileText& out);

// One section of a profile text: its name as written (trimmed, as UTF-8) and its
// text, from its header line up to the next header line. text points into the
// caller's text.
struct ProfileSection {
    std::string name;
    std::string_view text;
};

// Every section of the text in file order, duplicates included. Looking a key up
// in the text of the first section of a name gives what a lookup in the whole
// text gives, without scanning the rest.
std::vector<ProfileSection> GetProfileSectionsFromText(std::string_view text,
                                                       TextEncoding encoding = TextEncoding::Utf8);

// Names of the sections of a file in file order, duplicates included; empty
// when the file cannot be read.
std::vector<std::string> GetProfileSectionNames(const std::string& path,
                                                TextEncoding ansi = TextEncoding::Windows1252);

// Replaces (or adds) one value, keeping every other byte of the file, its
// encoding, byte-order mark and line ends. False when the file cannot be
// written, and when it does not exist: the program never creates a file. Names
// and values holding a line break, a section name with "]" or a key with "="
// are refused, since they would change the file's shape, and so are characters
// the file's encoding cannot hold. A symbolic link is written through.
//
// The file is rewritten by ReplaceFileContents: atomic where that keeps
// everything, else in place; on false the original is as it was.
bool WriteProfileString(const std::string& path, std::string_view section,
                        std::string_view key, std::string_view value,
                        TextEncoding ansi = TextEncoding::Windows1252);

// Several values of one section in a single write of the file: either all of
// them are stored or, on failure, none.
using ProfileValue = std::pair<std::string_view, std::string_view>; // key, value
bool WriteProfileStrings(const std::string& path, std::string_view section,
                         std::span<const ProfileValue> values,
                         TextEncoding ansi = TextEncoding::Windows1252);

// WriteProfileStrings for a file that is made anew: the file from (which stays
// as it is) with the values set, stored as path, a file of this user's default
// permissions that appears whole or not at all. An existing file at path is
// replaced.
bool CreateProfileFrom(const std::string& from, const std::string& path, std::string_view section,
                       std::span<const ProfileValue> values, TextEncoding ansi = TextEncoding::Windows1252);

// The text WriteProfileString would store for a byte text.
std::string SetProfileStringInText(std::string_view text, std::string_view section,
                                   std::string_view key, std::string_view value);

// Test seam: called with the target path at each stage of a write (opening,
// writing, replacing the original or, in place, truncating and syncing it);
// returning false makes that stage fail as a read-only file, a full disk or a
// failed rename would. An empty function removes the hook.
using WriteHook = std::function<bool(const std::string& path, WriteStage stage)>;
void SetWriteHookForTesting(WriteHook hook);

} // namespace platform
