// Test vectors are written as "05 06 05 12 02".
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

inline std::vector<std::uint8_t> HexBytes(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    std::istringstream in(text);
    std::string pair;
    while (in >> pair) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(pair, nullptr, 16)));
    }
    return bytes;
}

// n copies of one byte, for long payloads.
inline std::vector<std::uint8_t> Repeat(std::uint8_t byte, std::size_t n) {
    return std::vector<std::uint8_t>(n, byte);
}

inline std::vector<std::uint8_t> Concat(std::vector<std::uint8_t> a,
                                        const std::vector<std::uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
