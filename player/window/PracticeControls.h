#pragma once
// The practice part of a media component's control row: speed and transpose steppers and the
// loop switch. Mouse-only, like the rest of the row; the keys reach the same commands through
// the window. Both components' rows show the one PracticeTempo.

#include <QWidget>

class PracticeTempo;
class QLabel;
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
    QToolButton* panelButton() const { return m_panel; }
    QLabel* statusLabel() const { return m_status; }
    QLabel* tempoLabel() const { return m_tempoLabel; }

    void setLoopOn(bool on);
    // The running pass and speed, or the breath's countdown; empty hides it.
    void setStatus(const QString& text);
    // The track's tempo at the speed heard ("82 BPM at 85 %", or "82 BPM" where the row has
    // no room for more); empty hides it. Its accessible name always holds the whole text.
    void setTempo(const QString& text);

signals:
    void loopClicked();
    void panelClicked();

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
    QToolButton* m_panel;
    QLabel* m_status;
    QLabel* m_tempoLabel;
};
