#pragma once
// The practice panel: lead-in, breath between passes and the speed trainer of the loop
// between marks, in one small popup beside the practice controls. Every change is applied and
// stored for the track at once.

#include <QFrame>

class BeatMarks;
class PracticeSession;
class QFormLayout;
class QCheckBox;
class QLabel;
class QSpinBox;

class PracticePanel : public QFrame {
    Q_OBJECT
public:
    explicit PracticePanel(PracticeSession& session, QWidget* parent = nullptr);

    QSpinBox* leadInBox() const { return m_leadIn; }
    QSpinBox* breathBox() const { return m_breath; }
    QCheckBox* trainerBox() const { return m_trainer; }
    QSpinBox* fromBox() const { return m_from; }
    QSpinBox* toBox() const { return m_to; }
    QSpinBox* stepBox() const { return m_step; }
    // "Count-in", last in the panel: the beats that `beats` counts in before each pass.
    void addCountIn(BeatMarks& beats);
    QSpinBox* countInBox() const { return m_countIn; }

    // Shows the panel beside `anchor`, the global rectangle of the button that opens it: inside
    // the window where there is room, and always inside the screen's available area.
    void popUpBeside(const QRect& anchor);

    // Where a panel of `size` goes beside `anchor` (all global): above it when it fits there
    // inside both `window` and `room` (the screen's available area), else below it, else
    // whichever side fits the room; then along to lie inside the window and, last, the room.
    static QPoint placement(const QSize& size, const QRect& anchor, const QRect& window,
                            const QRect& room);

private:
    void refresh();
    void edited();

    PracticeSession& m_session;
    QSpinBox* m_leadIn;
    QSpinBox* m_breath;
    QCheckBox* m_trainer;
    QSpinBox* m_from;
    QSpinBox* m_to;
    QSpinBox* m_step;
    QLabel* m_status;
    QFormLayout* m_form = nullptr;
    QSpinBox* m_countIn = nullptr;
    bool m_refreshing = false;
};
