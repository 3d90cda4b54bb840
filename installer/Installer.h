#pragma once

#include "VelmoraOs.h"

#include <cstddef>

namespace velmora {

// Size of every path buffer and of the registration command line.
inline constexpr std::size_t PATH_BUF_LEN = 260;

inline constexpr char SUCCESS_TEXT[] = "Mscomm32 registration success!";
inline constexpr char FAILURE_TEXT[] = "Mscomm32 registration failed!";

class CVelmoraInstaller {
public:
    explicit CVelmoraInstaller(CVelmoraOs& os) : m_os(os) {}

    // Start-up test: decides whether this is a 32-bit process on 64-bit Windows.
    void DetectWow64();

    // Copies the control files from the current directory and has regsvr32
    // register the control. True when regsvr32 ran and exited with code 0.
    bool Install();

    // The dialog's work: install, then show the one outcome message.
    void Run();

    bool IsWow64() const { return m_bIsWow64; }

private:
    CVelmoraOs& m_os;
    bool m_bIsWow64 = false;
};

} // namespace velmora
