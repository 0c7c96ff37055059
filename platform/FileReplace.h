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

// Stores bytes as the whole content of target (a name WritableFileTarget gave),
// whose content is now old. Where it keeps everything (the folder takes a new
// entry, no other name shares the file, the new file can be given the old one's
// owner, group, mode and extended attributes) the bytes go to a temporary file
// beside the original, named "." + name + ".XXXXXX", that is then renamed over
// it: atomic. Else the file is rewritten in place and synced: links, owner,
// mode and ACLs stay, but a crash in the middle may leave it torn. On false the
// original is as it was (in place: put back as far as the system allows) and no
// temporary file stays. Temporary files of the same name that an earlier crash
// left, older than a minute, are removed. allow is asked before the write and
// before the replace (Write, Replace).
bool ReplaceFileContents(const std::string& target, std::string_view old, std::string_view bytes,
                         const StageCheck& allow);

// Whether a folder entry is one of the temporary files of the file called
// name: "." + name + "." and six letters or digits, nothing else. One that is
// kLeftoverSeconds old was left by a write that a crash cut short.
bool IsTemporaryFileOf(std::string_view entry, std::string_view name);
constexpr int kLeftoverSeconds = 60;

} // namespace platform
