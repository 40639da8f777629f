#include "window/FileBox.h"

#include <QDir>

FileBox::FileBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);
}

void FileBox::setPath(const QString& folder) {
    path_ = QDir::cleanPath(folder);
    clear();
    const QStringList names = QDir(path_).entryList(
        QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QString& name : names)
        if (name.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive))
            addItem(name);
}

QString FileBox::fileName() const {
    const QListWidgetItem* item = currentItem();
    return item ? item->text() : QString();
}
