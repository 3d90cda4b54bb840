#pragma once

#include <cstdint>
#include <optional>

namespace velmora {

// The few system services the installer needs. The Win32 build talks to the
// real system; tests substitute a fake so the routine runs on any host.
class CVelmoraOs {
public:
    virtual ~CVelmoraOs() = default;

    // Answer of IsWow64Process for the current process; std::nullopt when
    // the system has no such function.
    virtual std::optional<bool> QueryWow64() = 0;

    // Same contract as GetWindowsDirectoryA: the length written (without the
    // terminator), the size needed when `size` is too small, 0 on failure.
    virtual unsigned WindowsDirectory(char* buffer, unsigned size) = 0;

    // CopyFileA: false when the source is missing or, with `failIfExists`,
    // when the destination already exists.
    virtual bool CopyControlFile(const char* existing, const char* newName, bool failIfExists) = 0;

    // Starts `application` with `commandLine` (which the system may modify)
    // and waits for it without a time limit. The exit code, or std::nullopt
    // when the program could not be started or its exit code is unknown.
    virtual std::optional<std::uint32_t> RunAndWait(const char* application, char* commandLine) = 0;

    // The one message the user sees; also written to the debugger output.
    virtual void ShowMessage(const char* text) = 0;
};

} // namespace velmora
