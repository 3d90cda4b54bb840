// Profile files: hostile JSON through the strict reader, and the same bytes as one KEY=VALUE.
// A refusal must say why; an accepted profile holds only values its keys allow, and what it
// writes reads back as the same profile.
#include "fuzz/FuzzCheck.h"
#include "profile/Profile.h"
#include "profile/ProfileFile.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cstddef>
#include <cstdint>

namespace {

bool SameProfile(const Profile& a, const Profile& b) {
    return a.description == b.description && a.settings == b.settings;
}

// Worked out apart from the reader: what any accepted file must at least be.
void CheckAcceptedShape(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    FUZZ_CHECK(error.error == QJsonParseError::NoError && doc.isObject());
    const QJsonObject top = doc.object();
    FUZZ_CHECK(top.value(QStringLiteral("tessaro_profile")).toDouble() == PROFILE_VERSION);
    FUZZ_CHECK(top.value(QStringLiteral("settings")).isObject());
    for (const QString& key : top.value(QStringLiteral("settings")).toObject().keys()) {
        FUZZ_CHECK(FindKey(key.toStdString()).has_value());
    }
}

void CheckProfile(const Profile& profile) {
    for (const KeyInfo& info : ProfileKeys()) {
        if (const auto& value = profile.Get(info.key)) {
            FUZZ_CHECK(CheckValue(info.key, *value).empty());
        }
    }
    const QByteArray written = ProfileJson(profile);
    const ProfileReadResult again = ParseProfile(written);
    FUZZ_CHECK(again.profile.has_value() && again.error.isEmpty());
    FUZZ_CHECK(SameProfile(*again.profile, profile));
    FUZZ_CHECK(ProfileJson(*again.profile) == written);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const ProfileReadResult read = ParseProfile(bytes);
    FUZZ_CHECK(read.profile.has_value() == read.error.isEmpty());
    if (read.profile) {
        CheckAcceptedShape(bytes);
        CheckProfile(*read.profile);
    }

    const SettingResult setting = ParseSetting(QString::fromUtf8(bytes));
    // A refused setting still names its key when it has one.
    FUZZ_CHECK(setting.key.has_value() || !setting.error.isEmpty());
    if (setting.error.isEmpty()) {
        FUZZ_CHECK(CheckValue(*setting.key, setting.value).empty());
        Profile one;
        one.Set(*setting.key, setting.value);
        CheckProfile(one);
    }
    return 0;
}
