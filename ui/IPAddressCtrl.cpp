#include "ui/IPAddressCtrl.h"

#include <QFontMetrics>
#include <QRegularExpressionValidator>
#include <QStringList>

CIPAddressCtrl::CIPAddressCtrl(QWidget* parent) : QLineEdit(parent) {
    // Up to four fields of up to three digits; a field above 255 is refused while typing.
    static const QRegularExpression pattern(
        QStringLiteral("^((25[0-5]|2[0-4]\\d|1?\\d?\\d)?\\.){0,3}(25[0-5]|2[0-4]\\d|1?\\d?\\d)?$"));
    setValidator(new QRegularExpressionValidator(pattern, this));
    // Room for the widest address, so no field is ever scrolled out of view.
    setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("255.255.255.255")) + 16);
}

void CIPAddressCtrl::SetAddress(std::uint32_t address) {
    setText(QStringLiteral("%1.%2.%3.%4")
                .arg(address >> 24)
                .arg((address >> 16) & 0xFF)
                .arg((address >> 8) & 0xFF)
                .arg(address & 0xFF));
}

std::uint32_t CIPAddressCtrl::GetAddress() const {
    const QStringList fields = text().split(QLatin1Char('.'));
    std::uint32_t address = 0;
    for (int i = 0; i < 4; ++i) {
        unsigned field = 0;
        if (i < fields.size()) {
            bool ok = false;
            const unsigned v = fields[i].trimmed().toUInt(&ok);
            if (ok) {
                field = v > 255 ? 255 : v;
            }
        }
        address = (address << 8) | field;
    }
    return address;
}
