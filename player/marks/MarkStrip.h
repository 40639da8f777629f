#pragma once
// The strip elements of the ten mark slots inside picMarker: a line (linMark), a number
// label (lblMark) and a nudge button (cmdNudge) per slot. Slot 0 always exists; slots 1 to 9
// are created from slot 0's settings and can be discarded again. Addressing an element of a
// slot that does not exist raises errNoSuchElement.

#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class MarkLine : public QWidget {
    Q_OBJECT
public:
    explicit MarkLine(QWidget* parent);
    uint32_t BorderColor() const { return m_colour; }
    void setBorderColor(uint32_t colour);
    // Both ends at x (twips, relative to picMarker).
    void setX(int16_t xTwips);
    int16_t x1() const { return m_x; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    uint32_t m_colour;
    int16_t m_x = 0;
};

class MarkLabel : public QLabel {
    Q_OBJECT
public:
    explicit MarkLabel(QWidget* parent);
    uint32_t ForeColor() const { return m_colour; }
    void setForeColor(uint32_t colour);
    void setLeftTwips(int16_t xTwips);
    int16_t leftTwips() const { return m_left; }

private:
    uint32_t m_colour;
    int16_t m_left = 0;
};

class NudgeButton : public QPushButton {
    Q_OBJECT
public:
    NudgeButton(int index, QWidget* parent);
    int index() const { return m_index; }
    void setLeftTwips(float leftTwips);
    float leftTwips() const { return m_left; }

signals:
    // Button as the platform codes it: 1 left, 2 right, 4 middle.
    void MouseUp(int Index, int Button);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int m_index;
    float m_left = 0;
};

class MarkStrip {
public:
    static constexpr int kSlots = 10;
    // Geometry of the elements, in twips relative to picMarker.
    static constexpr int kLineTop = 210, kLineBottom = 2640;
    static constexpr int kLabelTop = 2145, kLabelWidth = 285, kLabelHeight = 315;
    static constexpr int kNudgeTop = 75, kNudgeSize = 240;

    explicit MarkStrip(QWidget* picMarker);

    bool exists(int index) const;
    // Creates slot `index` (1 to 9) from slot 0's settings, hidden; does nothing if it exists.
    void create(int index);
    // Destroys the elements of slot `index` (1 to 9); slot 0 is never discarded.
    void discard(int index);
    int highestSlot() const;

    MarkLine& linMark(int index) const;
    MarkLabel& lblMark(int index) const;
    NudgeButton& cmdNudge(int index) const;

    // Places the three elements of a slot at x: line ends and label left at x, nudge centred.
    void placeAt(int index, int16_t xTwips);
    // Shows or hides the slot's label, line and nudge button; a missing slot raises error 340.
    void setShown(int index, bool shown);

    QWidget* picMarker() const { return m_pic; }

    // Called for every nudge button created, so the owner can connect its MouseUp.
    std::function<void(NudgeButton&)> onNudgeCreated;

private:
    struct Slot {
        MarkLine* line = nullptr;
        MarkLabel* label = nullptr;
        NudgeButton* nudge = nullptr;
    };
    const Slot& slot(int index) const;

    QWidget* m_pic;
    std::array<std::unique_ptr<Slot>, kSlots> m_slots;
};
