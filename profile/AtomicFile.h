// Files written whole or not at all: profiles, logs, captures, settings files.
#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>

// Writes data to path through a temporary file renamed over it. The buffer is flushed before
// commit(): commit() renames over the old file even when that last flush fails (a full disk, a
// quota), which would leave a cut file behind.
inline bool WriteFileAtomically(const QString& path, const QByteArray& data,
                                QString* error = nullptr) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.flush() ||
        !file.commit()) {
        if (error) {
            *error = file.errorString();
        }
        return false;
    }
    return true;
}
