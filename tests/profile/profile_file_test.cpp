// The profile file: what it refuses and why, how it is written, a reader's profile coming back
// unchanged, and a failed write leaving the old file alone.
#include "tests/support/ProfileFixtures.h"

#include "profile/ProfileFile.h"
#include "profile/ProfilePlan.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#ifdef __unix__
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using K = ProfileKey;

struct RefusalCase {
    const char* name;
    const char* json;
    const char* error;
};

// Rows print as their names, in failures and in test lists.
void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

class ProfileRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(ProfileRefusal, NamesTheKey) {
    const ProfileReadResult read = ParseProfile(GetParam().json);
    EXPECT_FALSE(read.profile.has_value());
    EXPECT_EQ(read.error.toStdString(), GetParam().error);
}

#define SETTINGS(body) "{\"tessaro_profile\": 1, \"settings\": {" body "}}"

INSTANTIATE_TEST_SUITE_P(
    Files, ProfileRefusal,
    ::testing::Values(
        RefusalCase{"NotAnObject", "[1]", "not a profile: the file is not a JSON object"},
        RefusalCase{"VersionMissing", R"({"settings": {}})",
                    "tessaro_profile: missing, this is not a Tessaro profile"},
        RefusalCase{"VersionHigher", R"({"tessaro_profile": 2, "settings": {}})",
                    "tessaro_profile: version 2 is newer than this Tessaro reads (1)"},
        RefusalCase{"VersionZero", R"({"tessaro_profile": 0, "settings": {}})",
                    "tessaro_profile: must be a version number, 1"},
        RefusalCase{"VersionNegative", R"({"tessaro_profile": -1, "settings": {}})",
                    "tessaro_profile: must be a version number, 1"},
        RefusalCase{"VersionFraction", R"({"tessaro_profile": 1.5, "settings": {}})",
                    "tessaro_profile: must be a version number, 1"},
        RefusalCase{"VersionAsString", R"({"tessaro_profile": "1", "settings": {}})",
                    "tessaro_profile: must be a version number, 1"},
        RefusalCase{"UnknownTopKey", R"({"tessaro_profile": 1, "colour": 1, "settings": {}})",
                    "colour: unknown key (a profile holds tessaro_profile, description and "
                    "settings)"},
        RefusalCase{"SettingsNotAnObject", R"({"tessaro_profile": 1, "settings": []})",
                    "settings: must be an object"},
        RefusalCase{"UnknownKey", SETTINGS(R"("hron": "Open")"), "hron: unknown key"},
        RefusalCase{"NotAListItem", SETTINGS(R"("horn": "Loud")"),
                    R"(horn: "Loud" is not one of "Close", "Open")"},
        RefusalCase{"BaudNotInList", SETTINGS(R"("baud_rate": 1234)"),
                    "baud_rate: 1234 is not one of 4800, 9600, 14400, 19200, 115200, 256000"},
        RefusalCase{"BaudNotInteger", SETTINGS(R"("baud_rate": 9600.5)"),
                    "baud_rate: must be an integer, one of 4800, 9600, 14400, 19200, 115200, "
                    "256000"},
        RefusalCase{"BaudAsString", SETTINGS(R"("baud_rate": "9600")"),
                    "baud_rate: must be an integer, one of 4800, 9600, 14400, 19200, 115200, "
                    "256000"},
        RefusalCase{"DataBitsHuge", SETTINGS(R"("data_bits": 1e10)"),
                    "data_bits: 10000000000 is not one of 8, 7, 6, 5"},
        RefusalCase{"PulseTooShort", SETTINGS(R"("wiegand_low_pulse_us": 50)"),
                    "wiegand_low_pulse_us: 50 is outside 100 to 100000"},
        // Each range just past both ends; the ends themselves are accepted below.
        RefusalCase{"LowPulseBelow", SETTINGS(R"("wiegand_low_pulse_us": 99)"),
                    "wiegand_low_pulse_us: 99 is outside 100 to 100000"},
        RefusalCase{"LowPulseAbove", SETTINGS(R"("wiegand_low_pulse_us": 100001)"),
                    "wiegand_low_pulse_us: 100001 is outside 100 to 100000"},
        RefusalCase{"HighPulseBelow", SETTINGS(R"("wiegand_high_pulse_us": 99)"),
                    "wiegand_high_pulse_us: 99 is outside 100 to 100000"},
        RefusalCase{"HighPulseAbove", SETTINGS(R"("wiegand_high_pulse_us": 100001)"),
                    "wiegand_high_pulse_us: 100001 is outside 100 to 100000"},
        RefusalCase{"StartBitBelow", SETTINGS(R"("start_bit": -1)"),
                    "start_bit: -1 is outside 0 to 50"},
        RefusalCase{"StartBitTooHigh", SETTINGS(R"("start_bit": 51)"),
                    "start_bit: 51 is outside 0 to 50"},
        RefusalCase{"StopBitsNotInList", SETTINGS(R"("stop_bits": 3)"),
                    "stop_bits: 3 is not one of 1, 2"},
        RefusalCase{"DataBitsNotInList", SETTINGS(R"("data_bits": 4)"),
                    "data_bits: 4 is not one of 8, 7, 6, 5"},
        RefusalCase{"TextAffixTooLong",
                    SETTINGS(R"("barcode_prefix": {"text": "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"})"),
                    "barcode_prefix: 32 bytes, at most 31"},
        RefusalCase{"HexAffixTooLong",
                    SETTINGS(R"("barcode_prefix": {"hex": ")"
                             "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f"
                             R"("})"),
                    "barcode_prefix: 32 bytes, at most 31"},
        RefusalCase{"HexAffixOdd", SETTINGS(R"("barcode_suffix": {"hex": "0d0"})"),
                    R"(barcode_suffix: "0d0" has an odd number of hex digits)"},
        RefusalCase{"HexAffixNotHex", SETTINGS(R"("barcode_suffix": {"hex": "zz"})"),
                    R"(barcode_suffix: "zz" is not hexadecimal)"},
        RefusalCase{"AffixAsPlainString", SETTINGS(R"("card_prefix": "ID")"),
                    R"(card_prefix: must be {"text": "..."} or {"hex": "..."})"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileRefusal, MalformedJson) {
    const ProfileReadResult read = ParseProfile(R"({"tessaro_profile": 1, "settings": )");
    EXPECT_FALSE(read.profile.has_value());
    EXPECT_TRUE(read.error.startsWith(QStringLiteral("not a profile: ")))
        << read.error.toStdString();
}

