#include "titlebar/TitleBarAccessibleFactory.h"

#include "titlebar/ButtonImage.h"
#include "titlebar/TitelBar.h"

#include <QAccessibleWidget>

namespace {

// A title bar would reach a screen reader here as a text field; a bar of buttons it is.
class TitelBarAccessible : public QAccessibleWidget {
public:
    explicit TitelBarAccessible(TitelBar* bar) : QAccessibleWidget(bar, QAccessible::ToolBar) {}

    QString text(QAccessible::Text t) const override {
        const QString own = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && own.isEmpty()) {
            return static_cast<const TitelBar*>(widget())->Caption();
        }
        return own;
    }
};

class ButtonImageAccessible : public QAccessibleWidget {
public:
    explicit ButtonImageAccessible(ButtonImage* button)
        : QAccessibleWidget(button, QAccessible::Button) {}

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (!button()->isUsable()) {
            s.disabled = true;
        }
        return s;
    }
    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (button()->isUsable()) {
            names.prepend(pressAction());
        }
        return names;
    }
    void doAction(const QString& action) override {
        if (action == pressAction()) {
            button()->trigger();
            return;
        }
        QAccessibleWidget::doAction(action);
    }

private:
    ButtonImage* button() const { return static_cast<ButtonImage*>(widget()); }
};

} // namespace

void TitleBarAccessibleFactory::install() {
    static const bool installed = [] {
        QAccessible::installFactory(&TitleBarAccessibleFactory::create);
        return true;
    }();
    Q_UNUSED(installed);
}

QAccessibleInterface* TitleBarAccessibleFactory::create(const QString& className, QObject* object) {
    if (className == QLatin1String("TitelBar")) {
        if (auto* bar = qobject_cast<TitelBar*>(object)) {
            return new TitelBarAccessible(bar);
        }
    }
    if (className == QLatin1String("ButtonImage")) {
        if (auto* button = qobject_cast<ButtonImage*>(object)) {
            return new ButtonImageAccessible(button);
        }
    }
    return nullptr;
}
