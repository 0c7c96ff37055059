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
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error);

} // namespace platform
