#include "core/DebugTrace.h"

#include <cstdarg>
#include <cstdio>
#include <utility>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {
DebugTraceSink& Sink() {
    static DebugTraceSink sink;
    return sink;
}
} // namespace

std::optional<std::string> DebugTraceV(const char* format, va_list args) {
    char buffer[DEBUG_TRACE_BUFFER_LEN];
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    if (n < 0) {
        return std::nullopt;
    }
#if defined(_WIN32)
    OutputDebugStringA(buffer);
#endif
    const std::size_t len = static_cast<std::size_t>(n) < sizeof buffer
                                ? static_cast<std::size_t>(n)
                                : sizeof buffer - 1;
    const std::string_view text(buffer, len);
    if (const auto& sink = Sink()) {
        sink(text);
    }
    return std::string(text);
}

void DebugTrace(const char* format, ...) {
    va_list args;
    va_start(args, format);
    DebugTraceV(format, args);
    va_end(args);
}

DebugTraceSink SetDebugTraceSink(DebugTraceSink sink) {
    return std::exchange(Sink(), std::move(sink));
}