struct SettingCase {
    const char* name;
    const char* text;
    K key;
    ProfileValue value;
    const char* error;
};

// Rows print as their names, in failures and in test lists.
void PrintTo(const SettingCase& c, std::ostream* os) {
    *os << c.name;
}

class SettingArgument : public ::testing::TestWithParam<SettingCase> {};

TEST_P(SettingArgument, KeyEqualsValue) {
    const SettingCase& c = GetParam();
    const SettingResult parsed = ParseSetting(QString::fromUtf8(c.text));
    EXPECT_EQ(parsed.error.toStdString(), c.error);
    if (std::string(c.error).empty()) {
        EXPECT_EQ(parsed.key, c.key);
        EXPECT_EQ(parsed.value, c.value);
    }
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, SettingArgument,
    ::testing::Values(
        SettingCase{"ListIgnoresCase", "horn=open", K::Horn, Item(1), ""},
        SettingCase{"Baud", "baud_rate=9600", K::BaudRate, Item(9600), ""},
        SettingCase{"StopBitsTwo", "stop_bits=2", K::StopBits, Item(2), ""},
        SettingCase{"LowPulseLeast", "wiegand_low_pulse_us=100", K::WiegandLowPulse, Item(100), ""},
        SettingCase{"LowPulseMost", "wiegand_low_pulse_us=100000", K::WiegandLowPulse, Item(100000),
                    ""},
        SettingCase{"HighPulseLeast", "wiegand_high_pulse_us=100", K::WiegandHighPulse, Item(100),
                    ""},
        SettingCase{"HighPulseMost", "wiegand_high_pulse_us=100000", K::WiegandHighPulse,
                    Item(100000), ""},
        SettingCase{"StartBitLeast", "start_bit=0", K::StartBit, Item(0), ""},
        SettingCase{"StartBitMost", "start_bit=50", K::StartBit, Item(50), ""},
        SettingCase{"TextAffix", "barcode_prefix=text:QR:", K::BarcodePrefix,
                    ProfileValue::Affix({0x51, 0x52, 0x3A}, true), ""},
        SettingCase{"HexAffix", "barcode_suffix=hex:0D0A", K::BarcodeSuffix,
                    ProfileValue::Affix({0x0D, 0x0A}, false), ""},
        SettingCase{"BaudNotANumber",
                    "baud_rate=96OO",
                    K::BaudRate,
                    {},
                    "baud_rate: must be an integer, one of 4800, 9600, 14400, 19200, 115200, "
                    "256000"},
        SettingCase{"NotAListItem",
                    "horn=Loud",
                    K::Horn,
                    {},
                    R"(horn: "Loud" is not one of "Close", "Open")"},
        SettingCase{"AffixWithoutForm",
                    "barcode_prefix=QR",
                    K::BarcodePrefix,
                    {},
                    "barcode_prefix: must be text:... or hex:..."},
        SettingCase{"UnknownKey", "colour=red", K::Horn, {}, "colour: unknown key"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileFileText, WrittenInKeyOrderListsExactAffixesByForm) {
    const ProfileReadResult read = ParseProfile(R"({
        "settings": {"card_suffix": {"text": "\t"}, "barcode_suffix": {"hex": "0D0A"},
                     "horn": "open", "barcode_prefix": {"text": "QR:"}, "baud_rate": 9600,
                     "card_prefix": {"hex": "4944"}},
        "description": "Door", "tessaro_profile": 1})");
    ASSERT_TRUE(read.profile.has_value()) << read.error.toStdString();
    EXPECT_EQ(ProfileJson(*read.profile).toStdString(), R"({
  "tessaro_profile": 1,
  "description": "Door",
  "settings": {
    "baud_rate": 9600,
    "horn": "Open",
    "barcode_prefix": {"text": "QR:"},
    "barcode_suffix": {"hex": "0d0a"},
    "card_prefix": {"hex": "4944"},
    "card_suffix": {"hex": "09"}
  }
}
)");
}

