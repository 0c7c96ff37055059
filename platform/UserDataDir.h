#pragma once
#include <string>
#include <string_view>

namespace platform {

// The path of name in this user's own data folder for the program:
// $XDG_DATA_HOME/Darvell, or ~/.local/share/Darvell where that variable is
// unset or not absolute. The folder is created when missing. Empty when the
// user has no such folder and it cannot be made.
std::string UserDataPath(std::string_view name);

} // namespace platform
