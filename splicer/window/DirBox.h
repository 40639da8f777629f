#pragma once
// The directory box: the folder tree of one drive; the chosen folder is its path.

#include <QTreeView>

class QFileSystemModel;

class DirBox : public QTreeView {
    Q_OBJECT
public:
    explicit DirBox(QWidget* parent = nullptr);

    QString path() const;
    // Shows the tree of `root` with `folder` chosen, without a change notification.
    void showFolder(const QString& root, const QString& folder);
    // Chooses `folder` as a click would, with the change notification.
    void choose(const QString& folder);

signals:
    void pathChanged();

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    QFileSystemModel* model_;
    QString root_;
    QString path_;
    // Counts the moves of the current folder, to tell whether making an index current moved it.
    unsigned moves_ = 0;
};
