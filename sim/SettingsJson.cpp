#include "sim/SettingsJson.h"

#include <QFile>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <limits>

namespace {

using sim::ReaderSettings;

struct ByteField {
    const char* key;
    std::uint8_t ReaderSettings::*member;
};

const ByteField BYTE_FIELDS[] = {
    {"outputFormat", &ReaderSettings::outputFormat},
    {"cardInputFormat", &ReaderSettings::cardInputFormat},
    {"enterKey", &ReaderSettings::enterKey},
    {"lineFeed", &ReaderSettings::lineFeed},
    {"dataBits", &ReaderSettings::dataBits},
    {"stopBits", &ReaderSettings::stopBits},
    {"parity", &ReaderSettings::parity},
    {"qrOutputFormat", &ReaderSettings::qrOutputFormat},
    {"resetInterval", &ReaderSettings::resetInterval},
    {"workingMode", &ReaderSettings::workingMode},
    {"horn", &ReaderSettings::horn},
    {"light", &ReaderSettings::light},
    {"hiddenSwitch", &ReaderSettings::hiddenSwitch},
    {"barcodePrefixFormat", &ReaderSettings::barcodePrefixFormat},
    {"barcodeSuffixFormat", &ReaderSettings::barcodeSuffixFormat},
    {"serialOutputFormat", &ReaderSettings::serialOutputFormat},
    {"cardAffixFormat", &ReaderSettings::cardAffixFormat},
    {"wgOutputOrder", &ReaderSettings::wgOutputOrder},
    {"cardNumberFormat", &ReaderSettings::cardNumberFormat},
    {"startBit", &ReaderSettings::startBit},
};

struct IntField {
    const char* key;
    std::int32_t ReaderSettings::*member;
};

const IntField INT_FIELDS[] = {
    {"baudRate", &ReaderSettings::baudRate},
    {"highPulse", &ReaderSettings::highPulse},
    {"lowPulse", &ReaderSettings::lowPulse},
};

struct AffixField {
    const char* key;
    std::vector<std::uint8_t> ReaderSettings::*member;
};

const AffixField AFFIX_FIELDS[] = {
    {"barcodePrefix", &ReaderSettings::barcodePrefix},
    {"barcodeSuffix", &ReaderSettings::barcodeSuffix},
    {"cardPrefix", &ReaderSettings::cardPrefix},
    {"cardSuffix", &ReaderSettings::cardSuffix},
};

const char* const CLOUD_TEXT_KEYS[CLOUD_TEXT_COUNT] = {
    "productName", "productKey", "deviceName", "deviceKey", "publishTopic", "subscribeTopic"};

// Reads one object's keys; the first problem ends the walk with a message naming the key.
class Reader {
public:
    explicit Reader(QString& error) : m_error(error) {}

    bool Fail(const QString& key, const QString& what) {
        m_error = QStringLiteral("%1: %2").arg(key, what);
        return false;
    }

    bool Integer(const QString& key, const QJsonValue& value, double low, double high,
                 long long& out) {
        const double d = value.toDouble(std::numeric_limits<double>::quiet_NaN());
        if (!value.isDouble() || d != std::floor(d) || d < low || d > high) {
            return Fail(key, QStringLiteral("expected a whole number from %1 to %2")
                                 .arg(qlonglong(low))
                                 .arg(qlonglong(high)));
        }
        out = static_cast<long long>(d);
        return true;
    }

    bool Text(const QString& key, const QJsonValue& value, std::size_t maxLen, std::string& out) {
        if (!value.isString()) {
            return Fail(key, QStringLiteral("expected text"));
        }
        const QByteArray bytes = value.toString().toUtf8();
        if (std::size_t(bytes.size()) > maxLen) {
            return Fail(key, QStringLiteral("longer than %1 bytes").arg(maxLen));
        }
        out = bytes.toStdString();
        return true;
    }

    bool Address(const QString& key, const QJsonValue& value, std::uint32_t& out) {
        bool ok = false;
        const QHostAddress address(value.toString());
        const quint32 v = address.toIPv4Address(&ok);
        if (!value.isString() || !ok) {
            return Fail(key, QStringLiteral("expected a dotted IPv4 address"));
        }
        out = v;
        return true;
    }

    // Text as typed, or {"hex": "0d0a"} for bytes that are not text.
    bool Affix(const QString& key, const QJsonValue& value, std::vector<std::uint8_t>& out) {
        QByteArray bytes;
        if (value.isString()) {
            bytes = value.toString().toLocal8Bit();
        } else if (value.isObject() && value.toObject().size() == 1 &&
                   value.toObject().value(QStringLiteral("hex")).isString()) {
            const QByteArray hex =
                value.toObject().value(QStringLiteral("hex")).toString().toLatin1();
            bytes = QByteArray::fromHex(hex);
            if (hex.size() % 2 != 0 || bytes.size() * 2 != hex.size()) {
                return Fail(key, QStringLiteral("expected pairs of hexadecimal digits"));
            }
        } else {
            return Fail(key, QStringLiteral("expected text or {\"hex\": \"...\"}"));
        }
        if (std::size_t(bytes.size()) > sim::AFFIX_MAX_LEN) {
            return Fail(key, QStringLiteral("longer than %1 bytes").arg(sim::AFFIX_MAX_LEN));
        }
        out.assign(bytes.begin(), bytes.end());
        return true;
    }

