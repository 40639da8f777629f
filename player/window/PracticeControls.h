#pragma once
// The practice part of a media component's control row: speed and transpose steppers and the
// loop switch. Mouse-only, like the rest of the row; the keys reach the same commands through
// the window. Both components' rows show the one PracticeTempo.

#include <QWidget>

class PracticeTempo;
class QToolButton;

class PracticeControls : public QWidget {
    Q_OBJECT
public:
    explicit PracticeControls(PracticeTempo& tempo, QWidget* parent = nullptr);

    QToolButton* slowerButton() const { return m_slower; }
    QToolButton* speedButton() const { return m_speed; }
    QToolButton* fasterButton() const { return m_faster; }
    QToolButton* downButton() const { return m_down; }
    QToolButton* transposeButton() const { return m_transpose; }
    QToolButton* upButton() const { return m_up; }
    QToolButton* loopButton() const { return m_loop; }

    void setLoopOn(bool on);

signals:
    void loopClicked();

private:
    void refresh();

    PracticeTempo& m_tempo;
    QToolButton* m_slower;
    QToolButton* m_speed;
    QToolButton* m_faster;
    QToolButton* m_down;
    QToolButton* m_transpose;
    QToolButton* m_up;
    QToolButton* m_loop;
};
