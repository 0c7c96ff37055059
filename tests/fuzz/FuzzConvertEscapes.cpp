// ConvertEscapes on any text: no read past the terminating zero, output never
// longer than the input, and escaping any text then converting it gives it back.
#include "data/COperateIni.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact-size heap copy, so that a read past the zero is caught.
    std::unique_ptr<char[]> text(new char[size + 1]);
    std::memcpy(text.get(), data, size);
    text[size] = '\0';
    const std::size_t length = std::strlen(text.get());

    const std::string out = COperateIni::ConvertEscapes(text.get());
    FUZZ_CHECK(out.size() <= length);

    std::string escaped;
    for (std::size_t i = 0; i < length; ++i) {
        const char c = text[i];
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '\n')
            escaped += "\\n";
        else
            escaped += c;
    }
    FUZZ_CHECK(COperateIni::ConvertEscapes(escaped.c_str()) == std::string(text.get(), length));
    return 0;
}
