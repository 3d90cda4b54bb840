// Bytes written out one by one in a test: Bytes({0x05, 0x09, 0x01, 0xFE, 0x01}).
#pragma once

#include <QByteArray>

#include <initializer_list>

inline QByteArray Bytes(std::initializer_list<int> bytes) {
    QByteArray b;
    for (const int v : bytes) {
        b.append(static_cast<char>(v));
    }
    return b;
}
