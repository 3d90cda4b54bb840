#include "ui/IPAddressCtrl.h"

#include <QFontMetrics>
#include <QStringList>
#include <QValidator>

namespace {

// Up to four dot-separated fields of up to three digits; a field above 255 is refused while
// typing, and so is a fourth dot. Written out rather than as a regular expression: compiling
// one costs more than building the whole address box.
class AddressValidator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int& /*pos*/) const override {
        int dots = 0;
        int digits = 0;
        int field = 0;
        for (const QChar c : input) {
            if (c == u'.') {
                if (++dots > 3) {
                    return Invalid;
                }
                digits = 0;
                field = 0;
                continue;
            }
            if (c < u'0' || c > u'9' || ++digits > 3) {
                return Invalid;
            }
            field = field * 10 + (c.unicode() - u'0');
            // Three digits stand for 100 to 255 only: "099" or "256" is no field.
            if (digits == 3 && (field < 100 || field > 255)) {
                return Invalid;
            }
        }
        return Acceptable;
    }
};

} // namespace

CIPAddressCtrl::CIPAddressCtrl(QWidget* parent) : QLineEdit(parent) {
    setValidator(new AddressValidator(this));
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
