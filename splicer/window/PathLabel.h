#pragma once
// Shows a folder's whole path, wrapped after its separators when it is wider than the label,
// so that no part of the folder in use is hidden.

#include <QLabel>

class PathLabel : public QLabel {
    Q_OBJECT
public:
    explicit PathLabel(QWidget* parent = nullptr);
    void setPath(const QString& path);
    QString path() const { return path_; }

private:
    QString path_;
};
