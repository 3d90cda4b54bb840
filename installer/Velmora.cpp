// Velmora: puts the serial communications control into the system directory
// and has it registered. The user sees only the outcome message.

#include "Installer.h"
#include "Win32Os.h"
#include "resource.h"

#include <windows.h>

namespace {

INT_PTR CALLBACK VelmoraDlgProc(HWND dlg, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG)
        return FALSE;
    // Ending the dialog here keeps it from ever becoming visible.
    reinterpret_cast<velmora::CVelmoraInstaller*>(lParam)->Run();
    EndDialog(dlg, 0);
    return TRUE;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    velmora::CWin32Os os;
    velmora::CVelmoraInstaller installer(os);
    installer.DetectWow64();
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_VELMORA), nullptr, VelmoraDlgProc,
                    reinterpret_cast<LPARAM>(&installer));
    // The outcome is reported in the message; the exit code stays 0.
    return 0;
}
