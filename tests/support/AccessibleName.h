// What a screen reader announces for a widget: the name its accessibility interface reports.
#pragma once

#include <QAccessible>
#include <QString>
#include <QWidget>

inline QString AccessibleName(QWidget* widget) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    return iface ? iface->text(QAccessible::Name) : QString();
}
