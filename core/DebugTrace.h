// Diagnostic traces: printf-style text formatted into a fixed buffer and handed to a sink.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

inline constexpr std::size_t DEBUG_TRACE_BUFFER_LEN = 2048;

// Text longer than the buffer is cut at its end (terminating zero included).
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void DebugTrace(const char* format, ...);

// The same for a va_list; returns the text written, as cut, or nothing when the format fails.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 0)))
#endif
std::optional<std::string>
DebugTraceV(const char* format, va_list args);

using DebugTraceSink = std::function<void(std::string_view)>;

// Replaces where traces go; returns the previous sink. An empty sink drops traces.
DebugTraceSink SetDebugTraceSink(DebugTraceSink sink);
