#include "window/ReadoutLabel.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace {

class ReadoutAccessible : public QAccessibleWidget {
public:
    explicit ReadoutAccessible(QLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        const auto* label = static_cast<const QLabel*>(widget());
        if (t == QAccessible::Name) {
            return label->accessibleName() + QStringLiteral(", ") + label->text();
        }
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* readoutFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("ReadoutLabel") && object) {
        return new ReadoutAccessible(static_cast<QLabel*>(object));
    }
    return nullptr;
}

} // namespace

ReadoutLabel::ReadoutLabel(const QString& caption, const QString& text, QWidget* parent)
    : QLabel(text, parent) {
    static const bool installed = [] {
        QAccessible::installFactory(readoutFactory);
        return true;
    }();
    Q_UNUSED(installed);
    // A label with a name of its own sends no name change when its text changes.
    setAccessibleName(caption);
}
