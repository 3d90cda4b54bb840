// Tessaro's start-up as the program runs it (main's steps, the language included), up to the
// moment the main dialog is shown.
#include "app/TessaroApp.h"
#include "bench/BenchClock.h"
#include "ui/TessaroDlg.h"

#include <QApplication>
#include <QIcon>
#include <QWindow>

int main(int argc, char* argv[]) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaro"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tessaro/tessaro.png")));
    InstallTraceLogging();
    const CTranslations translations(QLocale::system());
    CTessaroApp app;
    app.SetDialogUdpPort(0); // leave the real port to a running Tessaro
    app.SetDialogHook([](CTessaroDlg& dlg) {
        dlg.show();
        while (!dlg.windowHandle() || !dlg.windowHandle()->isExposed()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        ReportShown();
        QMetaObject::invokeMethod(&dlg, &QDialog::reject, Qt::QueuedConnection);
    });
    app.InitInstance();
    return 0;
}
