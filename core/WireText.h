// Fixed-width text fields of the wire records: NUL-terminated within their width, or filling
// the whole width with no terminator.
#pragma once

#include <algorithm>
#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

// The text of a field: up to its first NUL, or all of it when it has none.
template <std::size_t N> std::string_view FieldText(const std::array<char, N>& field) {
    const auto end = std::find(field.begin(), field.end(), '\0');
    return {field.data(), static_cast<std::size_t>(end - field.begin())};
}

// Text into a field, cut so that its terminating zero always fits; the rest is zero.
template <std::size_t N> void SetFieldText(std::array<char, N>& field, std::string_view text) {
    static_assert(N > 0);
    field.fill('\0');
    std::copy_n(text.begin(), std::min(text.size(), N - 1), field.begin());
}

// Text into a field that may fill it whole, as a received name can.
template <std::size_t N> void SetFieldBytes(std::array<char, N>& field, std::string_view text) {
    field.fill('\0');
    std::copy_n(text.begin(), std::min(text.size(), N), field.begin());
}

template <std::size_t N>
void ReadField(std::span<const std::uint8_t> bytes, std::size_t offset,
               std::array<char, N>& field) {
    assert(offset + N <= bytes.size());
    for (std::size_t i = 0; i < N; ++i) {
        field[i] = static_cast<char>(bytes[offset + i]);
    }
}

template <std::size_t N>
void WriteField(std::span<std::uint8_t> bytes, std::size_t offset,
                const std::array<char, N>& field) {
    assert(offset + N <= bytes.size());
    for (std::size_t i = 0; i < N; ++i) {
        bytes[offset + i] = static_cast<std::uint8_t>(field[i]);
    }
}
