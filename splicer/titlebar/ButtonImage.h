#pragma once

#include <QImage>
#include <QWidget>

// One window button of the title bar: shows one picture of its list at the picture's own
// size and reports presses and moves to the bar. A usable button can also be reached with
// Tab and worked with Space or Enter, or by a screen reader's press action (triggered()).
class ButtonImage : public QWidget {
    Q_OBJECT
public:
    explicit ButtonImage(const QString& name, QWidget* parent);

    void setPicture(int index, const QImage& picture);
    int pictureIndex() const { return m_index; }
    const QImage& picture() const { return m_picture; }

    // A button the bar shows as disabled does nothing and the keyboard passes it by.
    void setUsable(bool usable);
    bool isUsable() const { return m_usable; }
    void trigger();

signals:
    void pressed(Qt::MouseButton button);
    void moved();
    void left();
    void triggered();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    QImage m_picture;
    int m_index = 0;
    bool m_usable = true;
};
