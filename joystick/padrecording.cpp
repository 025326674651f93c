#include "padrecording.h"

#include <charconv>
#include <cstdio>

namespace pad {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::vector<std::string_view> fields(std::string_view line)
{
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isBlank(line[i]))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && !isBlank(line[i]))
            ++i;
        if (i > start)
            out.push_back(line.substr(start, i - start));
    }
    return out;
}

bool allDigits(std::string_view text)
{
    if (text.empty())
        return false;
    for (const char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

std::string shown(std::string_view text)
{
    std::string out;
    for (const char c : text.substr(0, 40)) {
        const auto u = static_cast<unsigned char>(c);
        out += u < 0x20 || u == 0x7F ? '?' : c;
    }
    return text.size() > 40 ? out + "..." : out;
}

// "12", "12.3", "12.345": whole milliseconds.
PadTime parseTime(std::string_view text, int line)
{
    const auto dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    const std::string_view fraction =
        dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    const std::string bad =
        "bad time '" + shown(text) + "' (expected seconds since the start, as 12 or 12.345)";
    if (!allDigits(whole) || (dot != std::string_view::npos && !allDigits(fraction)) ||
        fraction.size() > 3)
        throw RecordingError(line, bad);
    if (whole.size() > 7)
        throw RecordingError(line, "time '" + shown(text) + "' is beyond the longest recording, " +
                                       std::to_string(maxRecordingSeconds) + " seconds");
    long long seconds = 0;
    std::from_chars(whole.data(), whole.data() + whole.size(), seconds);
    long long ms = 0;
    for (std::size_t i = 0; i < 3; ++i)
        ms = ms * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
    if (seconds > maxRecordingSeconds || (seconds == maxRecordingSeconds && ms > 0))
        throw RecordingError(line, "time '" + shown(text) + "' is beyond the longest recording, " +
                                       std::to_string(maxRecordingSeconds) + " seconds");
    return std::chrono::milliseconds(seconds * 1000 + ms);
}

std::string controlNames()
{
    std::string names;
    for (int i = 0; i < axisCount; ++i)
        names += std::string(i ? ", " : "") + std::string(controlName({true, i}));
    for (int i = 0; i < buttonCount; ++i)
        names += ", " + std::string(controlName({false, i}));
    return names;
}

int parseValue(std::string_view text, Control control, int line)
{
    const int min = controlMin(control), max = controlMax(control);
    const std::string range = std::to_string(min) + " to " + std::to_string(max);
    const std::string_view digits = !text.empty() && text[0] == '-' ? text.substr(1) : text;
    int value = 0;
    if (!allDigits(digits) || digits.size() > 6 ||
        std::from_chars(text.data(), text.data() + text.size(), value).ptr !=
            text.data() + text.size())
        throw RecordingError(line, "bad value '" + shown(text) + "' for " +
                                       std::string(controlName(control)) + " (expected " + range +
                                       ")");
    if (value < min || value > max)
        throw RecordingError(line, "value " + std::to_string(value) + " is out of range for " +
                                       std::string(controlName(control)) + " (" + range + ")");
    return value;
}

} // namespace

RecordingError::RecordingError(int line, const std::string &reason)
    : std::runtime_error("line " + std::to_string(line) + ": " + reason), m_line(line)
{}

std::vector<PadEvent> parseRecording(std::string_view text)
{
    std::vector<PadEvent> events;
    int number = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        ++number;
        auto end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.find('\0') != std::string_view::npos)
            throw RecordingError(number, "a NUL byte (is this a text file?)");
        line = line.substr(0, line.find('#'));
        const auto f = fields(line);
        if (f.empty())
            continue;
        if (f.size() != 3)
            throw RecordingError(number, "expected SECONDS NAME VALUE, found " +
                                             std::to_string(f.size()) + " fields");
        PadEvent event;
        event.time = parseTime(f[0], number);
        const auto control = controlFromName(f[1]);
        if (!control)
            throw RecordingError(number, "unknown control '" + shown(f[1]) + "' (expected one of " +
                                             controlNames() + ")");
        event.control = *control;
        event.value = parseValue(f[2], *control, number);
        if (!events.empty() && event.time < events.back().time)
            throw RecordingError(number, "time " + std::string(f[0]) +
                                             " is earlier than the line before's");
        events.push_back(event);
    }
    return events;
}

std::string recordingLine(const PadEvent &event)
{
    const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(event.time).count();
    char time[32];
    std::snprintf(time, sizeof time, "%lld.%03lld", ms / 1000, ms % 1000);
    return std::string(time) + " " + std::string(controlName(event.control)) + " " +
           std::to_string(event.value);
}

std::string recordingHeader()
{
    return "# tarnctl joystick recording: seconds since the start, SDL's name of the axis or "
           "button, value";
}

} // namespace pad
