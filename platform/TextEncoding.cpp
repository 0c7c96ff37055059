#include "platform/TextEncoding.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

#include <iterator>

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {

namespace {

// Qt's codec name and the name shown to people, in the order of the enum.
struct EncodingNames {
    const char* codec;
    const char* shown;
};
constexpr EncodingNames kNames[] = {
    {"UTF-8", "UTF-8"},       {"UTF-8", "UTF-8 with BOM"},     {"UTF-16LE", "UTF-16 LE"},
    {"UTF-16BE", "UTF-16 BE"}, {"GB18030", "GB18030"}, {"windows-1252", "Windows-1252"},
};
static_assert(std::size(kNames) == static_cast<std::size_t>(TextEncoding::Windows1252) + 1);

const EncodingNames& Names(TextEncoding encoding)
{
    return kNames[static_cast<std::size_t>(encoding)];
}

const char* CodecName(TextEncoding encoding)
{
    return Names(encoding).codec;
}

bool IsUtf16(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE;
}

QByteArrayView View(std::string_view s)
{
    return QByteArrayView(s.data(), static_cast<qsizetype>(s.size()));
}

bool IsLegacy(TextEncoding encoding)
{
    return encoding == TextEncoding::Gb18030 || encoding == TextEncoding::Windows1252;
}

#ifdef _WIN32
// Qt built without ICU has no GB18030 or Windows-1252 converter: the system's
// code pages stand in. Where code page 54936 (GB18030) is missing, 936 (GBK,
// GB18030's two-byte part) serves, and four-byte characters do not convert.
bool HasGb18030CodePage()
{
    static const bool has = [] {
        wchar_t out[2];
        return ::MultiByteToWideChar(54936, MB_ERR_INVALID_CHARS, "\x81\x30\x81\x30", 4, out, 2) == 1
            && out[0] == 0x80;
    }();
    return has;
}

UINT CodePage(TextEncoding encoding)
{
    if (encoding == TextEncoding::Windows1252)
        return 1252;
    return HasGb18030CodePage() ? 54936 : 936;
}

QString DecodeCodePage(std::string_view text, UINT cp, bool& ok)
{
    ok = true;
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    int n = ::MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    const DWORD flags = n > 0 ? MB_ERR_INVALID_CHARS : 0; // else decode what can be, with replacements
    ok = n > 0;
    if (!ok)
        n = ::MultiByteToWideChar(cp, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(cp, flags, text.data(), size, wide.data(), n);
    return QString::fromStdWString(wide);
}

QByteArray EncodeCodePage(const QString& text, UINT cp, bool& ok)
{
    ok = true;
    if (text.isEmpty())
        return {};
    const std::wstring wide = text.toStdWString();
    const int size = static_cast<int>(wide.size());
    // Code page 54936 takes no flags and reports no replacement: a round trip
    // tells whether every character went over.
    BOOL replaced = FALSE;
    const DWORD flags = cp == 54936 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL* usedDefault = cp == 54936 ? nullptr : &replaced;
    const int n = ::WideCharToMultiByte(cp, flags, wide.data(), size, nullptr, 0, nullptr, usedDefault);
    QByteArray out(n > 0 ? n : 0, '\0');
    if (n > 0)
        ::WideCharToMultiByte(cp, flags, wide.data(), size, out.data(), n, nullptr, usedDefault);
    ok = n > 0 && !replaced;
    if (ok && cp == 54936) {
        bool back = false;
        ok = DecodeCodePage(std::string_view(out.constData(), static_cast<std::size_t>(out.size())), cp, back)
                 == text
            && back;
    }
    return out;
}
#endif

// Stateless: a decoder is made per call, so that no error of an earlier text
// sticks. A U+FEFF at the start of the text is a character like any other: the
// file's own mark has already been taken off.
QString Decode(std::string_view text, TextEncoding encoding, bool& ok)
{
#ifdef _WIN32
    if (IsLegacy(encoding))
        return DecodeCodePage(text, CodePage(encoding), ok);
#endif
    QStringDecoder decoder(CodecName(encoding),
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString s = decoder.decode(View(text));
    ok = decoder.isValid() && !decoder.hasError();
    return s;
}

QByteArray Encode(const QString& text, TextEncoding encoding, bool& ok)
{
#ifdef _WIN32
    if (IsLegacy(encoding))
        return EncodeCodePage(text, CodePage(encoding), ok);
#endif
    QStringEncoder encoder(CodecName(encoding), QStringConverter::Flag::Stateless);
    QByteArray b = encoder.encode(text);
    ok = encoder.isValid() && !encoder.hasError();
    return b;
}

// Bytes of the GB18030 character at text[i]: 1, 2 or 4 (fewer at the end of
// the text). Its byte structure only; whether the character is assigned is the
// decoder's business.
std::size_t Gb18030CharLength(std::string_view text, std::size_t i)
{
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = at(i);
    if (lead < 0x81 || lead == 0xFF || i + 1 >= text.size())
        return 1;
    const unsigned char second = at(i + 1);
    if (second >= 0x30 && second <= 0x39)
        return i + 3 < text.size() ? 4 : text.size() - i;
    return 2;
}

// The longest prefix within limit that ends on a whole UTF-8 character. Bytes
// that are not valid UTF-8 count as single characters: only a lead byte whose
// sequence runs past the limit is held back.
std::size_t Utf8Cut(std::string_view s, std::size_t limit)
{
    auto isCont = [](unsigned char c) { return (c & 0xC0) == 0x80; };
    std::size_t start = limit;
    int back = 0;
    while (start > 0 && back < 3 && isCont(static_cast<unsigned char>(s[start]))) {
        --start;
        ++back;
    }
    if (back == 0)
        return limit;
    const auto lead = static_cast<unsigned char>(s[start]);
    std::size_t len = 0;
    if ((lead & 0xE0) == 0xC0)
        len = 2;
    else if ((lead & 0xF0) == 0xE0)
        len = 3;
    else if ((lead & 0xF8) == 0xF0)
        len = 4;
    return len > static_cast<std::size_t>(back) ? start : limit;
}

} // namespace

TextEncoding DetectTextEncoding(std::string_view bytes, TextEncoding ansi)
{
    if (bytes.starts_with("\xFF\xFE"))
        return TextEncoding::Utf16LE;
    if (bytes.starts_with("\xFE\xFF"))
        return TextEncoding::Utf16BE;
    if (FirstInvalidUtf8(bytes) == std::string_view::npos)
        return bytes.starts_with("\xEF\xBB\xBF") ? TextEncoding::Utf8Bom : TextEncoding::Utf8;
    return ansi == TextEncoding::Gb18030 ? TextEncoding::Gb18030 : TextEncoding::Windows1252;
}

const char* TextEncodingName(TextEncoding encoding)
{
    return Names(encoding).shown;
}

std::size_t FirstInvalidUtf8(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = byte(i);
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len = 0;
        unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            if (c == 0xE0)
                lo = 0xA0; // overlong
            if (c == 0xED)
                hi = 0x9F; // surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            if (c == 0xF0)
                lo = 0x90;
            if (c == 0xF4)
                hi = 0x8F; // above U+10FFFF
        } else {
            return i;
        }
        if (i + len > text.size())
            return i;
        if (byte(i + 1) < lo || byte(i + 1) > hi)
            return i;
        for (std::size_t k = 2; k < len; ++k)
            if ((byte(i + k) & 0xC0) != 0x80)
                return i;
        i += len;
    }
    return std::string_view::npos;
}

std::size_t WholeCharPrefix(std::string_view text, TextEncoding encoding, std::size_t limit)
{
    if (text.size() <= limit)
        return text.size();
    if (encoding == TextEncoding::Gb18030) {
        std::size_t i = 0;
        for (;;) {
            const std::size_t next = i + Gb18030CharLength(text, i);
            if (next > limit)
                return i;
            i = next;
        }
    }
    if (encoding == TextEncoding::Windows1252)
        return limit;
    return Utf8Cut(text, limit);
}

std::string ToUtf8(std::string_view text, TextEncoding encoding, bool* ok)
{
    bool decoded = true;
    std::string out;
    if (encoding == TextEncoding::Utf8 || encoding == TextEncoding::Utf8Bom) {
        out.assign(text);
    } else {
        // Pure ASCII reads the same in every byte encoding: no conversion needed.
        bool ascii = true;
        for (char c : text)
            ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        out = ascii ? std::string(text) : Decode(text, encoding, decoded).toStdString();
    }
    if (ok != nullptr)
        *ok = decoded;
    return out;
}

bool FromUtf8(std::string_view utf8, TextEncoding encoding, std::string& out)
{
    bool ascii = true;
    for (char c : utf8)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii || encoding == TextEncoding::Utf8 || encoding == TextEncoding::Utf8Bom) {
        out.assign(utf8);
        return FirstInvalidUtf8(utf8) == std::string_view::npos || ascii;
    }
    bool decoded = false;
    const QString s = Decode(utf8, TextEncoding::Utf8, decoded);
    bool encoded = false;
    const QByteArray b = Encode(s, encoding, encoded);
    out.assign(b.constData(), static_cast<std::size_t>(b.size()));
    return decoded && encoded;
}

