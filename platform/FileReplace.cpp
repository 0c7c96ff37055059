#include "platform/FileReplace.h"

#include <algorithm>

namespace platform {

bool IsTemporaryFileOf(std::string_view entry, std::string_view name)
{
    if (entry.size() != 1 + name.size() + kTemporaryMark.size() + 6 || entry[0] != '.'
        || entry.substr(1, name.size()) != name || entry.substr(1 + name.size(), kTemporaryMark.size()) != kTemporaryMark)
        return false;
    return std::all_of(entry.end() - 6, entry.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    });
}

std::string TemporaryName(std::string_view name, unsigned long long random)
{
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string out = "." + std::string(name) + std::string(kTemporaryMark);
    for (int i = 0; i < 6; ++i, random /= 62)
        out.push_back(kAlphabet[random % 62]);
    return out;
}

} // namespace platform
