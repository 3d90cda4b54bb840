// The main dialog as the user meets it: lists, defaults, switching, data exchange, lifecycle.
#include "app/TessaroApp.h"
#include "core/DebugTrace.h"
#include "ui/ControlCatalog.h"
#include "ui/IPAddressCtrl.h"
#include "ui/TessaroDlg.h"

#include "tests/support/AccessibleName.h"
#include "tests/support/DialogRecorder.h"
#include "tests/support/DialogStateProbe.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <string>
#include <vector>

namespace {

QStringList Items(QComboBox* c) {
    QStringList items;
    for (int i = 0; i < c->count(); ++i) {
        items << c->itemText(i);
    }
    return items;
}

QStringList Numbers(int from, int to, const QString& format = QStringLiteral("%1")) {
    QStringList items;
    for (int n = from; n <= to; ++n) {
        items << format.arg(n);
    }
    return items;
}

} // namespace

class DialogTest : public QObject {
    Q_OBJECT

private slots:
    void lists_data();
    void lists();
    void boxDefaults();
    void startUpState();
    void settingButtonsBothWays();
    void pulseLowerBound_data();
    void pulseLowerBound();
    void updateDataStopsAtFirstBadBox();
    void enterEndsDialogOnlyWithIntegers_data();
    void enterEndsDialogOnlyWithIntegers();
    void escapeEndsDialog();
    void hiddenControlsStayHidden();
    void inertButtonsDoNothing();
    void everyControlHasAnAccessibleName();
    void socketLayerFailureShowsMessageAndNoDialog();
    void startUpRunsDialogUntilItEnds();
    void tabLeavesEveryMultiLineBox_data();
    void tabLeavesEveryMultiLineBox();
    void rightColumnByTab();
    void longStatusTextReadsWhole();
    void addressBoxRefusesWhileTyping_data();
    void addressBoxRefusesWhileTyping();
};

void DialogTest::lists_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("selected");
    const QStringList baud = {"4800", "9600", "14400", "19200", "115200", "256000"};
    const QStringList hexAscii = {"hex", "ASCII"};
    QTest::newRow("Network mode") << 1012 << QStringList{"Fixed IP", "Automatic acquisition"} << 0;
    QTest::newRow("HTTP server") << 1015 << QStringList{"PHP", "JSP", "C#", "ASP", "CGI"} << 0;
    QTest::newRow("Output format")
        << 1016 << QStringList{"USB keyboard", "USB serial port", "RS232",          "RS485", "WG26",
                               "WG34",         "WG256",           "Wechat app open"}
        << 0;
    QTest::newRow("Card input format")
        << 1017 << QStringList{"6H", "8H", "8H10D", "6H10D", "2h3D+4h5d"} << 0;
    QTest::newRow("Enter key") << 1020 << QStringList{"No enter", "Enter"} << 1;
    QTest::newRow("Line feed") << 1022 << QStringList{"No Line Feed", "Line Feed"} << 0;
    QTest::newRow("Reader baud rate") << 1036 << baud << 1;
    QTest::newRow("Data bit") << 1034 << QStringList{"8", "7", "6", "5"} << 0;
    QTest::newRow("Stop bit") << 1041 << QStringList{"1", "2"} << 0;
    QTest::newRow("Parity") << 1068 << QStringList{"EVEN", "ODD", "NONE"} << 2;
    QTest::newRow("QR code output format") << 1067 << QStringList{"ASCII", "Hexadecimal"} << 0;
    QTest::newRow("Reset interval") << 1025 << QStringList{"0", "12 hours", "24 hours"} << 1;
    QTest::newRow("Working mode") << 1029
                                  << QStringList{"Common mode", "Single mode", "Interval mode"}
                                  << 0;
    QTest::newRow("Horn") << 1033 << QStringList{"Close", "Open"} << 0;
    QTest::newRow("Light") << 1026
                           << QStringList{"turn off(Sweeping light)", "turn on", "Detect the light"}
                           << 0;
    QTest::newRow("Barcode affix format") << 1063 << hexAscii << 1;
    QTest::newRow("Card affix format") << 1072 << hexAscii << 1;
    QTest::newRow("Serial output format") << 1073 << hexAscii << 1;
    QTest::newRow("WG output order") << 1081 << QStringList{"In order", "Reverse order"} << 0;
    QTest::newRow("Card number format")
        << 1055 << QStringList{"8H10D", "Hexadecimal", "2H3D+4H5D"} << 0;
    QTest::newRow("Start bit") << 1062 << Numbers(0, 50) << 0;
    QTest::newRow("Port") << 1064 << Numbers(1, 15, QStringLiteral("com %1")) << 3;
    QTest::newRow("Port baud rate") << 1069 << baud << 1;
    QTest::newRow("Hidden switch") << 1031 << QStringList{"Close", "Open"} << 0;
    QTest::newRow("Cloud provider") << 1037 << QStringList{"Aliyun", "Baidu"} << 0;
    QTest::newRow("Encryption") << 1054 << QStringList{"No encryption", "encryption"} << 0;
    QTest::newRow("Device mode") << 1057 << QStringList{"Reader mode", "Access control mode"} << 0;
    QTest::newRow("Use count") << 1058 << QStringList{"Infinite times", "Once"} << 0;
    QTest::newRow("Network protocol") << 1061 << QStringList{"HTTP", "TCP", "UDP"} << 0;
}

