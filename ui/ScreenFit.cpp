#include "ui/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

QRect AvailableArea(const QWidget* anchor) {
    QScreen* screen = anchor ? anchor->screen() : nullptr;
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    return screen ? screen->availableGeometry() : QRect();
}

QMargins FrameMargins(const QWidget* anchor) {
    if (!anchor || !anchor->isVisible()) {
        return {};
    }
    const QRect frame = anchor->frameGeometry();
    const QRect inner = anchor->geometry();
    return {inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
            frame.bottom() - inner.bottom()};
}

void PlaceInside(QWidget* window, const QWidget* anchor, std::optional<QPoint> wanted) {
    const QRect area = AvailableArea(anchor);
    if (area.isEmpty()) {
        return;
    }
    const QMargins frame = window->isVisible() ? FrameMargins(window) : FrameMargins(anchor);
    const QSize room = area.size().shrunkBy(frame);
    window->resize(window->size().boundedTo(room).expandedTo(window->minimumSize()));
    const QSize outer = window->size().grownBy(frame);
    QPoint at = wanted ? *wanted
                       : (anchor ? anchor->frameGeometry().center() : area.center()) -
                             QPoint(outer.width() / 2, outer.height() / 2);
    at.setX(std::max(area.left(), std::min(at.x(), area.left() + area.width() - outer.width())));
    at.setY(std::max(area.top(), std::min(at.y(), area.top() + area.height() - outer.height())));
    window->move(at);
}
