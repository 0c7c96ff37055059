#pragma once
#include <string>
#include <string_view>

namespace platform {

// Appends line (ending in its line end, "\r\n" or "\n") to the file at path in
// one write and flushes it to disk; the file is created when missing. When the
// file does not end in a line feed (an earlier write cut short), the same line
// end goes first, so that the torn line never swallows this one. A write that
// falls short is taken back. False with the system's reason in error when the
// line could not be stored.
bool AppendLine(const std::string& path, std::string_view line, std::string& error);

} // namespace platform
