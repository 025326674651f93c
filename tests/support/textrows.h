// Test tables written as text: a command line as one string of words, bytes as hex pairs.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

inline std::vector<std::string> splitWords(const std::string &text)
{
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

// "FF 01 00 08" gives its four bytes.
inline std::vector<std::uint8_t> bytesFromHex(const std::string &text)
{
    std::vector<std::uint8_t> bytes;
    for (const std::string &pair : splitWords(text))
        bytes.push_back(std::uint8_t(std::stoi(pair, nullptr, 16)));
    return bytes;
}
