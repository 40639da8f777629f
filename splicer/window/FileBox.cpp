#include "window/FileBox.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>

FileBox::FileBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);
}

void FileBox::setPath(const QString& folder) {
    m_path = QDir::cleanPath(folder);
    clear();
    const QStringList names = QDir(m_path).entryList(
        QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QString& name : names) {
        if (name.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive)) {
            addItem(name);
        }
    }
}

QString FileBox::fileName() const {
    const QListWidgetItem* item = currentItem();
    return item ? item->text() : QString();
}

QString FileBox::emptyMessage() const {
    if (count() > 0 || m_path.isEmpty()) {
        return QString();
    }
    if (!QFileInfo(m_path).isReadable()) {
        return tr("This folder cannot be read");
    }
    return tr("No WAV files in this folder");
}

void FileBox::paintEvent(QPaintEvent* event) {
    QListWidget::paintEvent(event);
    const QString text = emptyMessage();
    if (text.isEmpty()) {
        return;
    }
    QPainter p(viewport());
    p.setPen(palette().color(QPalette::PlaceholderText));
    p.drawText(viewport()->rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, text);
}
