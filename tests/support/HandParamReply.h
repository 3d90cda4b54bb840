// A parameter reply laid out by hand: header, 176-byte record, CR LF. Every field differs from
// the dialog's defaults, so a display that misses one shows.
#pragma once

#include <QByteArray>

#include <functional>

inline QByteArray HandParamReply(const std::function<void(QByteArray&)>& edit = {}) {
    QByteArray r(176, '\0');
    r[0] = 3;                                          // Output format: RS485
    r[1] = 2;                                          // Card input format: 8H10D
    r[2] = 0;                                          // No enter
    r[3] = 1;                                          // Line Feed
    r[4] = char(0x00), r[5] = char(0xC2), r[6] = 0x01; // 115200
    r[8] = 7;                                          // data bits
    r[9] = 2;                                          // stop bits
    r[10] = 1, r[11] = 1, r[12] = 2, r[13] = 2, r[14] = 1, r[15] = 1;
    r[16] = 2; // barcode prefix 0D 0A
    r[20] = 0x0D, r[21] = 0x0A;
    r[52] = 3; // barcode suffix XYZ
    r[56] = 'X', r[57] = 'Y', r[58] = 'Z';
    r[88] = 2; // card prefix 01 AB
    r[92] = 0x01, r[93] = char(0xAB);
    r[124] = 2; // card suffix "ok"
    r[128] = 'o', r[129] = 'k';
    r[160] = char(0xC4), r[161] = 0x09; // high pulse 2500
    r[164] = char(0xF4), r[165] = 0x01; // low pulse 500
    r[168] = 1, r[169] = 2, r[170] = 7; // WG order, card number format, start bit 7
    if (edit) {
        edit(r);
    }
    return QByteArray::fromHex("0502B600") + r + QByteArray::fromHex("0D0A");
}