void DialogTest::lists() {
    QFETCH(int, id);
    QFETCH(QStringList, items);
    QFETCH(int, selected);
    CTessaroDlg dlg(0);
    QComboBox* c = dlg.combo(id);
    QVERIFY(c);
    QCOMPARE(Items(c), items);
    QCOMPARE(c->currentIndex(), selected);
}

void DialogTest::boxDefaults() {
    CTessaroDlg dlg(0);
    const struct {
        int id;
        std::uint32_t address;
    } addresses[] = {{1007, 0xC0A80001}, {1008, 0xFFFFFF00}, {1009, 0xC0A80001},
                     {1010, 0x72727272}, {1011, 0x08080808}, {1051, 0}};
    for (const auto& a : addresses) {
        QVERIFY2(dlg.ipAddress(a.id), qPrintable(QString::number(a.id)));
        QCOMPARE(dlg.ipAddress(a.id)->GetAddress(), a.address);
    }
    QCOMPARE(dlg.ipAddress(1007)->text(), QStringLiteral("192.168.0.1"));
    QCOMPARE(dlg.edit(1039)->text(), QStringLiteral("80"));
    QCOMPARE(dlg.edit(1044)->text(), QStringLiteral("400"));
    QCOMPARE(dlg.edit(1048)->text(), QStringLiteral("2000"));
    QVERIFY(!dlg.edit(1013)->text().isEmpty());
    for (const int id : {1049, 1050, 1070, 1071, 1040, 1042, 1043, 1047, 1045, 1046, 1056, 1059}) {
        QVERIFY2(dlg.edit(id)->text().isEmpty(), qPrintable(QString::number(id)));
    }
    for (const int id : {1076, 1077, 1085}) {
        QVERIFY(dlg.memo(id)->toPlainText().isEmpty());
    }
    // Members stay as the first exchange left them until the user's next action.
    QCOMPARE(dlg.serverPort(), 0);
    QCOMPARE(dlg.lowPulse(), 0);
    QCOMPARE(dlg.highPulse(), 0);
}

