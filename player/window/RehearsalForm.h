#pragma once
// The player window's controls, laid out in twips as the window has always had them, named,
// styled and described for a screen reader. frmRehearsal inherits them and gives them their
// behaviour; the menus, timers and key handling are its own.

class HelpPanels;
class MarkKeypad;
class MediaComponentView;
class MediaPlayer;
class QLabel;
class QMainWindow;
class QPushButton;
class QWidget;
class WindowsMediaPlayer;

class RehearsalForm {
public:
    // Controls, named as the window names them; public for the window tests.
    WindowsMediaPlayer* WMP1;
    MediaPlayer* mp1;
    MediaComponentView* WMP1View;
    MediaComponentView* mp1View;
    QPushButton* cmdOpen;
    QPushButton* cmdPlay;
    QPushButton* cmdPause;
    QPushButton* cmdStop;
    QPushButton* cmdBogus;
    QLabel* lblCount;
    QLabel* lblTitle;
    QLabel* lblPosition;
    QLabel* lblColor;
    QLabel* lblNote;
    QLabel* lblNoSound;
    QWidget* picMarker;
    QWidget* fraMark;
    MarkKeypad* keypad;
    HelpPanels* help;

    // The Tab order as the window is laid out: transport, keypad row by row, help tabs, then
    // the visible component's bar from left to right (controls added to it later included).
    void orderFocus();

protected:
    RehearsalForm(WindowsMediaPlayer& wmp, MediaPlayer& mp) : WMP1(&wmp), mp1(&mp) {}
    // Makes the controls on `window` (its central widget and status bar).
    void setupForm(QMainWindow& window);
};
