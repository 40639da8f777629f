#pragma once
// The file box: the WAV files (*.wav in any letter case) of one folder, several selectable.

#include <QListWidget>

class FileBox : public QListWidget {
    Q_OBJECT
public:
    explicit FileBox(QWidget* parent = nullptr);

    QString path() const { return m_path; }
    void setPath(const QString& folder);
    // The name of the item with the focus, or "" when there is none.
    QString fileName() const;
    // What the box says in place of a list when it has nothing to list, or "".
    QString emptyMessage() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_path;
};
