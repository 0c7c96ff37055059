#pragma once
#include <string>

namespace platform {

// True when path names a folder in which this process may create and replace files.
bool IsWritableDir(const std::string& path);

} // namespace platform
