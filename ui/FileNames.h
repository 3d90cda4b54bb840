// Names the user types into a save dialog.
#pragma once

#include <QFileInfo>
#include <QString>

// path with ".suffix" added when the user typed no suffix ("door" becomes "door.json", "door.v2"
// stays): the open dialogs list files by their suffix. Empty (cancelled) stays empty.
inline QString WithDefaultSuffix(const QString& path, const QString& suffix) {
    return path.isEmpty() || !QFileInfo(path).suffix().isEmpty() ? path : path + u'.' + suffix;
}
