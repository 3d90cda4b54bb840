// Helper for the Wine test: waits for Velmora's message box, prints its
// texts and buttons, and presses OK. Under Wine's null display driver the box
// is a real modal window that nobody else could dismiss.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr char CAPTION[] = "Velmora";
constexpr char DIALOG_CLASS[] = "#32770";
constexpr DWORD POLL_MS = 100;

bool HasClass(HWND wnd, const char* name) {
    char cls[64] = {};
    GetClassNameA(wnd, cls, sizeof(cls));
    return _stricmp(cls, name) == 0;
}

BOOL CALLBACK FindMessageBox(HWND wnd, LPARAM param) {
    char title[64] = {};
    GetWindowTextA(wnd, title, sizeof(title));
    // Velmora's own dialog has the same caption but is never visible.
    if (IsWindowVisible(wnd) && HasClass(wnd, DIALOG_CLASS) && std::strcmp(title, CAPTION) == 0) {
        *reinterpret_cast<HWND*>(param) = wnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK PrintChild(HWND child, LPARAM) {
    char text[256] = {};
    GetWindowTextA(child, text, sizeof(text));
    if (!IsWindowVisible(child) || text[0] == '\0')
        return TRUE;
    if (HasClass(child, "Static"))
        std::printf("text: %s\n", text);
    else if (HasClass(child, "Button"))
        std::printf("button: %s\n", text);
    return TRUE;
}

} // namespace

int main(int argc, char** argv) {
    const int waitSeconds = argc > 1 ? std::atoi(argv[1]) : 60;
    for (int elapsed = 0; elapsed < waitSeconds * 1000; elapsed += POLL_MS) {
        HWND box = nullptr;
        EnumWindows(FindMessageBox, reinterpret_cast<LPARAM>(&box));
        if (box != nullptr) {
            EnumChildWindows(box, PrintChild, 0);
            std::fflush(stdout);
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
            return 0;
        }
        Sleep(POLL_MS);
    }
    std::fprintf(stderr, "no message box captioned %s within %d s\n", CAPTION, waitSeconds);
    return 1;
}
