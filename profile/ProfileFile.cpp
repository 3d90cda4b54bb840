#include "profile/ProfileFile.h"

#include "profile/AtomicFile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>

#include <cmath>
#include <limits>

namespace {

const QString VERSION_KEY = QStringLiteral("tessaro_profile");
const QString DESCRIPTION_KEY = QStringLiteral("description");
const QString SETTINGS_KEY = QStringLiteral("settings");
const QString TEXT_FORM = QStringLiteral("text");
const QString HEX_FORM = QStringLiteral("hex");

// Profiles are a few hundred bytes; anything this large is not one.
constexpr qint64 MAX_FILE_BYTES = 1 << 20;

struct ValueResult {
    ProfileValue value;
    QString error;
};

QString Name(ProfileKey key) {
    return QString::fromLatin1(Info(key).name);
}

ValueResult Refused(ProfileKey key, const QString& why) {
    return {{}, Name(key) + QStringLiteral(": ") + why};
}

// The model's own range and length checks, with its message.
ValueResult Checked(ProfileKey key, ProfileValue value) {
    const std::string why = CheckValue(key, value);
    return {std::move(value), QString::fromStdString(why)};
}

QString Allowed(ProfileKey key) {
    return QString::fromStdString(AllowedValuesText(key));
}

ValueResult NotAnInteger(ProfileKey key) {
    return Refused(key,
                   QStringLiteral("must be an integer%1 %2")
                       .arg(Info(key).listed ? QStringLiteral(", one of") : QStringLiteral(" from"),
                            Allowed(key)));
}

ValueResult ListValue(ProfileKey key, const QString& text) {
    const ChoiceItems items = Info(key).items;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (QString::fromUtf8(items[i]).compare(text, Qt::CaseInsensitive) == 0) {
            return {ProfileValue::Number(static_cast<std::int32_t>(i)), {}};
        }
    }
    return Refused(key, QStringLiteral("\"%1\" is not one of %2").arg(text, Allowed(key)));
}

ValueResult IntegerValue(ProfileKey key, double number) {
    if (!std::isfinite(number) || std::trunc(number) != number) {
        return NotAnInteger(key);
    }
    if (number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::int32_t>::max()) {
        return Refused(key, QStringLiteral("%1 is %2 %3")
                                .arg(QString::number(number, 'g', 17),
                                     Info(key).listed ? QStringLiteral("not one of")
                                                      : QStringLiteral("outside"),
                                     Allowed(key)));
    }
    return Checked(key, ProfileValue::Number(static_cast<std::int32_t>(number)));
}

ValueResult TextAffix(ProfileKey key, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    return Checked(key, ProfileValue::Affix(Bytes(bytes.begin(), bytes.end()), true));
}

ValueResult HexAffix(ProfileKey key, const QString& hex) {
    static const QRegularExpression digits(QStringLiteral("^[0-9A-Fa-f]*$"));
    if (!digits.match(hex).hasMatch()) {
        return Refused(key, QStringLiteral("\"%1\" is not hexadecimal").arg(hex));
    }
    if (hex.size() % 2 != 0) {
        return Refused(key, QStringLiteral("\"%1\" has an odd number of hex digits").arg(hex));
    }
    const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
    return Checked(key, ProfileValue::Affix(Bytes(bytes.begin(), bytes.end()), false));
}

ValueResult AffixFromJson(ProfileKey key, const QJsonValue& json) {
    const QJsonObject object = json.toObject();
    if (!json.isObject() || object.size() != 1 ||
        !(object.contains(TEXT_FORM) || object.contains(HEX_FORM)) ||
        !object.begin().value().isString()) {
        return Refused(key, QStringLiteral("must be {\"text\": \"...\"} or {\"hex\": \"...\"}"));
    }
    const QString text = object.begin().value().toString();
    return object.contains(TEXT_FORM) ? TextAffix(key, text) : HexAffix(key, text);
}

ValueResult ValueFromJson(ProfileKey key, const QJsonValue& json) {
    switch (Info(key).kind) {
    case KeyKind::List:
        if (!json.isString()) {
            return Refused(key, QStringLiteral("must be one of %1").arg(Allowed(key)));
        }
        return ListValue(key, json.toString());
    case KeyKind::Integer:
        if (!json.isDouble()) {
            return NotAnInteger(key);
        }
        return IntegerValue(key, json.toDouble());
    case KeyKind::Affix:
        break;
    }
    return AffixFromJson(key, json);
}

