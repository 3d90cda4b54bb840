// A capture's lines as a QStringList, for QCOMPARE, contains() and filter().
#pragma once

#include "tests/support/TraceCapture.h"

#include <QString>
#include <QStringList>

inline QStringList TraceList(const TraceCapture& capture) {
    QStringList list;
    for (const std::string& line : capture.lines()) {
        list << QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
    }
    return list;
}
