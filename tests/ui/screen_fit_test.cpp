// The dialog and every window it opens on a laptop's screen (1366x768, 1280x720), and on a screen
// with room to spare, where nothing changes. CTest runs it once per screen size; the offscreen
// platform takes the size from tests/ui/screens/.
#include "ui/ControlCatalog.h"
#include "ui/LogWindow.h"
#include "ui/ProfileResultsView.h"
#include "ui/TessaroDlg.h"

#include "tests/support/ReaderPty.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

QString Rect(const QRect& r) {
    return QStringLiteral("%1x%2+%3+%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y());
}

// Wholly inside the area, said with both rectangles when not.
#define VERIFY_INSIDE(area, rect)                                                                  \
    QVERIFY2((area).contains(rect),                                                                \
             qPrintable(Rect(rect) + QStringLiteral(" outside ") + Rect(area)))

} // namespace

class ScreenFitTest : public QObject {
    Q_OBJECT

private slots:
    void dialogFitsAndEveryControlIsReachable() {
        CTessaroDlg dlg(0);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const QRect area = dlg.screen()->availableGeometry();
        qInfo("screen %s, dialog %s", qPrintable(Rect(area)),
              qPrintable(Rect(dlg.frameGeometry())));
        VERIFY_INSIDE(area, dlg.frameGeometry());

        // The status bar, where replies and summaries are said, is in the window and shown.
        QStatusBar* bar = dlg.statusBar();
        QVERIFY(bar->isVisible());
        VERIFY_INSIDE(dlg.rect(), QRect(bar->mapTo(&dlg, QPoint(0, 0)), bar->size()));

        // The groups are never squeezed below their size (rows would overlap): they scroll.
        QScrollArea* scroll = dlg.bodyArea();
        const QWidget* body = scroll->widget();
        QVERIFY2(body->width() >= body->minimumSizeHint().width() &&
                     body->height() >= body->minimumSizeHint().height(),
                 qPrintable(Rect(body->rect()) + QStringLiteral(" below ") +
                            Rect(QRect(QPoint(), body->minimumSizeHint()))));

        // Every control that is shown can be scrolled into view: all of it, or its top left
        // where it is larger than the view.
        const QWidget* viewport = scroll->viewport();
        const auto scrollTo = [](QScrollBar* bar, int at, int length, int view) {
            bar->setValue(length <= view ? std::max(0, at + length - view) : at);
        };
        for (const ControlSpec& spec : ControlCatalog()) {
            if (spec.group == ControlGroup::Hidden) {
                continue;
            }
            QWidget* w = dlg.control(spec.id);
            const QPoint in = w->mapTo(body, QPoint(0, 0));
            scrollTo(scroll->horizontalScrollBar(), in.x(), w->width(), viewport->width());
            scrollTo(scroll->verticalScrollBar(), in.y(), w->height(), viewport->height());
            const QRect at(w->mapTo(viewport, QPoint(0, 0)), w->size());
            const bool whole = viewport->rect().contains(at);
            const bool larger = w->width() > viewport->width() || w->height() > viewport->height();
            QVERIFY2(whole || (larger && viewport->rect().contains(at.topLeft())),
                     qPrintable(QString::fromUtf8(spec.name) + QLatin1Char(' ') + Rect(at) +
                                QStringLiteral(" in ") + Rect(viewport->rect())));
        }

        // On the large screen the whole dialog fits: it is shown whole, as it always was.
        const QSize whole = dlg.sizeHint();
        if (area.width() >= 1920 && area.height() >= 1080) {
            QCOMPARE(dlg.size(), whole);
            QVERIFY(!scroll->verticalScrollBar()->isVisible());
            QVERIFY(!scroll->horizontalScrollBar()->isVisible());
        } else {
            QVERIFY(dlg.size().height() < whole.height() || dlg.size().width() < whole.width());
        }
    }

    void everyWindowOpensOnTheScreen() {
        CTessaroDlg dlg(0);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const QRect area = dlg.screen()->availableGeometry();

        // The Log window beside the dialog where there is room, else as near as there is.
        dlg.button(IDC_LOG)->click();
        CLogWindow* log = dlg.logWindow();
        QVERIFY(log);
        QVERIFY(QTest::qWaitForWindowExposed(log));
        VERIFY_INSIDE(area, log->frameGeometry());
        log->close();

        // A message box.
        QRect box;
        QTimer::singleShot(0, &dlg, [&box] {
            if (auto* open = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                box = open->frameGeometry();
                open->accept();
            }
        });
        dlg.ShowMessage(QStringLiteral("No reader answered on /dev/ttyUSB0, /dev/ttyUSB1 at 9600, "
                                       "115200, 19200, 4800, 14400, 256000 baud."));
        QVERIFY(!box.isEmpty());
        VERIFY_INSIDE(area, box);

        // The progress of Find reader, against a reader that never answers.
        ReaderPty pty;
        QVERIFY(pty.isOpen());
        dlg.combo(IDC_PORT)->setEditText(pty.path());
        dlg.SetMessageHook([](const QString&) {});
        dlg.button(IDC_FIND_READER)->click();
        auto* progress = dlg.findChild<QProgressDialog*>();
        QVERIFY(progress);
        QVERIFY(QTest::qWaitForWindowExposed(progress));
        VERIFY_INSIDE(area, progress->frameGeometry());
        progress->findChild<QPushButton*>()->click(); // Cancel
        QTRY_VERIFY(!dlg.findingReader());

        // The results of a compare (780 pixels tall asked for), here of one nobody answered.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("horn.json"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{\"tessaro_profile\": 1, \"settings\": {\"horn\": \"Open\"}}");
        file.close();
        dlg.SetFileHook([&path](bool) { return path; });
        dlg.button(IDC_OPEN_SERIAL_PORT)->click();
        QVERIFY(dlg.comm().get_PortOpen());
        dlg.button(IDC_COMPARE_PROFILE)->click();
        QTRY_VERIFY_WITH_TIMEOUT(!dlg.profileRunning(), 15000);
        CProfileResultsView* results = dlg.profileResults();
        QVERIFY(results);
        QVERIFY(QTest::qWaitForWindowExposed(results));
        VERIFY_INSIDE(area, results->frameGeometry());
    }
};

QTEST_MAIN(ScreenFitTest)
#include "screen_fit_test.moc"
