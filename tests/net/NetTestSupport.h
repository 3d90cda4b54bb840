// Shared by the dialog tests of the network channel: a reader played on a loopback socket and
// datagrams written out byte by byte.
#pragma once

#include "tests/support/ByteList.h"
#include "ui/TessaroDlg.h"

#include <QByteArray>
#include <QHostAddress>
#include <QUdpSocket>

#include <initializer_list>
#include <string>

// A reader on 127.0.0.1 at any free port.
class FakeReader {
public:
    explicit FakeReader(quint16 port = 0) {
        m_bound = m_socket.bind(QHostAddress::LocalHost, port);
    }
    bool bound() const { return m_bound; }
    void send(const CTessaroDlg& dlg, const QByteArray& datagram) {
        m_socket.writeDatagram(datagram, QHostAddress::LocalHost, dlg.LocalUdpPort());
    }
    QUdpSocket& socket() { return m_socket; }

private:
    QUdpSocket m_socket;
    bool m_bound = false;
};

inline void Put(QByteArray& b, int offset, std::initializer_list<int> bytes) {
    for (const int v : bytes) {
        b[offset++] = static_cast<char>(v);
    }
}

inline void PutText(QByteArray& b, int offset, const QByteArray& text) {
    for (int i = 0; i < text.size(); ++i) {
        b[offset + i] = text[i];
    }
}

// 05 03 00 00, then the 96-byte record: name, address field bytes as given, server port.
inline QByteArray Discovery(const QByteArray& name,
                            std::initializer_list<int> address = {0, 0, 0, 0},
                            int serverPortLow = 0) {
    QByteArray d = Bytes({0x05, 0x03, 0x00, 0x00});
    QByteArray record(96, '\0');
    PutText(record, 0, name.left(16));
    Put(record, 20, address);
    Put(record, 88, {serverPortLow});
    return d + record;
}

// 05 01 00 00, 16 unused bytes, then the version text.
inline QByteArray Version(const QByteArray& text) {
    return Bytes({0x05, 0x01, 0x00, 0x00}) + QByteArray(16, '\0') + text;
}
