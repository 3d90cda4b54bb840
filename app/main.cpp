#include "app/TessaroApp.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[]) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaro"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tessaro/tessaro.png")));
    InstallTraceLogging();
    const CTranslations translations(QLocale::system());
    CTessaroApp app;
    app.InitInstance();
    return 0;
}
