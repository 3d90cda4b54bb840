#include "Installer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using velmora::CVelmoraInstaller;
using Files = std::map<std::string, std::string>;

// A machine in memory: files by full path, and a regsvr32 that behaves like
// Wine's (exit code 3 when the file it is given does not exist).
class CFakeOs final : public velmora::CVelmoraOs {
public:
    std::optional<bool> m_wow64;
    std::string m_windowsDir;
    Files m_files;
    std::uint32_t m_regsvr32Exit = 0;

    std::vector<std::string> m_log;
    std::string m_registered;

    std::optional<bool> QueryWow64() override { return m_wow64; }

    unsigned WindowsDirectory(char* buffer, unsigned size) override {
        const auto len = static_cast<unsigned>(m_windowsDir.size());
        if (len == 0)
            return 0;
        if (len >= size)
            return len + 1;
        std::memcpy(buffer, m_windowsDir.c_str(), len + 1);
        return len;
    }

    bool CopyControlFile(const char* existing, const char* newName, bool failIfExists) override {
        m_log.push_back(std::string(failIfExists ? "copy " : "overwrite ") + existing + " -> " +
                        newName);
        const auto source = m_files.find(existing);
        if (source == m_files.end() || (failIfExists && m_files.count(newName) != 0))
            return false;
        m_files[newName] = source->second;
        return true;
    }

    std::optional<std::uint32_t> RunAndWait(const char* application, char* commandLine) override {
        const std::string line = commandLine;
        m_log.push_back(std::string("run ") + application + " [" + line + "]");
        if (m_files.count(application) == 0)
            return std::nullopt;
        // The tool's own view of its argument: the quoted path after the space.
        if (line.size() < 3 || line.compare(0, 2, " \"") != 0 || line.back() != '"')
            return 3;
        const auto ocx = m_files.find(line.substr(2, line.size() - 3));
        if (ocx == m_files.end())
            return 3;
        m_registered = ocx->second;
        return m_regsvr32Exit;
    }

    void ShowMessage(const char* text) override { m_log.push_back(std::string("message ") + text); }
};

const std::string SUCCESS = "message Mscomm32 registration success!";
const std::string FAILURE = "message Mscomm32 registration failed!";

// Current-folder files as the user would bring them.
const Files BROUGHT = {{".\\MSCOMM32.OCX", "new ocx"}, {".\\MSCOMM32.DEP", "dep"}};

Files With(Files files, const Files& more) {
    files.insert(more.begin(), more.end());
    return files;
}

struct InstallCase {
    const char* name;
    std::optional<bool> wow64;
    std::string windowsDir;
    Files before;
    std::uint32_t regsvr32Exit;
    std::vector<std::string> log;
    Files added; // files the run must create; nothing else may change
    std::string registered;
};

const std::string SYS32_TOOL = "C:\\WINDOWS\\system32\\regsvr32.exe";
const std::string COPY_DEP_SYS32 = "copy .\\MSCOMM32.DEP -> C:\\WINDOWS\\system32\\MSCOMM32.DEP";
const std::string COPY_OCX_SYS32 = "copy .\\MSCOMM32.OCX -> C:\\WINDOWS\\system32\\MSCOMM32.OCX";
const std::string RUN_SYS32 =
    "run C:\\WINDOWS\\system32\\regsvr32.exe [ \"C:\\WINDOWS\\system32\\MSCOMM32.OCX\"]";
const Files INSTALLED_SYS32 = {{"C:\\WINDOWS\\system32\\MSCOMM32.DEP", "dep"},
                               {"C:\\WINDOWS\\system32\\MSCOMM32.OCX", "new ocx"}};

// 234 characters: the longest Windows directory whose quoted command line
// (2 + 234 + 10 + 12 + 1 = 259 characters) still fits in 260 bytes.
const std::string LONGEST_DIR = "C:\\" + std::string(231, 'w');
const std::string TOO_LONG_DIR = LONGEST_DIR + "w";

