#pragma once
#include <string>

namespace platform {

// True when the path names an existing entry that is not a directory.
bool FileExists(const std::string& path);

} // namespace platform
