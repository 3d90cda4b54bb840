#include "Installer.h"

#include <array>
#include <cstring>
#include <initializer_list>
#include <string_view>

namespace velmora {

namespace {

using PathBuf = std::array<char, PATH_BUF_LEN>;

constexpr char SOURCE_OCX[] = ".\\MSCOMM32.OCX";
constexpr char SOURCE_DEP[] = ".\\MSCOMM32.DEP";
constexpr char OCX_NAME[] = "MSCOMM32.OCX";
constexpr char DEP_NAME[] = "MSCOMM32.DEP";
constexpr char REGSVR32_NAME[] = "regsvr32.exe";
constexpr char SYSTEM_DIR[] = "\\system32\\";
constexpr char WOW64_DIR[] = "\\SysWOW64\\";

// Joins `parts` into `out` with a terminator. Returns false, and leaves `out`
// empty, when the result would not fit.
bool Compose(PathBuf& out, std::initializer_list<std::string_view> parts) {
    std::size_t total = 0;
    for (std::string_view part : parts)
        total += part.size();
    out[0] = '\0';
    if (total >= out.size())
        return false;
    std::size_t pos = 0;
    for (std::string_view part : parts) {
        std::memcpy(out.data() + pos, part.data(), part.size());
        pos += part.size();
    }
    out[pos] = '\0';
    return true;
}

} // namespace

void CVelmoraInstaller::DetectWow64() {
    // A system without IsWow64Process predates 64-bit Windows.
    m_bIsWow64 = m_os.QueryWow64().value_or(false);
}

bool CVelmoraInstaller::Install() {
    PathBuf windowsDir{};
    const unsigned len =
        m_os.WindowsDirectory(windowsDir.data(), static_cast<unsigned>(windowsDir.size()));
    if (len == 0 || len >= windowsDir.size())
        return false;
    const std::string_view windows(windowsDir.data(), len);

    PathBuf systemPath{};
    PathBuf wow64Path{};
    PathBuf systemOcx{};
    PathBuf targetDep{};
    PathBuf targetOcx{};
    PathBuf application{};
    PathBuf commandLine{};

    // Every name is formed before anything is touched, so a Windows directory
    // too long for the buffers changes nothing on the system. The OCX path is
    // quoted because the Windows directory may contain spaces.
    bool fits =
        Compose(systemPath, {windows, SYSTEM_DIR}) && Compose(wow64Path, {windows, WOW64_DIR});
    const std::string_view target = m_bIsWow64 ? wow64Path.data() : systemPath.data();
    fits = fits && Compose(systemOcx, {systemPath.data(), OCX_NAME}) &&
           Compose(targetDep, {target, DEP_NAME}) && Compose(targetOcx, {target, OCX_NAME}) &&
           Compose(application, {target, REGSVR32_NAME}) &&
           Compose(commandLine, {" \"", targetOcx.data(), "\""});
    if (!fits)
        return false;

    // Results ignored: a missing source or a file already in place is skipped.
    if (m_bIsWow64)
        m_os.CopyControlFile(SOURCE_OCX, systemOcx.data(), true);
    m_os.CopyControlFile(SOURCE_DEP, targetDep.data(), true);
    m_os.CopyControlFile(SOURCE_OCX, targetOcx.data(), true);

    const std::optional<std::uint32_t> exitCode =
        m_os.RunAndWait(application.data(), commandLine.data());
    return exitCode.has_value() && *exitCode == 0;
}

void CVelmoraInstaller::Run() {
    m_os.ShowMessage(Install() ? SUCCESS_TEXT : FAILURE_TEXT);
}

} // namespace velmora
