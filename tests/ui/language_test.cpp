// The interface in English and in Simplified Chinese: every caption and list item has its
// translation, and the language changes what is shown, never a wire byte or a profile file.
#include "app/TessaroApp.h"
#include "ui/CatalogText.h"
#include "ui/ControlCatalog.h"
#include "ui/ProfileControls.h"
#include "ui/TessaroDlg.h"

#include "tests/support/ReaderPty.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <cstring>
#include <memory>

namespace {

QByteArray Hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text));
}

bool IsNumber(const char* text) {
    return *text && std::strspn(text, "0123456789") == std::strlen(text);
}

bool HasChinese(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF) {
            return true;
        }
    }
    return false;
}

// Captions marked for translation: the hidden controls' captions are Chinese already.
bool Translatable(const char* caption) {
    return *caption && !HasChinese(QString::fromUtf8(caption));
}

// Codes that read the same in Chinese.
const QStringList SAME_IN_CHINESE = {
    QStringLiteral("PHP"),   QStringLiteral("JSP"),       QStringLiteral("C#"),
    QStringLiteral("ASP"),   QStringLiteral("CGI"),       QStringLiteral("RS232"),
    QStringLiteral("RS485"), QStringLiteral("6H"),        QStringLiteral("8H"),
    QStringLiteral("8H10D"), QStringLiteral("6H10D"),     QStringLiteral("2h3D+4h5d"),
    QStringLiteral("ASCII"), QStringLiteral("2H3D+4H5D"), QStringLiteral("HTTP"),
    QStringLiteral("TCP"),   QStringLiteral("UDP"),       QStringLiteral("DNS 1"),
    QStringLiteral("DNS 2"),
};

} // namespace

class LanguageTest : public QObject {
    Q_OBJECT

private slots:
    // Every caption, group caption and list item: present and non-empty in Chinese, and Chinese
    // unless it is a code; English shows the catalogue's own text.
    void catalogueHasEveryTranslation() {
        QTranslator zh;
        QVERIFY(zh.load(QStringLiteral(":/i18n/tessaro_zh_CN.qm")));
        int checked = 0;
        const auto check = [&](const char* context, const char* text) {
            const QString english = QString::fromUtf8(text);
            const QString chinese = zh.translate(context, text);
            QVERIFY2(!chinese.isEmpty(), text);
            QVERIFY2(HasChinese(chinese) || SAME_IN_CHINESE.contains(english), text);
            QVERIFY2(chinese.trimmed() == chinese, text);
            ++checked;
        };
        for (const ControlSpec& spec : ControlCatalog()) {
            if (Translatable(spec.caption)) {
                check(CATALOG_CONTEXT, spec.caption);
                QCOMPARE(CatalogText(spec.caption), QString::fromUtf8(spec.caption));
            }
            for (const char* item : spec.items) {
                if (!IsNumber(item)) {
                    check(CHOICE_CONTEXT, item);
                }
                QCOMPARE(ListItemText(item), QString::fromUtf8(item));
            }
        }
        for (const GroupSpec& g : GroupCatalog()) {
            if (*g.caption) {
                check(CATALOG_CONTEXT, g.caption);
            }
        }
        check(CATALOG_CONTEXT, "Close Serial Port");
        // 62 captions, 12 group captions, 63 list items (the affix list is in three controls)
        // and the Open button's second caption.
        QCOMPARE(checked, 62 + 12 + 63 + 1);
    }

