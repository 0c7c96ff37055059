#pragma once
#include <functional>
#include <string>
#include <string_view>

namespace platform {

// Rewriting an existing file without ever leaving it half-written where the
// system allows that, and without losing what a new file would lack.

// Stages of a write at which a test may make it fail.
enum class WriteStage { Open, Write, Replace };
using StageCheck = std::function<bool(WriteStage stage)>;

// The regular file a path names, links followed, when this process may write
// into it; empty otherwise (missing, a directory, read-only).
std::string WritableFileTarget(const std::string& path);

// Why this process cannot write into the existing file at path: None when it
// can; Denied when access is refused or the medium is read-only (an
// installation that the user may only read), with the system's words in
// reason; Other for anything else (missing, a folder, held by another program).
enum class WriteDenial { None, Denied, Other };
WriteDenial WhyNotWritable(const std::string& path, std::string& reason);

// Stores bytes as the whole content of target (a name WritableFileTarget gave),
// whose content is now old. Where it keeps everything (the folder takes a new
// entry, no other name shares the file, the new file can be given the old one's
// owner, group, mode and extended attributes) the bytes go to a temporary file
// beside the original, named "." + name + ".darvell-XXXXXX", that is then renamed over
// it: atomic. Else the file is rewritten in place and synced: links, owner,
// mode and ACLs stay, but a crash in the middle may leave it torn. On false the
// original is as it was (in place: put back as far as the system allows) and no
// temporary file stays; only where a failed replacement on Windows left the
// original's name free and neither content can take it back, both stay under
// names of ours rather than be deleted. Temporary files of the same name that an earlier crash
// left, this user's and older than a minute, are removed; no other file is
// touched. allow is asked before the write and before the replace (Write,
// Replace).
bool ReplaceFileContents(const std::string& target, std::string_view old, std::string_view bytes,
                         const StageCheck& allow);

// Whether a folder entry is one of the temporary files of the file called
// name: "." + name + ".darvell-" and six letters or digits, nothing else, a
// name no user gives a file. One that is kLeftoverSeconds old was left by a
// write that a crash cut short.
bool IsTemporaryFileOf(std::string_view entry, std::string_view name);
constexpr std::string_view kTemporaryMark = ".darvell-";
// The name of such a file, its six letters or digits taken from random bits.
std::string TemporaryName(std::string_view name, unsigned long long random);
constexpr int kLeftoverSeconds = 60;
// Removes such files of the file at path, those of this user only.
void RemoveTemporaryLeftovers(const std::string& path);

#ifdef _WIN32
// Test seam: the next replacements fail with this system error code as
// ReplaceFileW does, leaving the files as that code documents: 1175 (the
// original could not be removed) leaves both names as they were, 1176 (the
// replacement could not be renamed) leaves the original gone and the new
// content only in the temporary file, 1177 (the replacement could not be
// moved) leaves the original under the backup name. 0 ends it.
void SetReplaceFailureForTesting(unsigned long error);
#endif

} // namespace platform
