#include "window/DirBox.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>

DirBox::DirBox(QWidget* parent)
    : QTreeView(parent), m_model(new QFileSystemModel(this)), m_follow(new QTimer(this)) {
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    m_model->setReadOnly(true);
    m_model->setRootPath(QStringLiteral("/"));
    setModel(m_model);
    for (int column = 1; column < m_model->columnCount(); ++column) {
        hideColumn(column);
    }
    header()->hide();
    setUniformRowHeights(true);
    setAnimated(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // The model reads folders in the background: the siblings of the drive's top folder come
    // in later and must stay hidden, and the folder in use is kept in view until the user
    // takes over.
    m_follow->setSingleShot(true);
    connect(m_follow, &QTimer::timeout, this, [this] {
        if (m_followLoads && currentIndex().isValid()) {
            keepInView(currentIndex());
        }
    });
    connect(m_model, &QFileSystemModel::rowsInserted, this, [this](const QModelIndex& parent) {
        if (parent == rootIndex()) {
            hideOtherTops();
        }
        m_follow->start();
    });
    connect(m_model, &QFileSystemModel::directoryLoaded, m_follow, qOverload<>(&QTimer::start));
    // The model sorts what it has read in a little later, which moves rows under the tree.
    connect(m_model, &QFileSystemModel::layoutChanged, m_follow, qOverload<>(&QTimer::start));
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this] { m_followLoads = false; });
}

QString DirBox::path() const {
    return m_path;
}

QModelIndex DirBox::indexOf(const QString& folder) const {
    return m_model->index(QDir::cleanPath(folder));
}

void DirBox::showFolder(const QString& root, const QString& folder) {
    const QString cleanRoot = QDir::cleanPath(root);
    const QModelIndex top = m_model->index(cleanRoot);
    if (!top.isValid()) {
        return;
    }
    const QString clean = QDir::cleanPath(folder);
    const bool inside =
        clean == cleanRoot ||
        clean.startsWith(cleanRoot.endsWith('/') ? cleanRoot : cleanRoot + QLatin1Char('/'));
    const QModelIndex chosen = inside ? m_model->index(clean) : QModelIndex();
    m_root = cleanRoot;
    // The tree starts one level up, showing only the drive's top folder, so that the top
    // folder is a row that can be highlighted and chosen like any other.
    setRootIndex(top.parent());
    hideOtherTops();
    expand(top);
    const QString before = m_path;
    m_path = chosen.isValid() ? clean : cleanRoot;
    m_followLoads = true;
    highlightPath();
    if (m_path != before) {
        emit pathChanged();
    }
}

void DirBox::choose(const QString& folder) {
    emit folderRequested(QDir::cleanPath(folder));
}

void DirBox::hideOtherTops() {
    const QModelIndex top = m_model->index(m_root);
    const QModelIndex parent = rootIndex();
    for (int row = 0; row < m_model->rowCount(parent); ++row) {
        setRowHidden(row, parent, row != top.row());
    }
}

void DirBox::highlightPath() {
    const QModelIndex index = m_model->index(m_path);
    if (!index.isValid()) {
        return;
    }
    m_highlighting = true;
    setCurrentIndex(index);
    m_highlighting = false;
    for (QModelIndex above = index.parent(); above.isValid(); above = above.parent()) {
        expand(above);
    }
    expand(index);
    keepInView(index);
}

// A row already in view stays where it is, so that nothing moves under the pointer; one out
// of view is brought to the middle, with the folders inside it below.
void DirBox::keepInView(const QModelIndex& index) {
    if (!viewport()->rect().contains(visualRect(index))) {
        scrollTo(index, QAbstractItemView::PositionAtCenter);
    }
}

bool DirBox::onBranch(const QModelIndex& index, const QPoint& pos) const {
    const QRect item = visualRect(index);
    return pos.x() < item.left() && pos.x() >= item.left() - indentation();
}

// A press on a row asks for that folder there and then: nothing moves between the press and
// the release, and the release, wherever it lands, chooses nothing.
void DirBox::mousePressEvent(QMouseEvent* event) {
    m_followLoads = false;
    setFocus(Qt::MouseFocusReason);
    const QPoint pos = event->position().toPoint();
    const QModelIndex index = indexAt(pos);
    if (event->button() != Qt::LeftButton || !index.isValid()) {
        return;
    }
    if (onBranch(index, pos)) {
        setExpanded(index, !isExpanded(index));
        return;
    }
    emit folderRequested(m_model->filePath(index));
}

void DirBox::mouseMoveEvent(QMouseEvent* event) {
    // Dragging with a button held would move the highlight away from the folder in use.
    if (event->buttons() == Qt::NoButton) {
        QTreeView::mouseMoveEvent(event);
    }
}

void DirBox::mouseReleaseEvent(QMouseEvent*) {}

void DirBox::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid() &&
        m_model->filePath(index) == m_path) {
        setExpanded(index, !isExpanded(index));
    }
}

void DirBox::resizeEvent(QResizeEvent* event) {
    QTreeView::resizeEvent(event);
    m_follow->start();
}

void DirBox::keyPressEvent(QKeyEvent* event) {
    m_followLoads = false;
    QTreeView::keyPressEvent(event);
}

void DirBox::wheelEvent(QWheelEvent* event) {
    m_followLoads = false;
    QTreeView::wheelEvent(event);
}

// Keys and type-ahead move the current row; that is taken as a request, and the highlight
// goes back to the folder in use unless the owner shows the requested one.
void DirBox::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    if (m_highlighting || !current.isValid()) {
        return;
    }
    const QString folder = m_model->filePath(current);
    if (folder == m_path) {
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this, folder] {
            emit folderRequested(folder);
            if (m_path != folder) {
                highlightPath();
            }
        },
        Qt::QueuedConnection);
}
