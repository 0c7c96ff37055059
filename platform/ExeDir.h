#pragma once
#include <string>
#include <string_view>
#include <vector>

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

// The program's data directory, QL7_Tool beside the executable, or with a
// name (such as "Setting.ini") the path of that file in it.
std::string DataPath(std::string_view name = {});

// The program's arguments after its name, as the paths the functions of this
// folder take: the bytes given on POSIX systems, UTF-8 of the wide command
// line on Windows (where argv holds only the system's code page).
std::vector<std::string> ProgramArguments(int argc, char** argv);

} // namespace platform
