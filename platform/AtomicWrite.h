#pragma once
#include <string>
#include <string_view>

namespace platform {

// Writes bytes as the whole content of the file at path, which need not exist
// yet (an export, a file written anew; an existing file that must keep its
// links and owner goes through FileReplace.h instead): into a new file
// beside it, flushed to disk, then renamed over the old one, so that the file
// is either as it was or complete. An existing file keeps its permissions; a
// new one gets the user's default ones. False with the system's reason in
// error; no temporary file stays behind.
//
// OwnerOnly (a file holding a secret): on POSIX the file is mode 0600 before
// any byte is written, whatever it was before; on Windows it takes the
// folder's inherited access, which in the user's profile is the user's alone.
enum class FileAccess { Default, OwnerOnly };
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error,
                         FileAccess access = FileAccess::Default);

} // namespace platform
