#pragma once
// Shows a folder's whole path, wrapped after its separators when it is wider than the label,
// so that no part of the folder in use is hidden.

#include <QLabel>

class PathLabel : public QLabel {
    Q_OBJECT
public:
    explicit PathLabel(QWidget* parent = nullptr);
    void setPath(const QString& path);
    // What the folder shown is, for a screen reader: it is named "caption: path".
    void setCaption(const QString& caption);
    QString path() const { return m_path; }
    // The height follows the width the label has been given, without making the whole window
    // height-for-width, which would stop it from being made lower.
    bool hasHeightForWidth() const override { return false; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void nameForScreenReader();

    QString m_path;
    QString m_caption;
};
