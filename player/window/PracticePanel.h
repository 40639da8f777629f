#pragma once
// The practice panel: lead-in, breath between passes and the speed trainer of the loop
// between marks, in one small popup under the practice controls. Every change is applied and
// stored for the track at once.

#include <QFrame>

class PracticeSession;
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

    // Shows the panel with its top left corner at `corner` (global), kept on the screen.
    void popUpAt(const QPoint& corner);

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
    bool m_refreshing = false;
};
