// Takes the pictures of the whole screen with Tessaro on it, for the documentation; run under an
// X server of the screen's size, in the language wanted:
//   LANG=zh_CN.UTF-8 xvfb-run -a -s "-screen 0 1366x768x24"
//       build/tests/ui/dialog_screenshot docs/tessaro-1366x768-zh_CN.png
#include "app/TessaroApp.h"
#include "ui/TessaroDlg.h"

#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QTest>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: dialog_screenshot <file.png>\n");
        return 2;
    }
    const CTranslations translations(QLocale::system());
    CTessaroDlg dlg(0);
    dlg.show();
    if (!QTest::qWaitForWindowExposed(&dlg)) {
        std::fprintf(stderr, "dialog_screenshot: the window was not shown\n");
        return 1;
    }
    QTest::qWait(300); // let the last repaint happen
    const QPixmap screen = dlg.screen()->grabWindow(0);
    if (!screen.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "dialog_screenshot: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
