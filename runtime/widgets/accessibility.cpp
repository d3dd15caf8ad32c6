#include "accessibility.h"

#include "browser.h"
#include "planebox.h"

#include <QAccessibleWidget>

namespace tavrilo {

namespace {

class CounterAccessible : public QAccessibleWidget {
public:
    explicit CounterAccessible(QLabel *counter)
        : QAccessibleWidget(counter, QAccessible::StaticText)
    {}
    // Not the caption when there is no count, as Qt would have it for a label's buddy: a screen
    // review would read the caption twice.
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? static_cast<const QLabel *>(widget())->text()
                                      : QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *accessibleRole(const QString &key, QObject *object)
{
    const auto is = [&key](const QMetaObject &type) {
        return key == QLatin1String(type.className());
    };
    if (is(PlaneBox::staticMetaObject))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Graphic);
    if (is(CounterLabel::staticMetaObject))
        return new CounterAccessible(static_cast<QLabel *>(object));
    // A notification, not an alert: on AT-SPI a screen reader (Orca) speaks a notification that
    // starts showing wherever the focus is, and drops an alert that does.
    if (is(AlertLabel::staticMetaObject) || is(Notifier::staticMetaObject))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Notification);
    return nullptr;
}

} // namespace

void announce(QWidget *widget)
{
    // In a browser the page's live region speaks the news; a notification shown there would stay
    // in the page's tree, stale, long after it was said.
    if (browser::pageListens()) {
        browser::say(widget->accessibleName());
        return;
    }
    // On AT-SPI the notification's state "showing" is set anew.
    QAccessibleEvent event(widget, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&event);
}

void installAccessibleRoles()
{
    static const bool installed = (QAccessible::installFactory(accessibleRole), true);
    Q_UNUSED(installed);
}

} // namespace tavrilo
