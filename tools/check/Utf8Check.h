#pragma once
#include <cstddef>
#include <string_view>

// Offset of the first byte that does not start a well-formed UTF-8 character
// (overlong forms, surrogates and values above U+10FFFF are not well formed),
// or npos when the whole text is valid.
std::size_t FirstInvalidUtf8(std::string_view text);

// Start of the character holding byte pos: pos moved back over continuation bytes.
std::size_t Utf8CharStart(std::string_view text, std::size_t pos);
