// Windows Tessaro opens stay wholly inside the available area of the dialog's screen: a laptop
// at 1366x768 has less room than the dialog asks for.
#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>

#include <optional>

class QWidget;

// The screen area windows may use (the panels left out) of the screen anchor is on.
QRect AvailableArea(const QWidget* anchor);

// The window frame the window manager draws around anchor; none before it is shown or where
// there is no window manager.
QMargins FrameMargins(const QWidget* anchor);

// Makes window no larger than area (its frame counted as anchor's), then places its frame at
// wanted, or centred on anchor, moved as little as needed to lie inside area.
void PlaceInside(QWidget* window, const QWidget* anchor, std::optional<QPoint> wanted = {});
