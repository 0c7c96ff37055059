#pragma once
#include <string>
#include <string_view>

namespace platform {

// Directory of the running executable, without a trailing separator.
std::string ExecutableDir();

// The one seam through which tests point the program at another directory.
// An empty string restores the real executable directory.
void SetExecutableDirForTesting(std::string dir);

// The executable's directory followed by a relative part written with
// backslashes, such as "\\QL7_Tool\\Setting.ini"; the backslashes become the
// platform's separator.
std::string ExePath(std::string_view relative);

} // namespace platform
