// Every --json document of every command, on success and on failure, against the shapes the
// manual documents: each key by name and type, and no key the manual does not name. A new
// command is a new row and, where its shape is new, a new shape.
#include "tests/support/CtlProcess.h"

#include <QFile>
#include <QMultiMap>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {

// One line per path: "path: type|type". A path is "" for the document, ".key" for an object's
// member, "[]" for every element of an array and "{}" for every member of an object used as a
// map; a "?" after the path marks a member that may be absent. Types: object, array, string,
// number, bool, null, and outcome (a string among the documented outcomes).
const char* const SEQUENCER_SHAPE = R"(: array
[]: object
[].port: string
[].ok: bool
[].error: null|string
[].answers_at: object|null
[].answers_at.baud_rate: number
[].answers_at.data_bits: number
[].answers_at.stop_bits: number
[].answers_at.parity: string
[].settings: array
[].settings[]: object
[].settings[].key: string
[].settings[].profile: string|number|object
[].settings[].profile.text?: string
[].settings[].profile.hex?: string
[].settings[].reader_before: null|string|number|object
[].settings[].reader_before.text?: string
[].settings[].reader_before.hex?: string
[].settings[].reader_after: null|string|number|object
[].settings[].reader_after.text?: string
[].settings[].reader_after.hex?: string
[].settings[].outcome: outcome
)";

const char* const DRY_RUN_EXTRA = R"([].frames: array
[].frames[]: string
)";

const char* const GET_SHAPE = R"(: object
.port: string
.ok: bool
.error: null|string
.answers_at: object|null
.answers_at.baud_rate: number
.answers_at.data_bits: number
.answers_at.stop_bits: number
.answers_at.parity: string
.profile: object|null
.profile.tessaro_profile: number
.profile.description?: string
.profile.settings: object
.profile.settings{}: string|number|object
.profile.settings{}.text?: string
.profile.settings{}.hex?: string
)";

const char* const FIND_SHAPE = R"(: array
[]: object
[].port: string
[].ok: bool
[].baud: number|null
[].error: null|string
)";

const char* const DISCOVER_SHAPE = R"(: array
[]: object
[].name: string
[].address: string
[].network_mode: string|null
[].network_mode_value: number
[].ip: string
[].mask: string
[].gateway: string
[].dns1: string
[].dns2: string
[].server: string
[].server_port: number
[].http_server: string|null
[].http_server_value: number
)";

const char* const PORTS_SHAPE = R"(: array
[]: object
[].port: string
[].description: string|null
[].manufacturer: string|null
[].serial_number: string|null
[].vid: number|null
[].pid: number|null
)";

const QSet<QString> OUTCOMES{"unchanged",      "verified",   "mismatch", "no_reply",
                             "not_verifiable", "would_send", "refused",  "not_sent"};

struct Shape {
    QMap<QString, QStringList> types;
    QSet<QString> optional;

    explicit Shape(const QString& text) {
        for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
            QString path = line.section(QStringLiteral(": "), 0, 0);
            if (path.endsWith(u'?')) {
                path.chop(1);
                optional << path;
            }
            types[path] = line.section(QStringLiteral(": "), 1).split(u'|');
        }
    }
};

QString TypeOf(const QJsonValue& v) {
    switch (v.type()) {
    case QJsonValue::Object:
        return QStringLiteral("object");
    case QJsonValue::Array:
        return QStringLiteral("array");
    case QJsonValue::String:
        return QStringLiteral("string");
    case QJsonValue::Double:
        return QStringLiteral("number");
    case QJsonValue::Bool:
        return QStringLiteral("bool");
    case QJsonValue::Null:
        return QStringLiteral("null");
    default:
        return QStringLiteral("undefined");
    }
}

// Every path met with the type met there.
void Walk(const QJsonValue& v, const QString& path, const Shape& shape,
          QMultiMap<QString, QJsonValue>& seen) {
    seen.insert(path, v);
    if (v.isArray()) {
        for (const QJsonValue& element : v.toArray()) {
            Walk(element, path + QStringLiteral("[]"), shape, seen);
        }
    } else if (v.isObject()) {
        const bool map = shape.types.contains(path + QStringLiteral("{}"));
        const QJsonObject object = v.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            Walk(it.value(), path + (map ? QStringLiteral("{}") : u'.' + it.key()), shape, seen);
        }
    }
}

