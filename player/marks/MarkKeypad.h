#pragma once
// The twelve keypad buttons cmdMark(0..11), laid out 3 x 4 like a telephone keypad:
//   1 2 3 / 4 5 6 / 7 8 9 / ? 10 Clear-All   (indices 0..8, then 10, 9, 11).

#include <QPushButton>
#include <QWidget>

#include <array>
#include <cstdint>

class QPainter;

class MarkButton : public QPushButton {
    Q_OBJECT
public:
    MarkButton(int index, const QString& caption, QWidget* parent);
    int index() const { return m_index; }
    uint32_t BackColor() const { return m_colour; }
    void setBackColor(uint32_t colour);

signals:
    void MouseUp(int Index, int Button);
    void GotFocus(int Index);
    void BackColorChanged(int Index);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void applyColour();
    void paintStateSign(QPainter& p) const;
    int m_index;
    uint32_t m_colour;
};

class MarkKeypad : public QWidget {
    Q_OBJECT
public:
    static constexpr int kButtons = 12;
    static constexpr int kButtonSize = 60; // 900 twips

    explicit MarkKeypad(QWidget* parent = nullptr);
    MarkButton& cmdMark(int index) const { return *m_buttons.at(static_cast<size_t>(index)); }

signals:
    void Click(int Index);
    void MouseUp(int Index, int Button);
    void GotFocus(int Index);
    void BackColorChanged(int Index);

private:
    std::array<MarkButton*, kButtons> m_buttons{};
};
