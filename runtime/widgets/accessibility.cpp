#include "accessibility.h"

#include "planebox.h"

#include <QAccessibleWidget>

namespace tavrilo {

namespace {

QAccessibleInterface *accessibleRole(const QString &key, QObject *object)
{
    const auto is = [&key](const QMetaObject &type) {
        return key == QLatin1String(type.className());
    };
    if (is(PlaneBox::staticMetaObject))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Graphic);
    if (is(AlertLabel::staticMetaObject))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::AlertMessage);
    return nullptr;
}

} // namespace

void announce(QWidget *widget)
{
    // On AT-SPI an alert that starts showing is spoken wherever the focus is.
    QAccessibleEvent event(widget, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&event);
}

void installAccessibleRoles()
{
    static const bool installed = (QAccessible::installFactory(accessibleRole), true);
    Q_UNUSED(installed);
}

} // namespace tavrilo