TextEncoding ToByteText(std::string_view bytes, TextEncoding fileEncoding, std::string& out, bool* ok)
{
    if (!IsUtf16(fileEncoding)) {
        out.assign(bytes);
        if (ok != nullptr)
            *ok = FirstUndecodable(bytes, fileEncoding) == std::string_view::npos;
        return fileEncoding;
    }
    bool decoded = false;
    const QString text = Decode(bytes.substr(2), fileEncoding, decoded);
    bool encoded = false;
    const QByteArray gb = Encode(text, TextEncoding::Gb18030, encoded);
    out.assign(gb.constData(), static_cast<std::size_t>(gb.size()));
    if (ok != nullptr)
        *ok = decoded && encoded && FirstUndecodable(bytes, fileEncoding) == std::string_view::npos;
    return TextEncoding::Gb18030;
}

bool FromByteText(std::string_view text, TextEncoding fileEncoding, std::string& out)
{
    if (!IsUtf16(fileEncoding)) {
        out.assign(text);
        return true;
    }
    bool decoded = false;
    const QString s = Decode(text, TextEncoding::Gb18030, decoded);
    bool encoded = false;
    const QByteArray b = Encode(s, fileEncoding, encoded);
    out.assign(fileEncoding == TextEncoding::Utf16LE ? "\xFF\xFE" : "\xFE\xFF");
    out.append(b.constData(), static_cast<std::size_t>(b.size()));
    return decoded && encoded;
}

