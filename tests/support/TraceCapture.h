// DebugTrace output caught while the capture lives; the sink before it comes back at its end.
// Kept as lines, or handed to a callback for tests and benches that only count.
#pragma once

#include "core/DebugTrace.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TraceCapture {
public:
    TraceCapture();
    explicit TraceCapture(std::function<void(std::string_view)> onTrace);
    ~TraceCapture();
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    // Every trace so far, in order; empty when a callback takes them.
    const std::vector<std::string>& lines() const { return m_lines; }
    void clear() { m_lines.clear(); }

private:
    std::vector<std::string> m_lines;
    DebugTraceSink m_previous;
};
