#include "Win32Os.h"

#include <windows.h>

namespace velmora {

namespace {

constexpr char PROGRAM_NAME[] = "Velmora";

using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);

} // namespace

std::optional<bool> CWin32Os::QueryWow64() {
    // Looked up by name: older systems do not export it.
    HMODULE kernel = LoadLibraryA("kernel32.dll");
    if (kernel == nullptr)
        return std::nullopt;
    std::optional<bool> answer;
    const auto fn = reinterpret_cast<IsWow64ProcessFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel, "IsWow64Process")));
    if (fn != nullptr) {
        BOOL wow64 = FALSE;
        fn(GetCurrentProcess(), &wow64);
        answer = wow64 != FALSE;
    }
    FreeLibrary(kernel);
    return answer;
}

unsigned CWin32Os::WindowsDirectory(char* buffer, unsigned size) {
    return GetWindowsDirectoryA(buffer, size);
}

bool CWin32Os::CopyControlFile(const char* existing, const char* newName, bool failIfExists) {
    return CopyFileA(existing, newName, failIfExists ? TRUE : FALSE) != FALSE;
}

std::optional<std::uint32_t> CWin32Os::RunAndWait(const char* application, char* commandLine) {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(application, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return std::nullopt;

    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 0;
    const bool known = GetExitCodeProcess(process.hProcess, &exitCode) != FALSE;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (!known)
        return std::nullopt;
    return static_cast<std::uint32_t>(exitCode);
}

void CWin32Os::ShowMessage(const char* text) {
    OutputDebugStringA(text);
    MessageBoxA(nullptr, text, PROGRAM_NAME, MB_OK);
}

} // namespace velmora