void DialogTest::startUpState() {
    DialogRecorder rec;
    CTessaroDlg dlg(0);
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Parameter setting(V.21.4.22)"));
    QCOMPARE(dlg.PaneText(0), QStringLiteral("OK."));
    QCOMPARE(dlg.clientVersion(), 0);
    const auto& traces = rec.capture.lines();
    QVERIFY(std::find(traces.begin(), traces.end(), "AAAAA") != traces.end());

    for (const int id : {1027, 1019, 1021, 1052, 1053, 1028, 1030, 1032, 1024, 1065, 1066, 1035,
                         1060, 1018, 1038, 1080, 1075, 1006}) {
        QVERIFY2(!dlg.control(id)->isEnabled(), qPrintable(QString::number(id)));
    }
    for (const int id : {1000, 1014, 1074, 1082, 1083, 1084, 1004, 1016, 1049, 1085}) {
        QVERIFY2(dlg.control(id)->isEnabled(), qPrintable(QString::number(id)));
    }
    for (const int id : ControlFontIds()) {
        const QFont f = dlg.control(id)->font();
        QVERIFY2(f.bold() && f.pixelSize() == 14, qPrintable(QString::number(id)));
    }
    QVERIFY(!dlg.control(1016)->font().bold());
    QCOMPARE(dlg.button(1074)->text(), QStringLiteral("Open Serial Port"));
}

void DialogTest::settingButtonsBothWays() {
    CTessaroDlg dlg(0);
    const QList<int> common = {1038, 1052, 1053, 1030, 1032, 1028, 1018, 1035, 1027,
                               1019, 1021, 1024, 1060, 1065, 1066, 1080, 1075};
    for (int round = 0; round < 3; ++round) {
        dlg.SetSettingButtons(true);
        for (const int id : common) {
            QVERIFY(dlg.control(id)->isEnabled());
        }
        QVERIFY(!dlg.control(1006)->isEnabled());
        QVERIFY(dlg.control(1014)->isEnabled());

        dlg.SetSettingButtons(false);
        for (const int id : common) {
            QVERIFY(!dlg.control(id)->isEnabled());
        }
        QVERIFY(!dlg.control(1006)->isEnabled());
        QVERIFY(dlg.control(1014)->isEnabled());
        // The records buttons are never switched.
        for (const int id : {1082, 1083, 1084, 1000, 1074}) {
            QVERIFY(dlg.control(id)->isEnabled());
        }
    }
}

void DialogTest::pulseLowerBound_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    for (const int id : {1044, 1048}) {
        const QByteArray box = id == 1044 ? "low " : "high ";
        QTest::newRow(box + "50") << id << "50"
                                  << "100";
        QTest::newRow(box + "-5") << id << "-5"
                                  << "100";
        QTest::newRow(box + "99") << id << "99"
                                  << "100";
        QTest::newRow(box + "100") << id << "100"
                                   << "100";
        QTest::newRow(box + "5000") << id << "5000"
                                    << "5000";
    }
}

void DialogTest::pulseLowerBound() {
    QFETCH(int, id);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    CTessaroDlg dlg(0);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QLineEdit* box = dlg.edit(id);
    box->setFocus();
    QTRY_VERIFY(box->hasFocus());
    box->setText(typed);
    dlg.edit(1049)->setFocus(); // the user moves on
    QTRY_VERIFY(!box->hasFocus());
    QCOMPARE(box->text(), shown);
    QCOMPARE(id == 1044 ? dlg.lowPulse() : dlg.highPulse(), shown.toInt());
    // The other pulse box is untouched.
    QCOMPARE(dlg.edit(id == 1044 ? 1048 : 1044)->text(),
             id == 1044 ? QStringLiteral("2000") : QStringLiteral("400"));
}

