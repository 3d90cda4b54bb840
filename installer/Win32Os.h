#pragma once

#include "VelmoraOs.h"

namespace velmora {

// The installer's system services on real Windows.
class CWin32Os final : public CVelmoraOs {
public:
    std::optional<bool> QueryWow64() override;
    unsigned WindowsDirectory(char* buffer, unsigned size) override;
    bool CopyControlFile(const char* existing, const char* newName, bool failIfExists) override;
    std::optional<std::uint32_t> RunAndWait(const char* application, char* commandLine) override;
    void ShowMessage(const char* text) override;
};

} // namespace velmora