const InstallCase INSTALL_CASES[] = {
    {"Wow64PutsFilesInSysWow64",
     true,
     "C:\\WINDOWS",
     With(BROUGHT, {{"C:\\WINDOWS\\SysWOW64\\regsvr32.exe", "tool"}}),
     0,
     {COPY_OCX_SYS32, "copy .\\MSCOMM32.DEP -> C:\\WINDOWS\\SysWOW64\\MSCOMM32.DEP",
      "copy .\\MSCOMM32.OCX -> C:\\WINDOWS\\SysWOW64\\MSCOMM32.OCX",
      "run C:\\WINDOWS\\SysWOW64\\regsvr32.exe [ \"C:\\WINDOWS\\SysWOW64\\MSCOMM32.OCX\"]",
      SUCCESS},
     {{"C:\\WINDOWS\\system32\\MSCOMM32.OCX", "new ocx"},
      {"C:\\WINDOWS\\SysWOW64\\MSCOMM32.DEP", "dep"},
      {"C:\\WINDOWS\\SysWOW64\\MSCOMM32.OCX", "new ocx"}},
     "new ocx"},
    {"Plain32BitPutsFilesInSystem32",
     false,
     "C:\\WINDOWS",
     With(BROUGHT, {{SYS32_TOOL, "tool"}}),
     0,
     {COPY_DEP_SYS32, COPY_OCX_SYS32, RUN_SYS32, SUCCESS},
     INSTALLED_SYS32,
     "new ocx"},
    {"NoIsWow64ProcessMeansPlain32Bit",
     std::nullopt,
     "C:\\WINDOWS",
     With(BROUGHT, {{SYS32_TOOL, "tool"}}),
     0,
     {COPY_DEP_SYS32, COPY_OCX_SYS32, RUN_SYS32, SUCCESS},
     INSTALLED_SYS32,
     "new ocx"},
    {"OlderControlIsKeptAndRegistered",
     false,
     "C:\\WINDOWS",
     With(BROUGHT, {{SYS32_TOOL, "tool"}, {"C:\\WINDOWS\\system32\\MSCOMM32.OCX", "old ocx"}}),
     0,
     {COPY_DEP_SYS32, COPY_OCX_SYS32, RUN_SYS32, SUCCESS},
     {{"C:\\WINDOWS\\system32\\MSCOMM32.DEP", "dep"}},
     "old ocx"},
    {"MissingSourcesStillRunRegsvr32",
     false,
     "C:\\WINDOWS",
     {{SYS32_TOOL, "tool"}},
     0,
     {COPY_DEP_SYS32, COPY_OCX_SYS32, RUN_SYS32, FAILURE},
     {},
     ""},
    {"MissingSourcesRegisterWhatIsInstalled",
     false,
     "C:\\WINDOWS",
     {{SYS32_TOOL, "tool"}, {"C:\\WINDOWS\\system32\\MSCOMM32.OCX", "installed ocx"}},
     0,
     {COPY_DEP_SYS32, COPY_OCX_SYS32, RUN_SYS32, SUCCESS},
     {},
     "installed ocx"},
    {"Regsvr32CannotStart",
     false,
     "C:\\WINDOWS",
     BROUGHT,
     0,
     {COPY_DEP_SYS32, COPY_OCX_SYS32, RUN_SYS32, FAILURE},
     INSTALLED_SYS32,
     ""},
    {"Regsvr32ExitsNonZero",
     false,
     "C:\\WINDOWS",
     With(BROUGHT, {{SYS32_TOOL, "tool"}}),
     5,
     {COPY_DEP_SYS32, COPY_OCX_SYS32, RUN_SYS32, FAILURE},
     INSTALLED_SYS32,
     "new ocx"},
    {"WindowsDirectoryWithSpacesIsQuoted",
     false,
     "D:\\My Windows",
     With(BROUGHT, {{"D:\\My Windows\\system32\\regsvr32.exe", "tool"}}),
     0,
     {"copy .\\MSCOMM32.DEP -> D:\\My Windows\\system32\\MSCOMM32.DEP",
      "copy .\\MSCOMM32.OCX -> D:\\My Windows\\system32\\MSCOMM32.OCX",
      "run D:\\My Windows\\system32\\regsvr32.exe [ \"D:\\My Windows\\system32\\MSCOMM32.OCX\"]",
      SUCCESS},
     {{"D:\\My Windows\\system32\\MSCOMM32.DEP", "dep"},
      {"D:\\My Windows\\system32\\MSCOMM32.OCX", "new ocx"}},
     "new ocx"},
    {"LongestWindowsDirectoryThatFits",
     true,
     LONGEST_DIR,
     With(BROUGHT, {{LONGEST_DIR + "\\SysWOW64\\regsvr32.exe", "tool"}}),
     0,
     {"copy .\\MSCOMM32.OCX -> " + LONGEST_DIR + "\\system32\\MSCOMM32.OCX",
      "copy .\\MSCOMM32.DEP -> " + LONGEST_DIR + "\\SysWOW64\\MSCOMM32.DEP",
      "copy .\\MSCOMM32.OCX -> " + LONGEST_DIR + "\\SysWOW64\\MSCOMM32.OCX",
      "run " + LONGEST_DIR + "\\SysWOW64\\regsvr32.exe [ \"" + LONGEST_DIR +
          "\\SysWOW64\\MSCOMM32.OCX\"]",
      SUCCESS},
     {{LONGEST_DIR + "\\system32\\MSCOMM32.OCX", "new ocx"},
      {LONGEST_DIR + "\\SysWOW64\\MSCOMM32.DEP", "dep"},
      {LONGEST_DIR + "\\SysWOW64\\MSCOMM32.OCX", "new ocx"}},
     "new ocx"},
    // Too long: refused before anything on the machine is touched.
    {"WindowsDirectoryTooLongForCommandLine",
     true,
     TOO_LONG_DIR,
     With(BROUGHT, {{TOO_LONG_DIR + "\\SysWOW64\\regsvr32.exe", "tool"}}),
     0,
     {FAILURE},
     {},
     ""},
    {"WindowsDirectoryLongerThanItsBuffer",
     false,
     "C:\\" + std::string(300, 'w'),
     BROUGHT,
     0,
     {FAILURE},
     {},
     ""},
    {"WindowsDirectoryUnavailable", false, "", BROUGHT, 0, {FAILURE}, {}, ""},
};

// Failures name the case instead of dumping its bytes.
void PrintTo(const InstallCase& c, std::ostream* out) {
    *out << c.name;
}

class Install : public testing::TestWithParam<InstallCase> {};

TEST_P(Install, Run) {
    const InstallCase& c = GetParam();
    CFakeOs os;
    os.m_wow64 = c.wow64;
    os.m_windowsDir = c.windowsDir;
    os.m_files = c.before;
    os.m_regsvr32Exit = c.regsvr32Exit;

    CVelmoraInstaller installer(os);
    installer.DetectWow64();
    installer.Run();

    EXPECT_EQ(os.m_log, c.log);
    EXPECT_EQ(os.m_files, With(c.added, c.before));
    EXPECT_EQ(os.m_registered, c.registered);
}

INSTANTIATE_TEST_SUITE_P(Table, Install, testing::ValuesIn(INSTALL_CASES),
                         [](const testing::TestParamInfo<InstallCase>& info) {
                             return info.param.name;
                         });

} // namespace