ProfileReadResult Refusal(const QString& why) {
    return {std::nullopt, why};
}

QByteArray JsonString(const QString& text) {
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

QByteArray JsonValue(ProfileKey key, const ProfileValue& value) {
    switch (Info(key).kind) {
    case KeyKind::List:
        return JsonString(QString::fromStdString(ValueText(key, value)));
    case KeyKind::Integer:
        return QByteArray::number(value.number);
    case KeyKind::Affix:
        break;
    }
    const AffixSpelling spelled = SpellAffix(value.affix);
    const QString chars = QString::fromStdString(spelled.chars);
    if (spelled.text) {
        return "{\"text\": " + JsonString(chars) + "}";
    }
    return "{\"hex\": \"" + chars.toLatin1() + "\"}";
}

} // namespace

namespace {

// The first key an object of this (well-formed) JSON text repeats, with its object's path;
// empty when none does. QJsonDocument keeps the last of them silently.
QString RepeatedKey(const QByteArray& json) {
    struct Level {
        bool object;
        QString path;
        QSet<QString> keys;
    };
    std::vector<Level> stack;
    QString pendingKey; // the last string met where an object expects a key
    bool expectKey = false;
    for (qsizetype i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (c == '"') {
            const qsizetype start = ++i;
            while (i < json.size() && json[i] != '"') {
                i += json[i] == '\\' ? 2 : 1;
            }
            if (expectKey) {
                // Compared as decoded: "\u0068orn" is horn.
                const QJsonDocument key =
                    QJsonDocument::fromJson("[\"" + json.mid(start, i - start) + "\"]");
                pendingKey = key.array().at(0).toString();
            }
        } else if (c == ':' && expectKey && !stack.empty()) {
            Level& level = stack.back();
            if (level.keys.contains(pendingKey)) {
                return level.path.isEmpty() ? pendingKey : level.path + u'.' + pendingKey;
            }
            level.keys.insert(pendingKey);
            expectKey = false;
        } else if (c == '{' || c == '[') {
            const QString parent = stack.empty() ? QString() : stack.back().path;
            const QString path = stack.empty() || !stack.back().object
                                     ? parent
                                     : (parent.isEmpty() ? pendingKey : parent + u'.' + pendingKey);
            stack.push_back({c == '{', path, {}});
            expectKey = c == '{';
        } else if (c == '}' || c == ']') {
            if (!stack.empty()) {
                stack.pop_back();
            }
            expectKey = false;
        } else if (c == ',') {
            expectKey = !stack.empty() && stack.back().object;
        }
    }
    return {};
}

} // namespace

ProfileReadResult ParseProfile(const QByteArray& json) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return Refusal(QStringLiteral("not a profile: %1 at byte %2")
                           .arg(parseError.errorString())
                           .arg(parseError.offset));
    }
    if (const QString repeated = RepeatedKey(json); !repeated.isEmpty()) {
        return Refusal(QStringLiteral("%1: given twice").arg(repeated));
    }
    if (!document.isObject()) {
        return Refusal(QStringLiteral("not a profile: the file is not a JSON object"));
    }
    const QJsonObject top = document.object();
    for (auto it = top.begin(); it != top.end(); ++it) {
        if (it.key() != VERSION_KEY && it.key() != DESCRIPTION_KEY && it.key() != SETTINGS_KEY) {
            return Refusal(QStringLiteral("%1: unknown key (a profile holds %2, %3 and %4)")
                               .arg(it.key(), VERSION_KEY, DESCRIPTION_KEY, SETTINGS_KEY));
        }
    }
    const QJsonValue version = top.value(VERSION_KEY);
    if (version.isUndefined()) {
        return Refusal(VERSION_KEY + QStringLiteral(": missing, this is not a Tessaro profile"));
    }
    const double number = version.toDouble(-1);
    if (!version.isDouble() || std::trunc(number) != number || number < 1) {
        return Refusal(VERSION_KEY +
                       QStringLiteral(": must be a version number, %1").arg(PROFILE_VERSION));
    }
    if (number > PROFILE_VERSION) {
        return Refusal(VERSION_KEY + QStringLiteral(": version %1 is newer than this Tessaro "
                                                    "reads (%2)")
                                         .arg(QString::number(number, 'g', 17))
                                         .arg(PROFILE_VERSION));
    }
    Profile profile;
    if (top.contains(DESCRIPTION_KEY)) {
        if (!top.value(DESCRIPTION_KEY).isString()) {
            return Refusal(DESCRIPTION_KEY + QStringLiteral(": must be a string"));
        }
        profile.description = top.value(DESCRIPTION_KEY).toString().toStdString();
    }
    if (!top.contains(SETTINGS_KEY)) {
        return Refusal(SETTINGS_KEY + QStringLiteral(": missing"));
    }
    if (!top.value(SETTINGS_KEY).isObject()) {
        return Refusal(SETTINGS_KEY + QStringLiteral(": must be an object"));
    }
    const QJsonObject settings = top.value(SETTINGS_KEY).toObject();
    for (auto it = settings.begin(); it != settings.end(); ++it) {
        const std::optional<ProfileKey> key = FindKey(it.key().toStdString());
        if (!key) {
            return Refusal(it.key() + QStringLiteral(": unknown key"));
        }
        ValueResult value = ValueFromJson(*key, it.value());
        if (!value.error.isEmpty()) {
            return Refusal(value.error);
        }
        profile.Set(*key, std::move(value.value));
    }
    return {std::move(profile), {}};
}

