// An IPv4 address box: four dotted fields whose value is one 32-bit number, first field most
// significant. Blank fields count as 0.
#pragma once

#include <QLineEdit>

#include <cstdint>

class CIPAddressCtrl : public QLineEdit {
    Q_OBJECT
public:
    explicit CIPAddressCtrl(QWidget* parent = nullptr);

    void SetAddress(std::uint32_t address);
    std::uint32_t GetAddress() const;
};