// Empty when the document has the shape; else what is wrong.
QStringList Mismatches(const QJsonValue& document, const Shape& shape) {
    QMultiMap<QString, QJsonValue> seen;
    Walk(document, QString(), shape, seen);
    QStringList wrong;
    for (auto it = seen.begin(); it != seen.end(); ++it) {
        if (!shape.types.contains(it.key())) {
            wrong << QStringLiteral("undocumented key %1").arg(it.key());
            continue;
        }
        const QStringList& allowed = shape.types[it.key()];
        const QString type = TypeOf(it.value());
        const bool outcome = allowed.contains(QStringLiteral("outcome")) && type == "string" &&
                             OUTCOMES.contains(it.value().toString());
        if (!allowed.contains(type) && !outcome) {
            wrong << QStringLiteral("%1 is %2, not %3")
                         .arg(it.key(), type == "string" ? it.value().toString() : type,
                              allowed.join(u'|'));
        }
    }
    // A documented key is there wherever its parent is an object.
    for (auto it = shape.types.begin(); it != shape.types.end(); ++it) {
        const QString& path = it.key();
        const qsizetype cut = std::max(path.lastIndexOf(u'.'), path.lastIndexOf(u'{'));
        if (path.isEmpty() || shape.optional.contains(path) || cut < 0 ||
            path.mid(cut) == QStringLiteral("{}") || path.endsWith(QStringLiteral("[]"))) {
            continue;
        }
        const QString parent = path.left(cut);
        for (const QJsonValue& p : seen.values(parent)) {
            if (p.isObject() && !p.toObject().contains(path.mid(cut + 1))) {
                wrong << QStringLiteral("%1 missing").arg(path);
                break;
            }
        }
    }
    return wrong;
}

} // namespace

class TessaroctlJsonTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString Write(const char* name, const QByteArray& text) {
        const QString path = m_dir.filePath(QLatin1String(name));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(text);
        }
        return path;
    }

