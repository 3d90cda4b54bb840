// The profile file: UTF-8 JSON read strictly (anything it cannot place exactly is refused, with
// the key named) and written atomically, keys in their fixed order.
#pragma once

#include "profile/Profile.h"

#include <QByteArray>
#include <QString>

#include <optional>

struct ProfileReadResult {
    std::optional<Profile> profile;
    QString error; // set when refused
};

ProfileReadResult ParseProfile(const QByteArray& json);
ProfileReadResult ReadProfileFile(const QString& path);

// The file's text. Affixes given as text are written as text while every byte is printable
// ASCII; all others as lower-case hexadecimal.
QByteArray ProfileJson(const Profile& profile);
// Replaces the file whole or not at all. On failure, error says why and the old file stays.
bool WriteProfileFile(const QString& path, const Profile& profile, QString* error);

struct SettingResult {
    std::optional<ProfileKey> key;
    ProfileValue value;
    QString error; // set when refused
};

// One KEY=VALUE as typed in a shell: horn=Open, baud_rate=9600, barcode_prefix=text:QR:,
// barcode_suffix=hex:0d0a. Checked as a profile file's setting is.
SettingResult ParseSetting(const QString& keyValue);
