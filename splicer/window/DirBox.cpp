#include "window/DirBox.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>

DirBox::DirBox(QWidget* parent)
    : QTreeView(parent), model_(new QFileSystemModel(this)), follow_(new QTimer(this)) {
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
    // The model reads folders in the background: the siblings of the drive's top folder come
    // in later and must stay hidden, and the folder in use is kept in view until the user
    // takes over.
    follow_->setSingleShot(true);
    connect(follow_, &QTimer::timeout, this, [this] {
        if (followLoads_ && currentIndex().isValid())
            keepInView(currentIndex());
    });
    connect(model_, &QFileSystemModel::rowsInserted, this, [this](const QModelIndex& parent) {
        if (parent == rootIndex())
            hideOtherTops();
        follow_->start();
    });
    connect(model_, &QFileSystemModel::directoryLoaded, follow_, qOverload<>(&QTimer::start));
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this] { followLoads_ = false; });
}

QString DirBox::path() const {
    return path_;
}

QModelIndex DirBox::indexOf(const QString& folder) const {
    return model_->index(QDir::cleanPath(folder));
}

void DirBox::showFolder(const QString& root, const QString& folder) {
    const QString cleanRoot = QDir::cleanPath(root);
    const QModelIndex top = model_->index(cleanRoot);
    if (!top.isValid())
        return;
    const QString clean = QDir::cleanPath(folder);
    const bool inside =
        clean == cleanRoot ||
        clean.startsWith(cleanRoot.endsWith('/') ? cleanRoot : cleanRoot + QLatin1Char('/'));
    const QModelIndex chosen = inside ? model_->index(clean) : QModelIndex();
    root_ = cleanRoot;
    // The tree starts one level up, showing only the drive's top folder, so that the top
    // folder is a row that can be highlighted and chosen like any other.
    setRootIndex(top.parent());
    hideOtherTops();
    expand(top);
    const QString before = path_;
    path_ = chosen.isValid() ? clean : cleanRoot;
    followLoads_ = true;
    highlightPath();
    if (path_ != before)
        emit pathChanged();
}

void DirBox::choose(const QString& folder) {
    emit folderRequested(QDir::cleanPath(folder));
}

void DirBox::hideOtherTops() {
    const QModelIndex top = model_->index(root_);
    const QModelIndex parent = rootIndex();
    for (int row = 0; row < model_->rowCount(parent); ++row)
        setRowHidden(row, parent, row != top.row());
}

void DirBox::highlightPath() {
    const QModelIndex index = model_->index(path_);
    if (!index.isValid())
        return;
    highlighting_ = true;
    setCurrentIndex(index);
    highlighting_ = false;
    for (QModelIndex above = index.parent(); above.isValid(); above = above.parent())
        expand(above);
    expand(index);
    keepInView(index);
}

// A row already in view stays where it is, so that nothing moves under the pointer; one out
// of view is brought to the middle, with the folders inside it below.
void DirBox::keepInView(const QModelIndex& index) {
    if (!viewport()->rect().contains(visualRect(index)))
        scrollTo(index, QAbstractItemView::PositionAtCenter);
}

bool DirBox::onBranch(const QModelIndex& index, const QPoint& pos) const {
    const QRect item = visualRect(index);
    return pos.x() < item.left() && pos.x() >= item.left() - indentation();
}

// A press on a row asks for that folder there and then: nothing moves between the press and
// the release, and the release, wherever it lands, chooses nothing.
void DirBox::mousePressEvent(QMouseEvent* event) {
    followLoads_ = false;
    setFocus(Qt::MouseFocusReason);
    const QPoint pos = event->position().toPoint();
    const QModelIndex index = indexAt(pos);
    if (event->button() != Qt::LeftButton || !index.isValid())
        return;
    if (onBranch(index, pos)) {
        setExpanded(index, !isExpanded(index));
        return;
    }
    emit folderRequested(model_->filePath(index));
}

void DirBox::mouseMoveEvent(QMouseEvent* event) {
    // Dragging with a button held would move the highlight away from the folder in use.
    if (event->buttons() == Qt::NoButton)
        QTreeView::mouseMoveEvent(event);
}

void DirBox::mouseReleaseEvent(QMouseEvent*) {}

void DirBox::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid() && model_->filePath(index) == path_)
        setExpanded(index, !isExpanded(index));
}

void DirBox::resizeEvent(QResizeEvent* event) {
    QTreeView::resizeEvent(event);
    follow_->start();
}

void DirBox::keyPressEvent(QKeyEvent* event) {
    followLoads_ = false;
    QTreeView::keyPressEvent(event);
}

void DirBox::wheelEvent(QWheelEvent* event) {
    followLoads_ = false;
    QTreeView::wheelEvent(event);
}

// Keys and type-ahead move the current row; that is taken as a request, and the highlight
// goes back to the folder in use unless the owner shows the requested one.
void DirBox::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    if (highlighting_ || !current.isValid())
        return;
    const QString folder = model_->filePath(current);
    if (folder == path_)
        return;
    QMetaObject::invokeMethod(
        this,
        [this, folder] {
            emit folderRequested(folder);
            if (path_ != folder)
                highlightPath();
        },
        Qt::QueuedConnection);
}
