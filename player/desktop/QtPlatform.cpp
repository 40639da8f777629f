#include "desktop/QtPlatform.h"

#include "desktop/Announcer.h"

#include "platform/VirtualKeys.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QVBoxLayout>

MsgAnswer QtPlatform::messageBox(const QString& text, const QString& title, MsgButtons buttons,
                                 MsgIcon icon) {
    QMessageBox box(m_target);
    // A box without a title of its own carries the program's name.
    box.setWindowTitle(title.isEmpty() ? QCoreApplication::applicationName() : title);
    box.setText(text);
    switch (icon) {
    case MsgIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    if (buttons == MsgButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MsgAnswer::Ok;
}

QString QtPlatform::inputBox(const QString& prompt, const QString& title,
                             const QString& defaultText) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(m_target, title, prompt, QLineEdit::Normal, defaultText, &ok);
    return ok ? text : QString();
}

QStringList QtPlatform::nameFilters(const QString& filter) {
    QStringList out;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        // Qt separates the patterns of one entry with blanks; the filter text separates them with
        // ";".
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        QString description = parts[i];
        const qsizetype open = description.lastIndexOf(QLatin1String(" ("));
        if (open >= 0) {
            description.truncate(open);
        }
        out << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out;
}

QString QtPlatform::showOpenDialog(const QString& filter, const QString& initialDir) {
    QFileDialog dialog(m_target);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(nameFilters(filter));
    if (!initialDir.isEmpty()) {
        dialog.setDirectory(initialDir);
    }
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        return dialog.selectedFiles().constFirst();
    }
    return {};
}

QString QtPlatform::showSaveDialog(const QString& filter, const QString& initialPath) {
    QFileDialog dialog(m_target);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(nameFilters(filter));
    const QFileInfo start(initialPath);
    dialog.setDirectory(start.absolutePath());
    dialog.selectFile(start.fileName());
    if (!start.suffix().isEmpty()) {
        dialog.setDefaultSuffix(start.suffix());
    }
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        return dialog.selectedFiles().constFirst();
    }
    return {};
}

QStringList QtPlatform::chooseItems(const QString& title, const QString& text,
                                    const QStringList& items, const QString& acceptCaption) {
    QDialog dialog(m_target);
    dialog.setWindowTitle(title);
    dialog.setMinimumSize(560, 360);
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(text, &dialog);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("items"));
    list->setUniformItemSizes(true);
    for (const QString& item : items) {
        auto* row = new QListWidgetItem(item, list);
        row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        row->setCheckState(Qt::Checked);
        row->setToolTip(item);
    }
    layout->addWidget(list, 1);
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* accept = buttons->addButton(acceptCaption, QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel)->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    // Nothing ticked, nothing to accept.
    QObject::connect(list, &QListWidget::itemChanged, accept, [list, accept] {
        bool any = false;
        for (int i = 0; i < list->count() && !any; ++i) {
            any = list->item(i)->checkState() == Qt::Checked;
        }
        accept->setEnabled(any);
    });
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    QStringList chosen;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->checkState() == Qt::Checked) {
            chosen << list->item(i)->text();
        }
    }
    return chosen;
}

void QtPlatform::setWaitCursor(bool busy) {
    if (busy == m_busy) {
        return;
    }
    m_busy = busy;
    if (busy) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QGuiApplication::restoreOverrideCursor();
    }
}

void QtPlatform::processPendingEvents() {
    QCoreApplication::processEvents();
}

void QtPlatform::injectKey(int virtualKey) {
    if (!m_target) {
        return;
    }
    const int qtKey = VirtualKeys::toQtKey(virtualKey);
    QCoreApplication::postEvent(m_target, new QKeyEvent(QEvent::KeyPress, qtKey, Qt::NoModifier));
    QCoreApplication::postEvent(m_target, new QKeyEvent(QEvent::KeyRelease, qtKey, Qt::NoModifier));
}

bool QtPlatform::startProgram(const QString& path) {
    return !path.isEmpty() && QProcess::startDetached(path, {});
}

Qt::KeyboardModifiers QtPlatform::keyboardModifiers() {
    return QGuiApplication::queryKeyboardModifiers();
}

void QtPlatform::setKeyTarget(QWidget* keyTarget) {
    m_target = keyTarget;
    if (!m_announcer && m_target) {
        m_announcer = new Announcer(m_target->window());
    }
}

void QtPlatform::announce(const QString& text) {
    if (m_announcer) {
        m_announcer->announce(text);
    }
}
