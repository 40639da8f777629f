#pragma once
// The help area of the player's lower frame: two stacked panels (how to work the mark points;
// keyboard and remote-control functions) and a two-tab strip on their right that brings
// either to the front. The panels only inform; nothing here touches the player.

#include <QColor>
#include <QHash>
#include <QWidget>

class QFrame;
class QLabel;
class QSvgRenderer;

// One of the two tabs: the caption is drawn by the panels, turned on its side.
class HelpTab : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
};

class HelpPanels : public QWidget {
    Q_OBJECT
public:
    explicit HelpPanels(QWidget* parent = nullptr);

    QSize sizeHint() const override { return {520, 250}; }

    void lblShape1_Click();
    void lblShape2_Click();
    void fraHowTo_Click();
    void fraMore_Click();
    void Label1_Click();
    void Label2_Click();

    // The panel drawn in front: fraHowTo or fraMore.
    QWidget* frontPanel() const;
    // State of one of the tab strip's lines, by name (linTBG, linTB, ...).
    bool lineShown(const QString& name) const;
    QColor lineColour(const QString& name) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QFrame* makePanel(const char* name, const QColor& background, const QRect& geometry);
    QLabel* addLabel(QWidget* panel, const char* name, const QString& text, const QRect& geometry,
                     bool heading, Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop);
    QWidget* addPicture(QWidget* panel, const char* name, const QString& resource,
                        const QRect& geometry);
    QFrame* addLine(const char* name, const QColor& colour, const QRect& geometry);
    QWidget* addTab(const char* shape, const char* label, const QColor& fill,
                    const QRect& geometry);
    void fillHowTo();
    void fillMore();
    void bringToFront(QWidget* panel);
    void paintTabCaption(QWidget* label);
    void setLineColour(QWidget* line, const QColor& colour);

    QFrame* fraHowTo;
    QFrame* fraMore;
    QWidget* lblShape1;
    QWidget* lblShape2;
    QFrame* linTBG;
    QFrame* linTBB;
    QFrame* linBBG;
    QFrame* linBBB;
    QFrame* linTB;
    QFrame* linBT;
    QLabel* Label1;
    QLabel* Label2;
    QList<QWidget*> m_tabStrip;
    QHash<QObject*, QSvgRenderer*> m_pictures;
    QHash<QObject*, QString> m_tabCaptions;
};