void DialogTest::updateDataStopsAtFirstBadBox() {
    DialogRecorder rec;
    CTessaroDlg dlg(0);
    rec.attach(dlg);
    DialogStateProbe::LowPulse(dlg) = 7;
    DialogStateProbe::HighPulse(dlg) = 8;
    dlg.edit(1039)->setText(" 8080 ");
    dlg.edit(1044)->setText("abc");
    dlg.edit(1048)->setText("3000");
    dlg.memo(1085)->setPlainText("record text");
    QVERIFY(!dlg.UpdateData(true));
    QCOMPARE(rec.messages, QStringList{"Please enter an integer."});
    QCOMPARE(dlg.serverPort(), 8080);
    QCOMPARE(dlg.lowPulse(), 7); // the bad box and the one after it keep their members
    QCOMPARE(dlg.highPulse(), 8);
    QCOMPARE(dlg.recordText(), QStringLiteral("record text"));

    const struct {
        const char* text;
        bool ok;
    } cases[] = {{"12x", false},        {"", false},    {"+42", true},  {"-2147483648", true},
                 {"2147483648", false}, {"1 2", false}, {"0x10", false}};
    for (const auto& c : cases) {
        rec.messages.clear();
        dlg.edit(1044)->setText("400");
        dlg.edit(1039)->setText(QString::fromLatin1(c.text));
        QCOMPARE(dlg.UpdateData(true), c.ok);
        QCOMPARE(rec.messages.isEmpty(), c.ok);
    }
    QCOMPARE(dlg.serverPort(), -2147483647 - 1);

    DialogStateProbe::ServerPort(dlg) = 81;
    DialogStateProbe::TransmitText(dlg) = QStringLiteral(" 05 01 04 0A");
    QVERIFY(dlg.UpdateData(false));
    QCOMPARE(dlg.edit(1039)->text(), QStringLiteral("81"));
    QCOMPARE(dlg.memo(1076)->toPlainText(), QStringLiteral(" 05 01 04 0A"));
}

void DialogTest::enterEndsDialogOnlyWithIntegers_data() {
    QTest::addColumn<QString>("serverPort");
    QTest::addColumn<bool>("ends");
    QTest::newRow("integers") << "80" << true;
    QTest::newRow("abc in Server port") << "abc" << false;
}

void DialogTest::enterEndsDialogOnlyWithIntegers() {
    QFETCH(QString, serverPort);
    QFETCH(bool, ends);
    DialogRecorder rec;
    CTessaroDlg dlg(0);
    rec.attach(dlg);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    dlg.edit(1039)->setText(serverPort);
    dlg.edit(1049)->setFocus();
    QTRY_VERIFY(dlg.edit(1049)->hasFocus());
    QTest::keyClick(dlg.edit(1049), Qt::Key_Return);
    QCOMPARE(dlg.isVisible(), !ends);
    if (ends) {
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(rec.messages.isEmpty());
    } else {
        QCOMPARE(rec.messages, QStringList{"Please enter an integer."});
        QVERIFY(dlg.edit(1039)->hasFocus());
    }
}

void DialogTest::escapeEndsDialog() {
    CTessaroDlg dlg(0);
    dlg.edit(1039)->setText("abc"); // Escape does not validate
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QTest::keyClick(&dlg, Qt::Key_Escape);
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
}

void DialogTest::hiddenControlsStayHidden() {
    CTessaroDlg dlg(0);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    int hidden = 0;
    for (const ControlSpec& spec : ControlCatalog()) {
        QWidget* w = dlg.control(spec.id);
        QVERIFY(w);
        if (spec.group == ControlGroup::Hidden) {
            ++hidden;
            QVERIFY2(!w->isVisible(), spec.name);
        } else {
            QVERIFY2(w->isVisible(), spec.name);
        }
    }
    QCOMPARE(hidden, 17);
    dlg.SetSettingButtons(true);
    QVERIFY(dlg.control(1018)->isEnabled() && !dlg.control(1018)->isVisible());
    QVERIFY(dlg.control(1038)->isEnabled() && !dlg.control(1038)->isVisible());
}

