#include "tests/support/TraceCapture.h"

#include <utility>

TraceCapture::TraceCapture()
    : m_previous(SetDebugTraceSink([this](std::string_view t) { m_lines.emplace_back(t); })) {}

TraceCapture::TraceCapture(std::function<void(std::string_view)> onTrace)
    : m_previous(SetDebugTraceSink(std::move(onTrace))) {}

TraceCapture::~TraceCapture() {
    SetDebugTraceSink(std::move(m_previous));
}