    // The dialog under each language: captions as the language says, the same bytes on the wire
    // for the same presses, and the same profile file.
    void languageChangesCaptionsNotData_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<bool>("translated");
        QTest::addColumn<QString>("setUp");
        QTest::addColumn<QString>("horn");
        QTest::addColumn<QString>("hornItem");
        QTest::addColumn<QString>("closeCaption");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("okButton");
        QTest::addColumn<QString>("timeout");
        QTest::newRow("English") << "C" << false << "Set up"
                                 << "Horn"
                                 << "Open"
                                 << "Close Serial Port"
                                 << "Parameter setting(V.21.4.22)"
                                 << "OK"
                                 << "No reply within 1.0 s";
        QTest::newRow("English, United States") << "en_US" << false << "Set up"
                                                << "Horn"
                                                << "Open"
                                                << "Close Serial Port"
                                                << "Parameter setting(V.21.4.22)"
                                                << "OK"
                                                << "No reply within 1.0 s";
        QTest::newRow("Simplified Chinese") << "zh_CN" << true << "设置"
                                            << "蜂鸣器"
                                            << "开启"
                                            << "关闭串口"
                                            << "参数设置(V.21.4.22)"
                                            << "确定"
                                            << "读卡器 1.0 秒内无应答";
    }

    void languageChangesCaptionsNotData() {
        QFETCH(QString, locale);
        QFETCH(bool, translated);
        QFETCH(QString, setUp);
        QFETCH(QString, horn);
        QFETCH(QString, hornItem);
        QFETCH(QString, closeCaption);
        QFETCH(QString, title);
        QFETCH(QString, okButton);
        QFETCH(QString, timeout);

        const CTranslations language{QLocale(locale)};
        QCOMPARE(language.Loaded(), translated);
        // Qt's standard buttons, from Qt's own translation.
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "OK"), okButton);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        ReaderPty pty;
        QVERIFY(pty.isOpen());
        CTessaroDlg dlg(0);
        QStringList messages;
        dlg.SetMessageHook([&](const QString& t) { messages << t; });
        const QString path = dir.filePath(QStringLiteral("reader.json"));
        dlg.SetFileHook([&](bool) { return path; });

        QCOMPARE(dlg.windowTitle(), title);
        QCOMPARE(dlg.button(IDC_HORN_SET)->text(), setUp);
        QCOMPARE(dlg.combo(IDC_HORN)->accessibleName(), horn);

        const std::pair<int, int> picks[] = {
            {IDC_OUTPUT_FORMAT, 2},     {IDC_LIGHT, 2},
            {IDC_WORKING_MODE, 1},      {IDC_HORN, 1},
            {IDC_READER_BAUD, 4},       {IDC_DATA_BIT, 1},
            {IDC_STOP_BIT, 1},          {IDC_PARITY, 1},
            {IDC_QR_OUTPUT_FORMAT, 1},  {IDC_RESET_INTERVAL, 2},
            {IDC_CARD_AFFIX_FORMAT, 0},
        };
        for (const auto& [id, index] : picks) {
            dlg.combo(id)->setCurrentIndex(index);
        }
        QCOMPARE(dlg.combo(IDC_HORN)->currentText(), hornItem);

        dlg.combo(IDC_PORT)->setEditText(pty.path());
        dlg.button(IDC_OPEN_SERIAL_PORT)->click();
        QCOMPARE(dlg.button(IDC_OPEN_SERIAL_PORT)->text(), closeCaption);
        for (const int id : {IDC_OUTPUT_FORMAT_SET, IDC_LIGHT_SET, IDC_WORKING_MODE_SET,
                             IDC_HORN_SET, IDC_RESET_INTERVAL_SET, IDC_SERIAL_PARAMS_SET}) {
            dlg.button(id)->click();
        }
        // RS232; detect the light; single mode; horn open; 24 hours; 115200 7 data bits,
        // 2 stop bits, odd parity, hexadecimal QR output.
        const QByteArray wire = Hex("0506051202"
                                    "0510051C02"
                                    "0512051D01"
                                    "0516052101"
                                    "0528053402"
                                    "05260C0500C2010007020101");
        QCOMPARE(pty.read(wire.size() + 1, 3000), wire);
        // Nothing answered the last command: the timeout is said whole in the first pane.
        QTRY_COMPARE_WITH_TIMEOUT(dlg.PaneText(0), timeout, 3000);
        QLabel* pane = nullptr;
        for (QLabel* label : dlg.statusBar()->findChildren<QLabel*>()) {
            pane = label->width() == 220 ? label : pane;
        }
        QVERIFY(pane);
        QCOMPARE(pane->text(), timeout);
        QVERIFY(pane->fontMetrics().horizontalAdvance(timeout) <= pane->contentsRect().width());
        // The results view names settings and shows values as the dialog does.
        QCOMPARE(KeyCaption(ProfileKey::Horn), horn);
        QCOMPARE(KeyValueShown(ProfileKey::Horn, "Open"), hornItem);

        dlg.button(IDC_SAVE_PROFILE)->click();
        QCOMPARE(messages, QStringList());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray profile = file.readAll();
        // The English run's file is the one every language must write.
        static QByteArray englishProfile;
        if (!translated && englishProfile.isEmpty()) {
            englishProfile = profile;
        }
        QVERIFY(!englishProfile.isEmpty());
        QCOMPARE(profile, englishProfile);
        for (const char* value : {"\"output_format\": \"RS232\"", "\"horn\": \"Open\"",
                                  "\"light\": \"Detect the light\"", "\"parity\": \"ODD\"",
                                  "\"working_mode\": \"Single mode\"",
                                  "\"reset_interval\": \"24 hours\"", "\"baud_rate\": 115200"}) {
            QVERIFY2(profile.contains(value), value);
        }
    }
};

QTEST_MAIN(LanguageTest)
#include "language_test.moc"
