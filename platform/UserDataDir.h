#pragma once
#include <string>
#include <string_view>

namespace platform {

// The user's own folders for the program, whatever folder the program runs from.

// The path of name in this user's own data folder for the program:
// $XDG_DATA_HOME/Darvell, or ~/.local/share/Darvell where that variable is
// unset or not absolute. The folder is created when missing. Empty when the
// user has no such folder and it cannot be made.
std::string UserDataPath(std::string_view name);

// This user's own settings folder for the program: $XDG_CONFIG_HOME/Darvell,
// or ~/.config/Darvell where that variable is unset or not absolute; on
// Windows %APPDATA%\Darvell. With create, every missing folder of it is made
// (new ones private to the user) and the result is empty unless it then is a
// folder; without, it is only named. Empty when the user has no home.
std::string UserSettingsDir(bool create);

// The path of name in UserSettingsDir(create); empty where that is.
std::string UserSettingsPath(std::string_view name, bool create);

} // namespace platform
