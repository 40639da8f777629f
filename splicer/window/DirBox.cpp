#include "window/DirBox.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>

DirBox::DirBox(QWidget* parent) : QTreeView(parent), model_(new QFileSystemModel(this)) {
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    model_->setReadOnly(true);
    model_->setRootPath(QStringLiteral("/"));
    setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column)
        hideColumn(column);
    header()->hide();
    setUniformRowHeights(true);
    setAnimated(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // The model reads folders in the background; the chosen folder is brought into view
    // once the folders above it have been read.
    connect(model_, &QFileSystemModel::directoryLoaded, this, [this] {
        if (currentIndex().isValid())
            scrollTo(currentIndex(), QAbstractItemView::PositionAtCenter);
    });
}

QString DirBox::path() const {
    return path_;
}

void DirBox::showFolder(const QString& root, const QString& folder) {
    const QSignalBlocker quiet(this);
    root_ = QDir::cleanPath(root);
    setRootIndex(model_->index(root_));
    choose(folder);
}

void DirBox::choose(const QString& folder) {
    const QString clean = QDir::cleanPath(folder);
    const QModelIndex index = model_->index(clean);
    if (!index.isValid())
        return;
    const unsigned before = moves_;
    setCurrentIndex(index);
    // The tree's root has no row of its own, so making it current may not report a change;
    // a handler of a reported change may also have moved the tree on already.
    if (moves_ == before && path_ != clean) {
        ++moves_;
        path_ = clean;
        emit pathChanged();
    }
    const QModelIndex shown = currentIndex();
    for (QModelIndex above = shown.parent(); above.isValid(); above = above.parent())
        expand(above);
    expand(shown);
    scrollTo(shown, QAbstractItemView::PositionAtCenter);
}

void DirBox::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    if (!current.isValid())
        return;
    const QString folder = model_->filePath(current);
    if (folder == path_)
        return;
    path_ = folder;
    ++moves_;
    emit pathChanged();
}
