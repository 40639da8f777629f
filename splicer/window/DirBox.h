#pragma once
// The directory box: the folder tree of one drive, the drive's own top folder as its first
// row. The highlighted row is always the folder in use (path()). A click or a key asks for
// another folder with folderRequested(); the tree moves only when its owner then shows that
// folder, so an owner that refuses the move leaves tree, highlight and path as they were.

#include <QTreeView>

class QFileSystemModel;
class QTimer;

class DirBox : public QTreeView {
    Q_OBJECT
public:
    explicit DirBox(QWidget* parent = nullptr);

    QString path() const;
    // Shows the tree of `root` with `folder` in use and highlighted.
    void showFolder(const QString& root, const QString& folder);
    // Asks for `folder` as a click on its row would.
    void choose(const QString& folder);
    QModelIndex indexOf(const QString& folder) const;

signals:
    void folderRequested(const QString& folder);
    void pathChanged();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    bool onBranch(const QModelIndex& index, const QPoint& pos) const;
    void highlightPath();
    void hideOtherTops();
    void keepInView(const QModelIndex& index);

    QFileSystemModel* m_model;
    QString m_root;
    QString m_path;
    // While the program has just shown a folder, the rows read in later keep it in view; once
    // the user has touched the tree, it stays where the user put it.
    bool m_followLoads = false;
    // Brings the folder in use back into view once the rows read in have been laid out.
    QTimer* m_follow;
    bool m_highlighting = false;
};
