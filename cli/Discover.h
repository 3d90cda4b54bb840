// Readers that announce themselves on UDP 24583, heard beside a running Tessaro.
#pragma once

#include "net/DiscoverDev.h"

#include <QJsonObject>
#include <QString>

#include <optional>
#include <vector>

inline constexpr quint16 ANNOUNCE_PORT = 24583;

struct Announced {
    QString address; // where the announcement came from
    DISCOVER_DEV_T dev;
};

// Listens for ms milliseconds; each reader once, in the order first heard. None when the port
// cannot be bound (error says why).
std::optional<std::vector<Announced>> ListenForReaders(int ms, QString* error,
                                                       quint16 port = ANNOUNCE_PORT);

// A discovery reply from sender; none for any other datagram.
std::optional<Announced> ParseAnnouncement(const QByteArray& datagram, const QString& sender);

QJsonObject AnnouncedJson(const Announced& reader);
QString AnnouncedLine(const Announced& reader);