private slots:
    // The shapes parse and catch what they should: a renamed key, a wrong type, a missing key.
    void theCheckCatchesARenamedKey() {
        const Shape shape{QString::fromLatin1(FIND_SHAPE)};
        const QJsonArray good{QJsonObject{
            {"port", "/dev/x"}, {"ok", true}, {"baud", 9600}, {"error", QJsonValue::Null}}};
        QCOMPARE(Mismatches(good, shape), QStringList());
        const QJsonArray renamed{QJsonObject{
            {"path", "/dev/x"}, {"ok", true}, {"baud", 9600}, {"error", QJsonValue::Null}}};
        QCOMPARE(Mismatches(renamed, shape),
                 (QStringList{"undocumented key [].path", "[].port missing"}));
        const QJsonArray typed{QJsonObject{
            {"port", "/dev/x"}, {"ok", "yes"}, {"baud", 9600}, {"error", QJsonValue::Null}}};
        QCOMPARE(Mismatches(typed, shape), QStringList{"[].ok is yes, not bool"});
    }

    void everyDocumentHasItsDocumentedShape_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("shape");
        const QString sequencer = QString::fromLatin1(SEQUENCER_SHAPE);
        const QString missing = QStringLiteral("/dev/tessaro-no-such-port");
        QTest::newRow("apply") << QStringList{"apply", "--json", "--port", "PTY", "PROFILE"} << 0
                               << sequencer;
        QTest::newRow("apply --dry-run")
            << QStringList{"apply", "--dry-run", "--json", "--port", "PTY", "PROFILE"} << 0
            << sequencer + QString::fromLatin1(DRY_RUN_EXTRA);
        QTest::newRow("apply, refused profile")
            << QStringList{"apply", "--json", "--port", "PTY", "TYPO"} << 5 << sequencer;
        QTest::newRow("apply, refused card affixes")
            << QStringList{"apply", "--json", "--port", "PTY", "NO_FORMAT"} << 5 << sequencer;
        QTest::newRow("apply, no port")
            << QStringList{"apply", "--json", "--port", missing, "PROFILE"} << 2 << sequencer;
        QTest::newRow("apply, no reply")
            << QStringList{"apply", "--json", "--port", "SILENT", "PROFILE"} << 3 << sequencer;
        QTest::newRow("diff") << QStringList{"diff", "--json", "--port", "PTY", "PROFILE"} << 4
                              << sequencer;
        QTest::newRow("set") << QStringList{"set", "--json",    "--port",
                                            "PTY", "horn=Open", "barcode_suffix=hex:0d0a"}
                             << 0 << sequencer;
        QTest::newRow("set, refused")
            << QStringList{"set", "--json", "--port", "PTY", "horn=Loud"} << 5 << sequencer;
        QTest::newRow("get")
            << QStringList{"get", "--json", "--port", "PTY", "--card-output-format", "hex"} << 0
            << QString::fromLatin1(GET_SHAPE);
        QTest::newRow("get, no reply") << QStringList{"get", "--json", "--port", "SILENT"} << 3
                                       << QString::fromLatin1(GET_SHAPE);
        QTest::newRow("get, no port") << QStringList{"get", "--json", "--port", missing} << 2
                                      << QString::fromLatin1(GET_SHAPE);
        QTest::newRow("find") << QStringList{"find", "--json", "--port", "PTY", "--port", "SILENT"}
                              << 3 << QString::fromLatin1(FIND_SHAPE);
        QTest::newRow("discover") << QStringList{"discover", "--seconds", "3", "--json"} << 0
                                  << QString::fromLatin1(DISCOVER_SHAPE);
        QTest::newRow("ports") << QStringList{"ports", "--json"} << 0
                               << QString::fromLatin1(PORTS_SHAPE);
    }

    void everyDocumentHasItsDocumentedShape() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, shape);
        SimReaders sims;
        const QString pty = sims.Start();
        const QString silent = sims.Start({QStringLiteral("--silent"), QStringLiteral("1")});
        QVERIFY(!pty.isEmpty() && !silent.isEmpty());
        args.replaceInStrings(QStringLiteral("SILENT"), silent);
        args.replaceInStrings(QStringLiteral("PTY"), pty);
        args.replaceInStrings(QStringLiteral("PROFILE"),
                              Write("p.json", R"({"tessaro_profile": 1, "settings": {"horn": "Open",
                "start_bit": 3, "card_output_format": "ASCII", "card_prefix": {"text": "ID"},
                "card_suffix": {"hex": "0d0a"}}})"));
        args.replaceInStrings(
            QStringLiteral("TYPO"),
            Write("typo.json", R"({"tessaro_profile": 1, "settings": {"ligth": "Open"}})"));
        args.replaceInStrings(
            QStringLiteral("NO_FORMAT"),
            Write("no-format.json",
                  R"({"tessaro_profile": 1, "settings": {"card_prefix": {"text": "ID"}}})"));

        QProcess ctl;
        ctl.start(QStringLiteral(TESSAROCTL_PATH), args);
        QVERIFY(ctl.waitForStarted());
        SimProcess announcer;
        if (args[0] == QLatin1String("discover")) {
            // Announcing every second: one of them comes while discover listens.
            QVERIFY(announcer.Start({"--listen", "127.0.0.1:0", "--target", "127.0.0.1:24583",
                                     "--name", "Door-A", "--announce-every", "1"}));
        }
        QVERIFY(ctl.waitForFinished(30000));
        const QByteArray out = ctl.readAllStandardOutput();
        QVERIFY2(ctl.exitCode() == exitCode,
                 qPrintable(QStringLiteral("exit %1\n%2%3")
                                .arg(ctl.exitCode())
                                .arg(QString::fromUtf8(out),
                                     QString::fromUtf8(ctl.readAllStandardError()))));
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(out, &error);
        QVERIFY2(error.error == QJsonParseError::NoError, out.constData());
        const QJsonValue root =
            document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
        // Something to check beyond the document's own type, except where the machine decides.
        if (args[0] != QLatin1String("ports")) {
            QVERIFY(root.isObject() || !root.toArray().isEmpty());
        }
        const QStringList wrong = Mismatches(root, Shape(shape));
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u'\n') + u'\n' + QString::fromUtf8(out)));
    }
};

QTEST_GUILESS_MAIN(TessaroctlJsonTest)
#include "tessaroctl_json_test.moc"
