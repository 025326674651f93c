// What tarnctl probe sweeps: baud rates, addresses, and how long each query waits for its
// answer. Kept apart from the command so that the sweep's length can be reckoned in tests.
#pragma once

#include <QString>

#include <chrono>
#include <optional>
#include <vector>

namespace probe {

struct AddressRange
{
    int first = 1;
    int last = 255;
    int count() const { return last - first + 1; }
};

// --bauds: comma-separated rates, each as --baud takes it ("2400,9600"); repeats are dropped.
// Throws cli::UsageError naming the bad item.
std::vector<int> parseBauds(const QString &text);

// --addresses: "N" or "N-M", 0 to 255, N no greater than M (one item of addresslist.h's lists;
// a comma list is refused). Throws cli::UsageError.
AddressRange parseAddresses(const QString &text);

// The panel's eight baud rates, in its list's order.
std::vector<int> defaultBauds();

// A query and its answer are fourteen bytes of ten bits each on the line; on top of that the
// camera takes a moment to answer and a USB adapter holds what it receives for up to 16 ms.
inline constexpr int bitsPerByte = 10;
inline constexpr int queryAndAnswerBytes = 14;
inline constexpr int answerMarginMs = 50;

// How long a query waits for its answer at a baud rate, unless --timeout says otherwise.
int queryWaitMs(int baud);

// The longest the sweep can take: every query waiting in full, none answered.
std::chrono::milliseconds longestSweep(const std::vector<int> &bauds, const AddressRange &range,
                                       std::optional<int> timeoutMs);

} // namespace probe