void DialogTest::inertButtonsDoNothing() {
    DialogRecorder rec;
    CTessaroDlg dlg(0);
    rec.attach(dlg);
    const auto tracesBefore = rec.capture.lines().size();
    for (const int id : {1000, 1014}) {
        dlg.button(id)->click();
    }
    QVERIFY(rec.messages.isEmpty());
    QCOMPARE(rec.capture.lines().size(), tracesBefore);
    QCOMPARE(dlg.PaneText(0), QStringLiteral("OK."));
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Parameter setting(V.21.4.22)"));
    QVERIFY(dlg.memo(1076)->toPlainText().isEmpty());
}

void DialogTest::everyControlHasAnAccessibleName() {
    CTessaroDlg dlg(0);
    // The caption where there is one, else the catalogue name. A button is announced by the
    // caption it shows, so it carries no fixed name that could go stale.
    for (const ControlSpec& spec : ControlCatalog()) {
        const QString expected = QString::fromUtf8(*spec.caption ? spec.caption : spec.name);
        QWidget* w = dlg.control(spec.id);
        const bool button = spec.kind == ControlKind::Button && *spec.caption;
        QCOMPARE(button ? AccessibleName(w) : w->accessibleName(), expected);
        QCOMPARE(w->accessibleName().isEmpty(), button);
    }
    QCOMPARE(dlg.control(1004)->accessibleName(), QStringLiteral("Device list"));
    QCOMPARE(dlg.control(1077)->accessibleName(), QStringLiteral("Receive box"));
    QCOMPARE(dlg.control(1016)->accessibleName(), QStringLiteral("Output format selection"));
}

void DialogTest::socketLayerFailureShowsMessageAndNoDialog() {
    CTessaroApp app;
    QStringList messages;
    app.SetMessageHook([&](const QString& m) { messages << m; });
    app.SetSocketLayerCheck([] { return false; });
    QVERIFY(!app.InitInstance());
    QCOMPARE(messages, QStringList{QStringLiteral("Windows 套接字初始化失败。")});
    QVERIFY(!app.DialogCreated());
}

void DialogTest::startUpRunsDialogUntilItEnds() {
    CTessaroApp app;
    QStringList messages;
    app.SetMessageHook([&](const QString& m) { messages << m; });
    app.SetSocketLayerCheck([] { return true; });
    app.SetDialogUdpPort(0);
    bool shown = false;
    app.SetDialogHook([&](CTessaroDlg& dlg) {
        QTimer::singleShot(0, &dlg, [&] {
            shown = dlg.isVisible();
            dlg.reject();
        });
    });
    QVERIFY(!app.InitInstance());
    QVERIFY(app.DialogCreated());
    QVERIFY(shown);
    QVERIFY(messages.isEmpty());
}

void DialogTest::tabLeavesEveryMultiLineBox_data() {
    QTest::addColumn<int>("box");
    QTest::addColumn<bool>("forward");
    QTest::addColumn<int>("next"); // the control that takes the focus; 0: any other
    QTest::newRow("Record, Tab") << int(IDC_RECORD) << true << int(IDC_PORT);
    QTest::newRow("Record, Shift+Tab") << int(IDC_RECORD) << false << int(IDC_KEEP_RECORD);
    QTest::newRow("Transmit, Tab") << int(IDC_TRANSMIT) << true << int(IDC_RECEIVE);
    QTest::newRow("Transmit, Shift+Tab") << int(IDC_TRANSMIT) << false << int(IDC_COMPARE_PROFILE);
    QTest::newRow("Receive, Tab") << int(IDC_RECEIVE) << true << 0;
    QTest::newRow("Receive, Shift+Tab") << int(IDC_RECEIVE) << false << int(IDC_TRANSMIT);
}

