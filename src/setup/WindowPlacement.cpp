#include "WindowPlacement.h"

#include "SettingsStore.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace tw::setup {

void WindowPlacement::watch(QWidget *window)
{
    window->installEventFilter(this);
}

void WindowPlacement::restore(QWidget *window) const
{
    QList<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    const QScreen *primary = QGuiApplication::primaryScreen();
    if (!primary)
        return;
    window->move(placeOnScreens(positionFromText(ReadSetting(kWindowPosition)), window->frameGeometry().size(), screens,
                                primary->availableGeometry()));
}

bool WindowPlacement::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Hide) {
        if (auto *window = qobject_cast<QWidget *>(watched); window && window->isWindow())
            WriteSetting(kWindowPosition, positionText(window->pos()));
    }
    return QObject::eventFilter(watched, event);
}

QString positionText(QPoint position)
{
    return QStringLiteral("%1,%2").arg(position.x()).arg(position.y());
}

std::optional<QPoint> positionFromText(const QString &text)
{
    const QStringList parts = text.split(u',');
    if (parts.size() != 2)
        return std::nullopt;
    bool xRead = false;
    bool yRead = false;
    const int x = parts[0].trimmed().toInt(&xRead);
    const int y = parts[1].trimmed().toInt(&yRead);
    if (!xRead || !yRead)
        return std::nullopt;
    return QPoint(x, y);
}

QPoint placeOnScreens(const std::optional<QPoint> &stored, QSize size, const QList<QRect> &screens,
                      const QRect &primary)
{
    if (stored) {
        for (const QRect &screen : screens) {
            if (screen.contains(*stored))
                return *stored;
        }
    }
    return {primary.x() + (primary.width() - size.width()) / 2, primary.y() + (primary.height() - size.height()) / 2};
}

} // namespace tw::setup
