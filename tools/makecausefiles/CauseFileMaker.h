#pragma once
#include <string>
#include <string_view>

// Builds the sample cause/remedy files from the diagnosis tables: one section
// per error number the lookup can ask for, keys "ca" and "re" in the escaped
// form, each text naming the status that leads to it.
class CauseFileMaker {
public:
    // Whole file, UTF-8, CRLF line ends.
    static std::string FileText(int series, int language);
    // Line feeds become backslash-n, backslashes are doubled, carriage returns dropped.
    static std::string Escape(std::string_view text);

    // Longest escaped value written: the reader keeps 1023 bytes.
    static constexpr std::size_t kMaxValueBytes = 1000;
};
