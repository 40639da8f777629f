#pragma once

#include <QImage>
#include <QWidget>

// One window button of the title bar: shows one picture of its list at the picture's own
// size and reports presses and moves to the bar.
class ButtonImage : public QWidget {
    Q_OBJECT
public:
    explicit ButtonImage(const QString& name, QWidget* parent);

    void setPicture(int index, const QImage& picture);
    int pictureIndex() const { return m_index; }
    const QImage& picture() const { return m_picture; }

signals:
    void pressed(Qt::MouseButton button);
    void moved();
    void left();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    QImage m_picture;
    int m_index = 0;
};
