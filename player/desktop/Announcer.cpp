#include "desktop/Announcer.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace {

// What a screen reader is told about the announcer: a notification whose name is the text.
class AnnouncerAccessible : public QAccessibleWidget {
public:
    explicit AnnouncerAccessible(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::Notification) {}
};

QAccessibleInterface* announcerFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("Announcer") && object && object->isWidgetType()) {
        return new AnnouncerAccessible(static_cast<QWidget*>(object));
    }
    return nullptr;
}

} // namespace

Announcer::Announcer(QWidget* window) : QWidget(window) {
    static const bool installed = [] {
        QAccessible::installFactory(announcerFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setObjectName(QStringLiteral("announcer"));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(0, 0, 0, 0);
    show();
}

void Announcer::announce(const QString& text) {
    if (text.isEmpty()) {
        return;
    }
    setAccessibleName(text);
    // Screen readers speak a notification when it is shown, so each announcement shows it
    // again, even when the text is the same as the last one.
    QAccessibleEvent shown(this, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
    emit announced(text);
}
