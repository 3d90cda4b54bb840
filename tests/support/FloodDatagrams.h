// Datagrams of every kind a reader, a broken reader or noise on the LAN may send: the mix the
// flood tests pour into the dialog, drawn from a seeded generator so a run can be repeated.
#pragma once

#include "tests/support/ByteList.h"

#include <QByteArray>

#include <array>
#include <iterator>
#include <random>

enum FloodKind {
    Discovery,   // a reader: one more row
    Confirm,     // 05 09 01 FE 01: checksum 0xFF - 0x01
    Version,     // a version announcement
    Params,      // a 568-byte parameter record of random bytes
    Selection,   // acks 19, 21, 23 with one byte and its checksum
    Ignored,     // ids nobody answers with, no checksum
    Short,       // 1 to 3 bytes
    BadSync,     // first byte not 05
    BadChecksum, // checksum byte wrong, or a length past the datagram's end
    Noise,       // 05, an even id, length 0, then up to 4 KiB of random bytes
    Empty,       // no bytes at all
    Oversized,   // longer than the 4096-byte buffer: discarded unread
    KIND_COUNT
};

// Weights out of 100.
inline constexpr int FLOOD_WEIGHTS[KIND_COUNT] = {10, 12, 2, 1, 5, 5, 10, 15, 15, 20, 3, 2};

class FloodDatagrams {
public:
    explicit FloodDatagrams(unsigned seed) : m_rng(seed) {}

    int PickKind() { return m_pick(m_rng); }

    // A datagram of that kind; a discovery record carries name in its name field.
    QByteArray Make(int kind, const QByteArray& name) {
        switch (kind) {
        case Discovery:
            return Bytes({0x05, 0x03, 0x00, 0x00}) + name.left(96) +
                   QByteArray(96 - int(name.left(96).size()), '\0');
        case Confirm:
            return Bytes({0x05, 0x09, 0x01, 0xFE, 0x01});
        case Version:
            return Bytes({0x05, 0x01, 0x00, 0x00}) + QByteArray(16, '\0') +
                   (m_rng() % 2 ? QByteArray("ver_client1_1.1") : Random(48));
        case Params:
            return Bytes({0x05, 0x1F, 0x00, 0x00}) + Random(568);
        case Selection: {
            const int id = 19 + 2 * int(m_rng() % 3);
            const int value = int(m_rng() % 4);
            return Bytes({0x05, id, 0x01, 0xFF - value, value});
        }
        case Ignored:
            return Bytes({0x05, std::array{0, 2, 35, 46, 255}[m_rng() % 5], 0x00, 0x00}) +
                   Random(int(m_rng() % 64));
        case Short:
            return Random(1 + int(m_rng() % 3));
        case BadSync: {
            QByteArray d = Random(4 + int(m_rng() % 600));
            d[0] = static_cast<char>(0x06 + m_rng() % 250);
            return d;
        }
        case BadChecksum:
            // The second: 255 bytes counted, zeros past the end, sum 0: 0xFF expected.
            return m_rng() % 2 ? Bytes({0x05, 0x09, 0x01, 0x00, 0x01})
                               : Bytes({0x05, 0x0B, 0xFF, 0x00, 0x00, 0x00});
        case Noise:
            return Bytes({0x05, 2 * int(m_rng() % 128), 0x00, 0x00}) + Random(int(m_rng() % 4093));
        case Oversized:
            return Bytes({0x05, 0x03, 0x00, 0x00}) + Random(4093 + int(m_rng() % 4000));
        default:
            return {};
        }
    }

private:
    QByteArray Random(int n) {
        QByteArray b(n, '\0');
        for (char& c : b) {
            c = static_cast<char>(m_rng() & 0xFF);
        }
        return b;
    }

    std::mt19937 m_rng;
    std::discrete_distribution<int> m_pick{std::begin(FLOOD_WEIGHTS), std::end(FLOOD_WEIGHTS)};
};