    bool Network(const QJsonObject& object, sim::NetworkBlock& net) {
        for (auto it = object.begin(); it != object.end(); ++it) {
            const QString key = QStringLiteral("network.") + it.key();
            long long n = 0;
            const QString& k = it.key();
            bool ok = true;
            if (k.startsWith(u'_')) {
                continue;
            } else if (k == u"mode") {
                ok = Integer(key, *it, INT32_MIN, INT32_MAX, n);
                net.netMode = std::int32_t(n);
            } else if (k == u"ip") {
                ok = Address(key, *it, net.ipAddr);
            } else if (k == u"subnetMask") {
                ok = Address(key, *it, net.subnetMask);
            } else if (k == u"gateway") {
                ok = Address(key, *it, net.gateway);
            } else if (k == u"dns1") {
                ok = Address(key, *it, net.dns1);
            } else if (k == u"dns2") {
                ok = Address(key, *it, net.dns2);
            } else if (k == u"serverAddress") {
                ok = Text(key, *it, sim::SERVER_ADDR_MAX_LEN, net.serverAddr);
            } else if (k == u"serverPort") {
                ok = Integer(key, *it, INT32_MIN, INT32_MAX, n);
                net.serverPort = std::int32_t(n);
            } else if (k == u"httpServer") {
                ok = Integer(key, *it, INT32_MIN, INT32_MAX, n);
                net.httpServer = std::int32_t(n);
            } else {
                return Fail(key, QStringLiteral("unknown key"));
            }
            if (!ok) {
                return false;
            }
        }
        return true;
    }

    bool Cloud(const QJsonObject& object, sim::CloudBlock& cloud) {
        for (auto it = object.begin(); it != object.end(); ++it) {
            const QString key = QStringLiteral("cloud.") + it.key();
            const QString& k = it.key();
            long long n = 0;
            bool ok = true;
            bool known = true;
            if (k.startsWith(u'_')) {
                continue;
            } else if (k == u"provider") {
                ok = Integer(key, *it, INT32_MIN, INT32_MAX, n);
                cloud.provider = std::int32_t(n);
            } else if (k == u"serverAddress") {
                ok = Address(key, *it, cloud.serverAddr);
            } else {
                known = false;
                for (std::size_t i = 0; i < CLOUD_TEXT_COUNT; ++i) {
                    if (k == QLatin1StringView(CLOUD_TEXT_KEYS[i])) {
                        known = true;
                        ok = Text(key, *it, sim::CLOUD_TEXT_MAX_LEN, cloud.texts[i]);
                    }
                }
            }
            if (!known) {
                return Fail(key, QStringLiteral("unknown key"));
            }
            if (!ok) {
                return false;
            }
        }
        return true;
    }

    bool Settings(const QJsonObject& object, ReaderSettings& s) {
        for (auto it = object.begin(); it != object.end(); ++it) {
            const QString& key = it.key();
            if (key.startsWith(u'_')) {
                continue;
            }
            if (!Setting(key, *it, s)) {
                return false;
            }
        }
        return true;
    }

private:
    bool Setting(const QString& key, const QJsonValue& value, ReaderSettings& s) {
        long long n = 0;
        for (const ByteField& f : BYTE_FIELDS) {
            if (key == QLatin1StringView(f.key)) {
                if (!Integer(key, value, 0, 255, n)) {
                    return false;
                }
                s.*f.member = std::uint8_t(n);
                return true;
            }
        }
        for (const IntField& f : INT_FIELDS) {
            if (key == QLatin1StringView(f.key)) {
                if (!Integer(key, value, INT32_MIN, INT32_MAX, n)) {
                    return false;
                }
                s.*f.member = std::int32_t(n);
                return true;
            }
        }
        for (const AffixField& f : AFFIX_FIELDS) {
            if (key == QLatin1StringView(f.key)) {
                return Affix(key, value, s.*f.member);
            }
        }
        if (key == u"name") {
            return Text(key, value, sim::NAME_MAX_LEN, s.name);
        }
        if (key == u"version") {
            return Text(key, value, sim::VERSION_MAX_LEN, s.version);
        }
        if (key == u"network" || key == u"cloud") {
            if (!value.isObject()) {
                return Fail(key, QStringLiteral("expected an object"));
            }
            return key == u"network" ? Network(value.toObject(), s.net)
                                     : Cloud(value.toObject(), s.cloud);
        }
        return Fail(key, QStringLiteral("unknown key"));
    }

    QString& m_error;
};

} // namespace

bool LoadReadersJson(const QString& path, std::vector<sim::ReaderSettings>& readers,
                     QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (doc.isNull() || !doc.isObject()) {
        error = QStringLiteral("%1: not a JSON object (%2 at offset %3)")
                    .arg(path, parseError.errorString())
                    .arg(parseError.offset);
        return false;
    }
    const QJsonObject top = doc.object();
    QJsonArray list;
    if (top.contains(QStringLiteral("readers"))) {
        const QJsonValue value = top.value(QStringLiteral("readers"));
        for (auto it = top.begin(); it != top.end(); ++it) {
            if (it.key() != u"readers" && !it.key().startsWith(u'_')) {
                error =
                    QStringLiteral("%1: %2: unknown key beside \"readers\"").arg(path, it.key());
                return false;
            }
        }
        if (!value.isArray() || value.toArray().isEmpty()) {
            error = QStringLiteral("%1: readers: expected a list of reader objects").arg(path);
            return false;
        }
        list = value.toArray();
    } else {
        list.append(top);
    }
    std::vector<sim::ReaderSettings> loaded;
    const ReaderSettings defaults;
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (!list.at(i).isObject()) {
            error = QStringLiteral("%1: reader %2: expected an object").arg(path).arg(i + 1);
            return false;
        }
        ReaderSettings settings = sim::NumberedReader(defaults, int(i + 1));
        QString what;
        Reader reader(what);
        if (!reader.Settings(list.at(i).toObject(), settings)) {
            error = QStringLiteral("%1: reader %2: %3").arg(path).arg(i + 1).arg(what);
            return false;
        }
        loaded.push_back(std::move(settings));
    }
    readers = std::move(loaded);
    return true;
}
