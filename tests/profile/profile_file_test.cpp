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
        RefusalCase{"StartBitTooHigh", SETTINGS(R"("start_bit": 51)"),
                    "start_bit: 51 is outside 0 to 50"},
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
    ::testing::Values(SettingCase{"ListIgnoresCase", "horn=open", K::Horn, Item(1), ""},
                      SettingCase{"Baud", "baud_rate=9600", K::BaudRate, Item(9600), ""},
                      SettingCase{"TextAffix", "barcode_prefix=text:QR:", K::BarcodePrefix,
                                  ProfileValue::Affix({0x51, 0x52, 0x3A}, true), ""},
                      SettingCase{"HexAffix", "barcode_suffix=hex:0D0A", K::BarcodeSuffix,
                                  ProfileValue::Affix({0x0D, 0x0A}, false), ""},
                      SettingCase{
                          "BaudNotANumber",
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