ProfileReadResult ReadProfileFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return Refusal(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    }
    if (file.size() > MAX_FILE_BYTES) {
        return Refusal(QStringLiteral("not a profile: %1 is larger than 1 MiB").arg(path));
    }
    return ParseProfile(file.readAll());
}

QByteArray ProfileJson(const Profile& profile) {
    QByteArray out =
        "{\n  \"" + VERSION_KEY.toLatin1() + "\": " + QByteArray::number(PROFILE_VERSION) + ",\n";
    if (profile.description) {
        out += "  \"" + DESCRIPTION_KEY.toLatin1() +
               "\": " + JsonString(QString::fromStdString(*profile.description)) + ",\n";
    }
    out += "  \"" + SETTINGS_KEY.toLatin1() + "\": {";
    bool first = true;
    for (const KeyInfo& info : ProfileKeys()) {
        if (const auto& value = profile.Get(info.key)) {
            out += first ? "\n" : ",\n";
            out += QByteArray("    \"") + info.name + "\": " + JsonValue(info.key, *value);
            first = false;
        }
    }
    out += first ? "}\n}\n" : "\n  }\n}\n";
    return out;
}

bool WriteProfileFile(const QString& path, const Profile& profile, QString* error) {
    QString why;
    if (!WriteFileAtomically(path, ProfileJson(profile), &why)) {
        if (error) {
            *error = QStringLiteral("cannot write %1: %2").arg(path, why);
        }
        return false;
    }
    return true;
}

SettingResult ParseSetting(const QString& keyValue) {
    const qsizetype equals = keyValue.indexOf(QLatin1Char('='));
    if (equals < 0) {
        return {std::nullopt, {}, QStringLiteral("%1: expected KEY=VALUE").arg(keyValue)};
    }
    const QString name = keyValue.left(equals);
    const QString text = keyValue.mid(equals + 1);
    const std::optional<ProfileKey> key = FindKey(name.toStdString());
    if (!key) {
        return {std::nullopt, {}, name + QStringLiteral(": unknown key")};
    }
    ValueResult value;
    switch (Info(*key).kind) {
    case KeyKind::List:
        value = ListValue(*key, text);
        break;
    case KeyKind::Integer: {
        static const QRegularExpression integer(QStringLiteral("^-?[0-9]+$"));
        bool ok = false;
        const qlonglong n = text.toLongLong(&ok);
        value = integer.match(text).hasMatch() && ok ? IntegerValue(*key, static_cast<double>(n))
                                                     : NotAnInteger(*key);
        break;
    }
    case KeyKind::Affix:
        if (text.startsWith(TEXT_FORM + QLatin1Char(':'))) {
            value = TextAffix(*key, text.mid(TEXT_FORM.size() + 1));
        } else if (text.startsWith(HEX_FORM + QLatin1Char(':'))) {
            value = HexAffix(*key, text.mid(HEX_FORM.size() + 1));
        } else {
            value = Refused(*key, QStringLiteral("must be text:... or hex:..."));
        }
        break;
    }
    if (!value.error.isEmpty()) {
        return {key, {}, value.error};
    }
    return {key, std::move(value.value), {}};
}