TEST(ProfileFileText, ReaderThroughFileGivesAnEmptyPlan) {
    const SerialParamRecord reader = SampleReader();
    const ReaderProfile fromReader = ProfileFromRecord(reader);
    EXPECT_TRUE(fromReader.skipped.empty());

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("reader.json"));
    QString error;
    ASSERT_TRUE(WriteProfileFile(path, fromReader.profile, &error)) << error.toStdString();
    const ProfileReadResult read = ReadProfileFile(path);
    ASSERT_TRUE(read.profile.has_value()) << read.error.toStdString();

    int keys = 0;
    for (const KeyInfo& info : ProfileKeys()) {
        keys += read.profile->Has(info.key) ? 1 : 0;
    }
    EXPECT_EQ(keys, 22); // all but the card output format
    const Plan plan = MakePlan(*read.profile, reader, false);
    EXPECT_EQ(plan.error, "");
    EXPECT_TRUE(plan.commands.empty());
}

#ifdef __unix__
QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

ino_t Inode(const QString& path) {
    struct stat st {};
    return stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// Written beside the old file and renamed over it: a reader of the file sees the old text or
// the new, never a half.
TEST(ProfileFileText, WriteReplacesTheFileWhole) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("door.json"));
    const QByteArray old = "{\"tessaro_profile\": 1, \"settings\": {}}\n";
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(old);
    }
    const ino_t before = Inode(path);
    ASSERT_NE(before, 0u);
    QString error;
    ASSERT_TRUE(WriteProfileFile(path, MakeProfile({{K::Horn, Item(1)}}), &error))
        << error.toStdString();
    EXPECT_NE(Inode(path), before);
    EXPECT_EQ(Contents(path), "{\n  \"tessaro_profile\": 1,\n  \"settings\": {\n    \"horn\": "
                              "\"Open\"\n  }\n}\n");

    // A write cut off after 16 bytes (the disk full, a quota) leaves the old text.
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(old);
    }
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit cut{16, limit.rlim_max};
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &cut), 0);
    const bool written = WriteProfileFile(
        path, MakeProfile({{K::Horn, Item(1)}, {K::BarcodePrefix, Text("QR:")}}), &error);
    setrlimit(RLIMIT_FSIZE, &limit);
    signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(Contents(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("door.json")});
}

TEST(ProfileFileText, FailedWriteLeavesTheOldFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("door.json"));
    const QByteArray old = "{\"tessaro_profile\": 1, \"settings\": {}}\n";
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(old);
    }
    // The file itself stays writable: only a write in place could succeed.
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0666), 0);
    ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0555), 0);
    // Root writes anywhere: drop to nobody for the attempt.
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(seteuid(65534), 0);
    }
    QString error;
    const bool written = WriteProfileFile(path, MakeProfile({{K::Horn, Item(1)}}), &error);
    if (root) {
        ASSERT_EQ(seteuid(0), 0);
    }
    chmod(QFile::encodeName(dir.path()).constData(), 0755);

    EXPECT_FALSE(written);
    EXPECT_TRUE(error.startsWith(QStringLiteral("cannot write ") + path)) << error.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), old);
}
#endif

} // namespace

// Reading is strict: a key given twice is refused, never the last one taken.
TEST(ProfileRepeatedKey, IsRefusedWithItsPlace) {
    const struct {
        const char* json;
        const char* error; // empty: read
    } cases[] = {
        {SETTINGS(R"("horn": "Open", "horn": "Close")"), "settings.horn: given twice"},
        {SETTINGS(R"("horn": "Open", "\u0068orn": "Close")"), "settings.horn: given twice"},
        {R"({"tessaro_profile": 1, "tessaro_profile": 1, "settings": {}})",
         "tessaro_profile: given twice"},
        {R"({"tessaro_profile": 1, "settings": {"card_prefix": {"text": "A", "text": "B"}}})",
         "settings.card_prefix.text: given twice"},
        {R"({"tessaro_profile": 1, "settings": {"card_prefix": {"text": "A"},)"
         R"( "card_suffix": {"text": "A"}}})",
         ""},
        {SETTINGS(R"("barcode_prefix": {"text": "\"horn\": x"}, "horn": "Open")"), ""},
    };
    for (const auto& c : cases) {
        const ProfileReadResult read = ParseProfile(c.json);
        EXPECT_EQ(read.error.toStdString(), c.error) << c.json;
        EXPECT_EQ(read.profile.has_value(), *c.error == '\0') << c.json;
    }
}
