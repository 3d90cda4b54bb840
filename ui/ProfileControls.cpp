#include "ui/ProfileControls.h"

#include "core/HexText.h"
#include "serial/SettingPayloads.h"
#include "ui/CatalogText.h"
#include "ui/ControlCatalog.h"
#include "ui/TessaroDlg.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>

#include <string>
#include <string_view>

namespace {

enum class Holder {
    ListIndex,  // the list position is the value
    ListNumber, // the number in the selected item's text is the value
    IntBox,     // an int box
    Affix,      // a text box read by its format list
};

// Which control holds a key; what kind of value it holds comes from the key table.
struct Binding {
    ProfileKey key;
    int id;
    int formatId = 0; // affixes: the format list that says how the box is read
};

constexpr Binding BINDINGS[] = {
    {ProfileKey::OutputFormat, IDC_OUTPUT_FORMAT},
    {ProfileKey::CardInputFormat, IDC_CARD_INPUT_FORMAT},
    {ProfileKey::Enter, IDC_ENTER_KEY},
    {ProfileKey::LineFeed, IDC_LINE_FEED},
    {ProfileKey::BaudRate, IDC_READER_BAUD},
    {ProfileKey::DataBits, IDC_DATA_BIT},
    {ProfileKey::StopBits, IDC_STOP_BIT},
    {ProfileKey::Parity, IDC_PARITY},
    {ProfileKey::QrOutputFormat, IDC_QR_OUTPUT_FORMAT},
    {ProfileKey::ResetInterval, IDC_RESET_INTERVAL},
    {ProfileKey::WorkingMode, IDC_WORKING_MODE},
    {ProfileKey::Horn, IDC_HORN},
    {ProfileKey::Light, IDC_LIGHT},
    {ProfileKey::BarcodePrefix, IDC_BARCODE_PREFIX, IDC_BARCODE_AFFIX_FORMAT},
    {ProfileKey::BarcodeSuffix, IDC_BARCODE_SUFFIX, IDC_BARCODE_AFFIX_FORMAT},
    {ProfileKey::CardPrefix, IDC_CARD_PREFIX, IDC_CARD_AFFIX_FORMAT},
    {ProfileKey::CardSuffix, IDC_CARD_SUFFIX, IDC_CARD_AFFIX_FORMAT},
    {ProfileKey::CardOutputFormat, IDC_SERIAL_OUTPUT_FORMAT},
    {ProfileKey::WiegandHighPulse, IDC_HIGH_PULSE},
    {ProfileKey::WiegandLowPulse, IDC_LOW_PULSE},
    {ProfileKey::WiegandOutputOrder, IDC_WG_OUTPUT_ORDER},
    {ProfileKey::CardNumberFormat, IDC_CARD_NUMBER_FORMAT},
    {ProfileKey::StartBit, IDC_START_BIT},
};

// A key with a list is held by a list control: by the number in its item's text when its value
// must be one of them, else by position (the start bit's item i reads "i").
Holder HolderOf(ProfileKey key) {
    const KeyInfo& info = Info(key);
    if (info.kind == KeyKind::Affix) {
        return Holder::Affix;
    }
    if (info.items.empty()) {
        return Holder::IntBox;
    }
    return info.listed ? Holder::ListNumber : Holder::ListIndex;
}

std::string Local8(const QString& text) {
    return text.toLocal8Bit().toStdString();
}

bool IsHexFormat(const CTessaroDlg& dlg, int formatId) {
    return dlg.combo(formatId)->currentIndex() == AFFIX_FORMAT_HEX;
}

// The bytes a box stands for, as its "Set up" button would send them.
Bytes BoxBytes(const CTessaroDlg& dlg, int boxId, bool hex) {
    return AffixBytes(hex ? AFFIX_FORMAT_HEX : AFFIX_FORMAT_ASCII, Local8(dlg.edit(boxId)->text()));
}

QString BoxText(std::span<const std::uint8_t> bytes, bool hex) {
    if (hex) {
        return QString::fromStdString(HexText(bytes, HexDigits::Lower, false));
    }
    return QString::fromLocal8Bit(reinterpret_cast<const char*>(bytes.data()),
                                  qsizetype(bytes.size()));
}

const Binding* OtherOfPair(const Binding& b) {
    for (const Binding& other : BINDINGS) {
        if (other.formatId != 0 && other.formatId == b.formatId && other.id != b.id) {
            return &other;
        }
    }
    return nullptr;
}

} // namespace

