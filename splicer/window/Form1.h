#pragma once
// The splicer's one window: choose WAV files of one source folder, arrange them, choose where
// the joined file goes and its name, splice, and watch the progress.

#include "window/MessageBoxes.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class Announcer;
class clsWavConcatenate;
class DirBox;
class DriveBox;
class ElidedLabel;
class FileBox;
class FocusRing;
class JoinOptionsRow;
class PathLabel;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QSizeGrip;
class QPushButton;
class QToolButton;
class TitelBar;

class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(MessageBoxes& messages, QWidget* parent = nullptr);
    ~Form1() override;

    bool IsInSpliceList(const QString& name) const;
    bool isSplicing() const { return m_splicing; }

    // The controls, by the names the rest of the program and its tests know them by.
    TitelBar* TB;
    QLabel* Label10;
    DriveBox* Drive1;
    DirBox* Dir1;
    PathLabel* lblSourcePath;
    FileBox* File1;
    QToolButton* cmdAdd;
    QLabel* Label3;
    QListWidget* lstFiles;
    QToolButton* cmdRemove;
    QToolButton* cmdUp;
    QToolButton* cmdDown;
    // Matched loudness, gap and crossfade, under the list.
    JoinOptionsRow* joinRow;
    QPushButton* cmdClear;
    QLabel* Label4;
    DriveBox* Drive2;
    DirBox* Dir2;
    PathLabel* lblDestinationPath;
    QLineEdit* txtFile;
    QPushButton* cmdSplice;
    QGroupBox* Frame1;
    QLabel* Label1;
    ElidedLabel* Label2;
    QProgressBar* prgSplice;
    QPushButton* cmdCancel;
    QGroupBox* Frame2;
    std::array<QLabel*, 8> lblInstruction;
    std::array<QFrame*, 7> Shape1;
    QPushButton* cmdExit;
    QSizeGrip* grip;
    // Speaks what happens during a splice to a screen reader.
    Announcer* announcer;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildControls();
    void fitToScreen();
    void connectHandlers();

    void cmdAdd_Click();
    void File1_DblClick();
    void cmdRemove_Click();
    void cmdUp_Click();
    void cmdDown_Click();
    void moveEntry(int step);
    void cmdClear_Click();
    void cmdSplice_Click();
    void cmdCancel_Click();
    void cmdExit_Click();
    void Drive1_Change();
    void Dir1_Change(const QString& folder);
    void Drive2_Change();
    void RefreshFileBoxes(const QString& drive, const QString& folder);
    void SpliceFiles();
    bool showJoinDetails(const QList<QListWidgetItem*>& admitted);
    void cWavConcat_FileChanged(std::string& FileName);
    void cWavConcat_Progress(int16_t& Percent);
    void setSplicing(bool running);
    void nameControls();
    void orderFocus();
    void showPercent(const QString& text);
    void showStatus(const QString& text);
    MessageBoxes::Answer message(const QString& text, const QString& title,
                                 MessageBoxes::Buttons buttons = MessageBoxes::Buttons::Ok,
                                 MessageBoxes::Icon icon = MessageBoxes::Icon::None);

    MessageBoxes& m_messages;
    QString OutputPath;
    std::unique_ptr<clsWavConcatenate> cWavConcat;
    bool m_splicing = false;
    bool m_cancelRequested = false;
    bool m_closePending = false;
    // The drive of the folder the listed files are read from.
    QString m_sourceDrive;
    QString m_destinationDrive;
    FocusRing* m_focusRing;
    // The tens of the last progress figure announced in this run, -1 before the first.
    int m_announcedTens = -1;
};
