#include "platform/QtPlatform.h"

#include "platform/VirtualKeys.h"

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QProcess>

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
        // Qt separates the patterns of one entry with blanks, the description uses ";".
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        QString description = parts[i];
        const qsizetype open = description.lastIndexOf(QLatin1String(" ("));
        if (open >= 0)
            description.truncate(open);
        out << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out;
}

QString QtPlatform::showOpenDialog(const QString& filter, const QString& initialDir) {
    QFileDialog dialog(m_target);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(nameFilters(filter));
    if (!initialDir.isEmpty())
        dialog.setDirectory(initialDir);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        return dialog.selectedFiles().constFirst();
    return {};
}

void QtPlatform::setWaitCursor(bool busy) {
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

void QtPlatform::processPendingEvents() {
    QCoreApplication::processEvents();
}

void QtPlatform::injectKey(int virtualKey) {
    if (!m_target)
        return;
    const int qtKey = VirtualKeys::toQtKey(virtualKey);
    QCoreApplication::postEvent(m_target, new QKeyEvent(QEvent::KeyPress, qtKey, Qt::NoModifier));
    QCoreApplication::postEvent(m_target, new QKeyEvent(QEvent::KeyRelease, qtKey, Qt::NoModifier));
}

bool QtPlatform::startProgram(const QString& path) {
    return !path.isEmpty() && QProcess::startDetached(path, {});
}
