// Stand-in for the serial communications control in the Wine test: its
// registration only appends this build's tag to a marker file, so the test
// can tell that, and which copy, regsvr32 registered.

#include <windows.h>

#ifndef CONTROL_TAG
#error "CONTROL_TAG must name this build of the test control"
#endif

namespace {

constexpr char MARKER_PATH[] = "C:\\velmora-registered.txt";
constexpr char TAG_LINE[] = CONTROL_TAG "\r\n";

} // namespace

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer() {
    HANDLE marker = CreateFileA(MARKER_PATH, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker == INVALID_HANDLE_VALUE)
        return E_FAIL;
    DWORD written = 0;
    const BOOL ok = WriteFile(marker, TAG_LINE, sizeof(TAG_LINE) - 1, &written, nullptr);
    CloseHandle(marker);
    return ok && written == sizeof(TAG_LINE) - 1 ? S_OK : E_FAIL;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer() {
    return S_OK;
}
