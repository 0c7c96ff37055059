#include "platform/FileReplace.h"

#include <algorithm>

namespace platform {

bool IsTemporaryFileOf(std::string_view entry, std::string_view name)
{
    if (entry.size() != name.size() + 8 || entry[0] != '.' || entry.substr(1, name.size()) != name
        || entry[name.size() + 1] != '.')
        return false;
    return std::all_of(entry.end() - 6, entry.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    });
}

} // namespace platform
