// The reference for the start-up figure: the smallest Qt 6 dialog program, shown and ended.
#include "bench/BenchClock.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>
#include <QWindow>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QDialog dlg;
    auto* layout = new QVBoxLayout(&dlg);
    layout->addWidget(new QLabel(QStringLiteral("Minimal dialog"), &dlg));
    dlg.show();
    while (!dlg.windowHandle() || !dlg.windowHandle()->isExposed()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    ReportShown();
    return 0;
}
