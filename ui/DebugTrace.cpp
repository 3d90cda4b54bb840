#include "ui/DebugTrace.h"

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

void DebugTrace(const char* format, ...) {
    char buffer[DEBUG_TRACE_BUFFER_LEN];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) {
        return;
    }
#if defined(_WIN32)
    OutputDebugStringA(buffer);
#endif
    if (const auto& sink = Sink()) {
        const std::size_t len = static_cast<std::size_t>(n) < sizeof buffer
                                    ? static_cast<std::size_t>(n)
                                    : sizeof buffer - 1;
        sink(std::string_view(buffer, len));
    }
}

DebugTraceSink SetDebugTraceSink(DebugTraceSink sink) {
    return std::exchange(Sink(), std::move(sink));
}