ControlsProfile ProfileFromControls(const CTessaroDlg& dlg) {
    ControlsProfile out;
    for (const Binding& b : BINDINGS) {
        ProfileValue value;
        switch (HolderOf(b.key)) {
        case Holder::ListIndex:
            value = ProfileValue::Number(dlg.combo(b.id)->currentIndex());
            break;
        case Holder::ListNumber:
            value = ProfileValue::Number(
                NumberFromText(Local8(ItemData(dlg.combo(b.id), dlg.combo(b.id)->currentIndex()))));
            break;
        case Holder::IntBox: {
            bool ok = false;
            value = ProfileValue::Number(dlg.edit(b.id)->text().trimmed().toInt(&ok));
            if (!ok) {
                out.problems << QCoreApplication::translate("ProfileControls",
                                                            "%1: not a number: %2")
                                    .arg(QLatin1String(Info(b.key).name), dlg.edit(b.id)->text());
                continue;
            }
            break;
        }
        case Holder::Affix: {
            Bytes bytes = BoxBytes(dlg, b.id, IsHexFormat(dlg, b.formatId));
            const bool text = IsPrintableAscii(bytes);
            value = ProfileValue::Affix(std::move(bytes), text);
            break;
        }
        }
        if (const std::string why = CheckValue(b.key, value); !why.empty()) {
            out.problems << QString::fromStdString(why);
            continue;
        }
        out.profile.Set(b.key, std::move(value));
    }
    return out;
}

void ProfileToControls(CTessaroDlg& dlg, const Profile& profile) {
    for (const Binding& b : BINDINGS) {
        const auto& value = profile.Get(b.key);
        if (!value) {
            continue;
        }
        switch (HolderOf(b.key)) {
        case Holder::ListIndex:
            dlg.combo(b.id)->setCurrentIndex(value->number);
            break;
        case Holder::ListNumber:
            dlg.SelectListByNumber(b.id, value->number);
            break;
        case Holder::IntBox:
            dlg.edit(b.id)->setText(QString::number(value->number));
            break;
        case Holder::Affix: {
            const Binding& other = *OtherOfPair(b);
            const bool wasHex = IsHexFormat(dlg, b.formatId);
            const auto& otherValue = profile.Get(other.key);
            // Text shows as text only while the pair's other box can stay text too.
            const Bytes otherBytes =
                otherValue ? otherValue->affix.bytes : BoxBytes(dlg, other.id, wasHex);
            const bool hex = !value->affix.text ||
                             (otherValue ? !otherValue->affix.text : !IsPrintableAscii(otherBytes));
            dlg.combo(b.formatId)->setCurrentIndex(hex ? AFFIX_FORMAT_HEX : AFFIX_FORMAT_ASCII);
            dlg.edit(b.id)->setText(BoxText(value->affix.bytes, hex));
            if (hex != wasHex && !otherValue) {
                dlg.edit(other.id)->setText(BoxText(otherBytes, hex));
            }
            break;
        }
        }
    }
}

namespace {

const Binding* BindingOf(ProfileKey key) {
    for (const Binding& b : BINDINGS) {
        if (b.key == key) {
            return &b;
        }
    }
    return nullptr;
}

} // namespace

QString KeyCaption(ProfileKey key) {
    const Binding* b = BindingOf(key);
    const ControlSpec* spec = b ? FindControlSpec(b->id) : nullptr;
    if (!spec) {
        return QLatin1String(Info(key).name);
    }
    const QString caption = CatalogText(spec->caption);
    for (const ControlSpec& other : ControlCatalog()) {
        if (other.id != spec->id && other.group != ControlGroup::Hidden &&
            std::string_view(other.caption) == spec->caption) {
            for (const GroupSpec& g : GroupCatalog()) {
                if (g.group == spec->group && *g.caption) {
                    return CatalogText(g.caption) + QStringLiteral(": ") + caption;
                }
            }
        }
    }
    return caption;
}

QString KeyValueShown(ProfileKey key, const std::string& value) {
    const Binding* b = BindingOf(key);
    const QString text = QString::fromStdString(value);
    return b && HolderOf(b->key) == Holder::ListIndex ? ListItemText(value.c_str()) : text;
}