std::size_t FirstUndecodable(std::string_view bytes, TextEncoding fileEncoding)
{
    switch (fileEncoding) {
    case TextEncoding::Utf8:
    case TextEncoding::Utf8Bom:
        return FirstInvalidUtf8(bytes);
    case TextEncoding::Windows1252:
        return std::string_view::npos; // every byte has a character
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
        // Qt's decoder passes lone surrogates and an odd last byte without an
        // error, so the code units are walked here; a surrogate pair is one.
        const bool le = fileEncoding == TextEncoding::Utf16LE;
        const auto unit = [&](std::size_t i) {
            const auto b0 = static_cast<unsigned char>(bytes[i]), b1 = static_cast<unsigned char>(bytes[i + 1]);
            return le ? (b1 << 8 | b0) : (b0 << 8 | b1);
        };
        std::size_t i = 2;
        while (i + 1 < bytes.size()) {
            const int u = unit(i);
            if (u >= 0xDC00 && u <= 0xDFFF)
                return i;
            if (u >= 0xD800 && u <= 0xDBFF) {
                if (i + 3 >= bytes.size() || unit(i + 2) < 0xDC00 || unit(i + 2) > 0xDFFF)
                    return i;
                i += 4;
                continue;
            }
            i += 2;
        }
        return i < bytes.size() ? i : std::string_view::npos;
    }
    case TextEncoding::Gb18030: {
        bool ok = false;
        Decode(bytes, fileEncoding, ok);
        if (ok)
            return std::string_view::npos;
        // Character by character, only once the whole text is known to hold a fault.
        for (std::size_t i = 0; i < bytes.size();) {
            const std::size_t len = Gb18030CharLength(bytes, i);
            if (static_cast<unsigned char>(bytes[i]) >= 0x80) {
                bool charOk = false;
                Decode(bytes.substr(i, len), fileEncoding, charOk);
                if (!charOk)
                    return i;
            }
            i += len;
        }
        return bytes.size();
    }
    }
    return std::string_view::npos;
}

bool LegacyEncodingsAvailable()
{
#ifdef _WIN32
    return ::IsValidCodePage(1252) && ::IsValidCodePage(CodePage(TextEncoding::Gb18030));
#else
    return QStringDecoder(CodecName(TextEncoding::Gb18030)).isValid()
        && QStringDecoder(CodecName(TextEncoding::Windows1252)).isValid();
#endif
}

std::string TextConverterName(TextEncoding encoding)
{
    if (!IsLegacy(encoding))
        return "Qt";
#ifdef _WIN32
    const UINT cp = CodePage(encoding);
    return "Windows code page " + std::to_string(cp)
        + (cp == 936 ? " (GBK: this system has no code page 54936, four-byte characters do not convert)" : "");
#else
    return "Qt";
#endif
}

} // namespace platform
