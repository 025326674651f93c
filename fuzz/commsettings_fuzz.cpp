// parseCommSettings on arbitrary text: it never crashes, refuses only with CommError (any other
// exception escapes and the fuzzer reports it), and a text it accepts prints back to one that
// parses to the same settings. The printed form is also compared with the input itself, so a
// parser that accepted something outside "baud,parity,data bits,stop bits" would be caught.
#include "commsettings.h"
#include "mscomm.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {
std::string print(const CommSettings &s)
{
    std::string text = std::to_string(s.baudRate);
    switch (s.parity) {
    case CommSettings::Parity::None:
        text += ",n,";
        break;
    case CommSettings::Parity::Even:
        text += ",e,";
        break;
    case CommSettings::Parity::Odd:
        text += ",o,";
        break;
    case CommSettings::Parity::Mark:
        text += ",m,";
        break;
    case CommSettings::Parity::Space:
        text += ",s,";
        break;
    }
    text += std::to_string(s.dataBits);
    switch (s.stopBits) {
    case CommSettings::StopBits::One:
        text += ",1";
        break;
    case CommSettings::StopBits::OneAndHalf:
        text += ",1.5";
        break;
    case CommSettings::StopBits::Two:
        text += ",2";
        break;
    }
    return text;
}

// The accepted input in the printer's form: leading zeros of the baud rate dropped, the parity
// letter in lower case. Everything else must already match byte for byte.
std::string normalised(std::string_view input)
{
    std::string text(input);
    std::size_t zeros = 0;
    while (zeros + 1 < text.size() && text[zeros] == '0' && text[zeros + 1] != ',')
        ++zeros;
    text.erase(0, zeros);
    if (const auto comma = text.find(','); comma != std::string::npos && comma + 1 < text.size())
        text[comma + 1] =
            static_cast<char>(std::tolower(static_cast<unsigned char>(text[comma + 1])));
    return text;
}

[[noreturn]] void fail(const char *what, std::string_view input, const std::string &printed)
{
    std::fprintf(stderr, "%s: input \"%.*s\", printed \"%s\"\n", what,
                 static_cast<int>(input.size()), input.data(), printed.c_str());
    std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    CommSettings settings;
    try {
        settings = parseCommSettings(input);
    } catch (const CommError &error) {
        if (error.description().empty())
            fail("refusal without a description", input, {});
        return 0;
    }

    if (settings.baudRate < 1 || settings.baudRate > maxBaudRate || settings.dataBits < 5 ||
        settings.dataBits > 8)
        fail("accepted settings out of range", input, print(settings));

    const std::string printed = print(settings);
    CommSettings again;
    try {
        again = parseCommSettings(printed);
    } catch (const CommError &) {
        fail("the printed settings are refused", input, printed);
    }
    if (!(again == settings))
        fail("the printed settings parse differently", input, printed);
    if (normalised(input) != printed)
        fail("accepted a text that is not in the settings form", input, printed);
    return 0;
}
