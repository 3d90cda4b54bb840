// The key table: every row consistent with itself and with the commands it names, and each key
// read from its own field of the record.
#include "profile/Profile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using K = ProfileKey;

TEST(KeyTable, RowsAreConsistent) {
    // The setting commands a profile may use (the parameter query and the record commands not).
    const std::set<int> settingCommands = {0x06, 0x08, 0x0A, 0x0C, 0x0E, 0x10, 0x12,
                                           0x16, 0x1C, 0x26, 0x28, 0x2A, 0x2C};
    std::set<std::string> names;
    std::map<int, std::vector<int>> fieldsOfCommand;
    ASSERT_EQ(ProfileKeys().size(), 23u);
    for (std::size_t i = 0; i < ProfileKeys().size(); ++i) {
        const KeyInfo& info = ProfileKeys()[i];
        const std::string name = info.name;
        SCOPED_TRACE(name);
        EXPECT_EQ(static_cast<std::size_t>(info.key), i) << "rows follow the key order";
        EXPECT_TRUE(names.insert(name).second) << "name given twice";
        for (const char c : name) {
            EXPECT_TRUE(std::islower(static_cast<unsigned char>(c)) || c == '_');
        }
        EXPECT_EQ(FindKey(name), info.key);
        EXPECT_TRUE(settingCommands.count(info.cmdId)) << int(info.cmdId);
        fieldsOfCommand[info.cmdId].push_back(info.field);
        switch (info.kind) {
        case KeyKind::List:
            EXPECT_FALSE(info.items.empty());
            EXPECT_FALSE(info.listed);
            break;
        case KeyKind::Integer:
            if (info.listed) {
                ASSERT_FALSE(info.items.empty());
                for (const char* item : info.items) {
                    EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(item[0]))) << item;
                }
            } else {
                EXPECT_LT(info.min, info.max);
            }
            break;
        case KeyKind::Affix:
            EXPECT_TRUE(info.items.empty());
            EXPECT_TRUE(info.reported.affix && info.reported.number);
            break;
        }
        const int places = (info.reported.byte ? 1 : 0) + (info.reported.number ? 1 : 0) +
                           (info.reported.affix ? 1 : 0);
        EXPECT_EQ(places,
                  info.kind == KeyKind::Affix ? 2 : (info.key == K::CardOutputFormat ? 0 : 1));
    }
    // A command's keys fill its payload fields 0, 1, ... once each.
    for (auto& [cmdId, fields] : fieldsOfCommand) {
        std::sort(fields.begin(), fields.end());
        for (std::size_t f = 0; f < fields.size(); ++f) {
            EXPECT_EQ(fields[f], int(f)) << "command " << cmdId;
        }
    }
}

TEST(KeyTable, EachKeyReadFromItsOwnField) {
    SerialParamRecord r;
    r.outputFormat = 1;
    r.cardInputFormat = 2;
    r.hidEnter = 3;
    r.lineFeed = 4;
    r.baudRate = 70000;
    r.dataBits = 6;
    r.stopBits = 7;
    r.parity = 8;
    r.qrOutputFormat = 9;
    r.resetInterval = 10;
    r.workingMode = 11;
    r.horn = 12;
    r.light = 13;
    r.barcodePrefixLen = 1;
    r.barcodePrefix = {'a', 'x'};
    r.barcodeSuffixLen = 2;
    r.barcodeSuffix = {'b', 'y'};
    r.cardPrefixLen = 1;
    r.cardPrefix = {'c'};
    r.cardSuffixLen = 1;
    r.cardSuffix = {0x01};
    r.wgHighPulse = 90000;
    r.wgLowPulse = 80000;
    r.wgOutputOrder = 21;
    r.cardNumberFormat = 22;
    r.startBit = 23;
    const struct {
        ProfileKey key;
        std::int32_t number;
        const char* affix; // the bytes as written, for affixes
    } rows[] = {
        {K::OutputFormat, 1, nullptr},
        {K::CardInputFormat, 2, nullptr},
        {K::Enter, 3, nullptr},
        {K::LineFeed, 4, nullptr},
        {K::BaudRate, 70000, nullptr},
        {K::DataBits, 6, nullptr},
        {K::StopBits, 7, nullptr},
        {K::Parity, 8, nullptr},
        {K::QrOutputFormat, 9, nullptr},
        {K::ResetInterval, 10, nullptr},
        {K::WorkingMode, 11, nullptr},
        {K::Horn, 12, nullptr},
        {K::Light, 13, nullptr},
        {K::BarcodePrefix, 0, "text:a"},
        {K::BarcodeSuffix, 0, "text:by"},
        {K::CardPrefix, 0, "text:c"},
        {K::CardSuffix, 0, "hex:01"},
        {K::WiegandHighPulse, 90000, nullptr},
        {K::WiegandLowPulse, 80000, nullptr},
        {K::WiegandOutputOrder, 21, nullptr},
        {K::CardNumberFormat, 22, nullptr},
        {K::StartBit, 23, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(Info(row.key).name);
        const auto value = ReaderValue(row.key, r);
        ASSERT_TRUE(value.has_value());
        if (row.affix) {
            EXPECT_EQ(ValueText(row.key, *value), row.affix);
        } else {
            EXPECT_EQ(value->number, row.number);
        }
    }
    EXPECT_FALSE(ReaderValue(K::CardOutputFormat, r).has_value());
}

} // namespace