void DialogTest::tabLeavesEveryMultiLineBox() {
    QFETCH(int, box);
    QFETCH(bool, forward);
    QFETCH(int, next);
    CTessaroDlg dlg(0);
    dlg.SetSettingButtons(true);
    dlg.memo(box)->setPlainText(QStringLiteral("abc"));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    dlg.memo(box)->setFocus(Qt::TabFocusReason);
    QVERIFY(dlg.memo(box)->hasFocus());
    // A real key press, as the keyboard sends it.
    QTest::keyClick(QApplication::focusWidget(), forward ? Qt::Key_Tab : Qt::Key_Backtab,
                    forward ? Qt::NoModifier : Qt::ShiftModifier);
    QVERIFY(!dlg.memo(box)->hasFocus());
    QCOMPARE(dlg.memo(box)->toPlainText(), QStringLiteral("abc"));
    if (next != 0) {
        QVERIFY2(dlg.control(next)->hasFocus(),
                 qPrintable(QApplication::focusWidget()->objectName()));
    }
}

void DialogTest::rightColumnByTab() {
    CTessaroDlg dlg(0);
    dlg.SetSettingButtons(true);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    dlg.control(IDC_PORT)->setFocus(Qt::TabFocusReason);
    // Top to bottom as the column is laid out.
    const int expected[] = {
        IDC_PORT_BAUD,     IDC_OPEN_SERIAL_PORT, IDC_FIND_READER,  IDC_GET_PARAMETER,
        IDC_TRANSMIT_TEST, IDC_SAVE_PROFILE,     IDC_LOAD_PROFILE, IDC_LOG,
        IDC_APPLY_PROFILE, IDC_COMPARE_PROFILE,  IDC_TRANSMIT,     IDC_RECEIVE};
    for (const int id : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY2(dlg.control(id)->hasFocus(),
                 qPrintable(QStringLiteral("expected %1, focus on %2")
                                .arg(id)
                                .arg(QApplication::focusWidget()->objectName())));
    }
    QVERIFY(!dlg.memo(IDC_TRANSMIT)->toPlainText().contains(u'\t'));
}

void DialogTest::longStatusTextReadsWhole() {
    CTessaroDlg dlg(0);
    QLabel* pane = nullptr;
    for (QLabel* label : dlg.statusBar()->findChildren<QLabel*>()) {
        if (label->width() == 220) {
            pane = label;
        }
    }
    QVERIFY(pane);
    const QString text =
        QStringLiteral("Reader found on /tmp/tessaro-test-Xa81/reader-192 at 19200 baud");
    dlg.SetPaneText(0, text);
    // Cut where it must be, visibly, and whole in the tooltip.
    QCOMPARE(dlg.PaneText(0), text);
    QCOMPARE(pane->toolTip(), text);
    QVERIFY2(pane->text().endsWith(QChar(0x2026)), qPrintable(pane->text()));
    QVERIFY(pane->fontMetrics().horizontalAdvance(pane->text()) <= pane->contentsRect().width());
    // A text that fits needs no tooltip.
    dlg.SetPaneText(0, QStringLiteral("OK."));
    QCOMPARE(pane->text(), QStringLiteral("OK."));
    QVERIFY(pane->toolTip().isEmpty());
}

void DialogTest::addressBoxRefusesWhileTyping_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("whole address") << "192.168.0.1"
                                   << "192.168.0.1";
    QTest::newRow("largest fields") << "255.255.255.255"
                                    << "255.255.255.255";
    QTest::newRow("field above 255") << "256"
                                     << "25";
    QTest::newRow("300") << "300"
                         << "30";
    QTest::newRow("fourth digit") << "2555"
                                  << "255";
    QTest::newRow("three digits from 0") << "099"
                                         << "09";
    QTest::newRow("fourth dot") << "1.2.3.4.5"
                                << "1.2.3.45";
    QTest::newRow("empty fields") << "1..2"
                                  << "1..2";
    QTest::newRow("letters and blanks") << "a1 b2-"
                                        << "12";
}

void DialogTest::addressBoxRefusesWhileTyping() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    CIPAddressCtrl box;
    box.show();
    QTest::keyClicks(&box, typed);
    QCOMPARE(box.text(), shown);
}

QTEST_MAIN(DialogTest)
#include "dialog_test.moc"
