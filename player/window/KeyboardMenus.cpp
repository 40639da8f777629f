#include "window/KeyboardMenus.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QMenu>
#include <QPointer>
#include <QWidget>

namespace {

QString nameOf(const QWidget* w) {
    QString name = w->accessibleName();
    if (name.isEmpty()) {
        if (const auto* b = qobject_cast<const QAbstractButton*>(w)) {
            name = b->text();
        }
    }
    if (name.isEmpty()) {
        name = w->toolTip().section(QLatin1Char('\n'), 0, 0);
    }
    return name;
}

void fillButton(QAbstractButton* b, QMenu& menu) {
    const QString name = nameOf(b);
    QAction* press = menu.addAction(name.isEmpty() ? QStringLiteral("Press") : name);
    press->setEnabled(b->isEnabled());
    if (b->isCheckable()) {
        press->setCheckable(true);
        press->setChecked(b->isChecked());
    }
    QObject::connect(press, &QAction::triggered, b, [b = QPointer(b)] {
        if (b) {
            b->click();
        }
    });
}

void fillSlider(QAbstractSlider* s, QMenu& menu) {
    const QString name = nameOf(s);
    auto step = [&](const QString& text, QAbstractSlider::SliderAction action) {
        QAction* a = menu.addAction(text);
        a->setEnabled(s->isEnabled());
        QObject::connect(a, &QAction::triggered, s, [s = QPointer(s), action] {
            if (s) {
                s->triggerAction(action);
            }
        });
    };
    step(name + QStringLiteral(" up"), QAbstractSlider::SliderPageStepAdd);
    step(name + QStringLiteral(" down"), QAbstractSlider::SliderPageStepSub);
    step(name + QStringLiteral(" to the highest"), QAbstractSlider::SliderToMaximum);
    step(name + QStringLiteral(" to the lowest"), QAbstractSlider::SliderToMinimum);
}

} // namespace

void KeyboardMenus::add(QWidget* control, Filler fill) {
    m_fillers.insert(control, std::move(fill));
}

bool KeyboardMenus::fill(QWidget* control, QMenu& menu) const {
    if (const auto it = m_fillers.constFind(control); it != m_fillers.constEnd()) {
        it.value()(menu);
    } else if (auto* b = qobject_cast<QAbstractButton*>(control)) {
        fillButton(b, menu);
    } else if (auto* s = qobject_cast<QAbstractSlider*>(control)) {
        fillSlider(s, menu);
    }
    return !menu.isEmpty();
}

void KeyboardMenus::open(QWidget* control) const {
    if (!control) {
        return;
    }
    QMenu menu(control);
    if (!fill(control, menu)) {
        return;
    }
    menu.setActiveAction(menu.actions().value(0));
    menu.exec(control->mapToGlobal(QPoint(0, control->height())));
}
