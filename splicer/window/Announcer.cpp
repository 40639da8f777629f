#include "window/Announcer.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace {

QAccessibleInterface* notificationFactory(const QString& className, QObject* object) {
    if ((className == QLatin1String("Announcer") || className == QLatin1String("AnnouncerVoice")) &&
        object && object->isWidgetType()) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Notification);
    }
    return nullptr;
}

} // namespace

Announcer::Announcer(QWidget* parent) : QWidget(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(notificationFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setObjectName(QStringLiteral("announcer"));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(0, 0, 0, 0);
}

// The screen reader hears of a notification that comes into view and speaks its name: the
// same text twice in a row is spoken twice.
void Announcer::announce(const QString& text) {
    m_last = (m_last + 1) % kVoices;
    if (m_last == m_voices.size()) {
        // A new voice is heard when it first comes into view.
        auto* voice = new AnnouncerVoice(this);
        voice->setFocusPolicy(Qt::NoFocus);
        voice->setAttribute(Qt::WA_TransparentForMouseEvents);
        voice->setGeometry(0, 0, 0, 0);
        voice->setAccessibleName(text);
        m_voices << voice;
        voice->show();
    } else {
        AnnouncerVoice* voice = m_voices[m_last];
        voice->setAccessibleName(text);
        QAccessibleEvent shown(voice, QAccessible::ObjectShow);
        QAccessible::updateAccessibility(&shown);
    }
    emit announced(text);
}
