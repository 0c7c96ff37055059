#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// How a text file's bytes are written. Decided anew at every read of the file.
enum class TextEncoding {
    Utf8,        // valid UTF-8 throughout, no byte-order mark
    Utf8Bom,     // valid UTF-8 after a byte-order mark
    Utf16LE,     // byte-order mark FF FE
    Utf16BE,     // byte-order mark FE FF
    Gb18030,     // Chinese ANSI code page (a superset of GBK)
    Windows1252, // Western ANSI code page
};

// UTF-16 with its byte-order mark, UTF-8 when every byte is valid UTF-8, else
// the ANSI code page the file is written in (Gb18030 or Windows1252).
TextEncoding DetectTextEncoding(std::string_view bytes, TextEncoding ansi);

// "UTF-8", "UTF-8 with BOM", "UTF-16 LE", "UTF-16 BE", "GB18030", "Windows-1252".
const char* TextEncodingName(TextEncoding encoding);

// Offset of the first byte that does not start a well-formed UTF-8 character
// (overlong forms, surrogates and values above U+10FFFF are not well formed),
// or npos when the whole text is valid.
std::size_t FirstInvalidUtf8(std::string_view text);

// Length of the longest prefix of text no longer than limit that ends on a
// whole character of a byte encoding (UTF-8, GB18030, Windows-1252).
std::size_t WholeCharPrefix(std::string_view text, TextEncoding encoding, std::size_t limit);

// Text of a byte encoding as UTF-8. Bytes that do not decode become U+FFFD and
// make ok false (when given).
std::string ToUtf8(std::string_view text, TextEncoding encoding, bool* ok = nullptr);

// UTF-8 text in a byte encoding; false when a character has no bytes there.
bool FromUtf8(std::string_view utf8, TextEncoding encoding, std::string& out);

// A whole file's bytes, byte-order mark included, as text in a byte encoding on
// which the profile functions work: UTF-8 and ANSI files as they are, UTF-16
// files converted to GB18030, the code page into which the Windows profile
// functions convert such files on a Chinese system (and which holds every
// character). Returns the encoding of the result; ok false when some bytes
// cannot be decoded.
TextEncoding ToByteText(std::string_view bytes, TextEncoding fileEncoding, std::string& out,
                        bool* ok = nullptr);

// The inverse of ToByteText: the file's bytes, byte-order mark included, for a
// byte text. False when the text cannot be stored in the file's encoding.
bool FromByteText(std::string_view text, TextEncoding fileEncoding, std::string& out);

// Offset of the first byte that cannot be decoded in the file's encoding, or
// npos when all of the file's bytes decode.
std::size_t FirstUndecodable(std::string_view bytes, TextEncoding fileEncoding);

// False when this build has no converter for GB18030 or Windows-1252, so that
// such files would decode to nothing.
bool LegacyEncodingsAvailable();

// The converter this build uses for an encoding: "Qt", or on Windows the
// system's code page (936 stands in for GB18030 where 54936 is missing).
std::string TextConverterName(TextEncoding encoding);

} // namespace platform
