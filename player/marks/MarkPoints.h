#pragma once
// The ten mark points of the current track: setting, clearing, going to and stepping between
// them from the keypad and the keys, their notes, their places on the strip and their storage
// per track in the settings store.

#include "marks/MarkKeypad.h"
#include "marks/MarkSpeech.h"
#include "marks/MarkStrip.h"
#include "models/MarkModel.h"
#include "models/MarkSnapshot.h"

#include <QLabel>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class MediaPlayer;
class Platform;
class WindowsMediaPlayer;
class modHybrid;

struct MarkViews {
    MarkStrip& strip;
    MarkKeypad& keypad;
    QLabel& lblPosition;
    QWidget& lblTitle;
    // The visible player component inside the strip, brought to the front after the lines.
    std::function<QWidget*()> activeComponentView;
};

// The mark commands: they decide, the model holds the outcome, and the keypad and the strip
// follow the model. The keypad's last two buttons are "?" (the about box) and "Clear All".
class MarkPoints : public QObject {
    Q_OBJECT
public:
    static constexpr double NudgeStep = 1.0;
    static constexpr double kStripWidthTwips = 11040;
    static constexpr int kAboutButton = 10;
    static constexpr int kClearAllButton = 11;

    // The model (over its repository) is made by the composition root and outlives this.
    MarkPoints(modHybrid& hybrid, WindowsMediaPlayer& WMP1, MediaPlayer& mp1, MarkViews views,
               Platform& platform, MarkModel& model);

    int16_t LastMarkSlot = 9;

    // Set by the window: give the focus to cmdPlay; show the about box modally.
    std::function<void()> focusPlay;
    std::function<void()> showAbout;
    // Told the index after every go-to that moved the player.
    std::function<void(int)> wentToMark;
    // Seconds counted in before mark `index` at `seconds` when the player goes to it: it
    // lands that much earlier. None when unset.
    std::function<double(int index, double seconds)> countInBefore;
    // While marks snap to the beat: the place a mark set at `seconds` takes instead (the
    // nearest beat, and its bar when bars are known, 0 otherwise); none keeps the exact place.
    struct Snapped {
        double seconds = 0;
        int bar = 0;
    };
    std::function<std::optional<Snapped>(double)> snapToBeat;

    // The set and clear modes from the keyboard as it is now, together with the modifier mask
    // of the key being handled. A mode key released while a modal box had the focus never
    // reaches the window, so remembered presses and releases are not trusted.
    void readModeKeys(int16_t Shift);

    // Platform events of the keypad and the nudge buttons. These are the boundary where an
    // unexpected error ends the command silently.
    void cmdMark_Click(int Index);
    void cmdMark_MouseUp(int Index, int Button);
    void cmdMark_GotFocus(int Index);
    void cmdNudge_MouseUp(int Index, int Button);

    // Marks 0..9.
    void SetMarkPoint(int Index);
    // keyVariant: Alt with a number key also clears the note; Alt with a click keeps it.
    void ClearMarkPoint(int Index, bool keyVariant);
    void GoToMarkPoint(int Index);
    void StepMarkPoint(const int16_t& Current, bool Forward);
    // The next-mark and previous-mark commands from outside the keyboard, as PageDown and
    // PageUp act: from the current mark, and not while a mode key is held; an error ends the
    // command silently.
    void StepFromCurrent(bool Forward);
    // "Clear All" clicked: every mark and note goes, one undo puts them back.
    void ClearAllMarks();
    // Ctrl with "Clear All": the marks go from the keypad, the strip and the store; notes stay.
    void ForgetAllMarks();
    // Opening a track ends the marks of the one before: the keypad and the strip are emptied
    // and nothing can be set until the new track's marks are loaded; the store keeps them.
    void ResetForNewTrack();
    // False (and nothing changed) when the store did not take the position.
    bool SaveMarkPosition(int Index, const QString& Value);
    void ForgetMarkPosition(int Index);
    void LoadTrackMarks();
    // The track's stored marks and notes, for a track whose strip cannot be laid out (too
    // short for a scale): marks can still be set, cleared and gone to; none is drawn.
    void loadMarksWithoutStrip();

    // Ctrl+Z: puts back the marks that the last clearing removed, in the window and in the
    // store; does nothing when there is no such clearing on the current track.
    void UndoClearing();
    bool canUndo() const;
    // The marks as shown now; a snapshot taken before a change can be given to restoreMarks.
    MarkSnapshot snapshot() const;
    // Stores the marks and notes of the snapshot in one commit, then shows them; when the
    // store refuses the write nothing changes and false is returned.
    bool restoreMarks(const MarkSnapshot& marks);
    // Keeps the current marks for one undo, replacing what was kept before. Unless
    // `evenWhenEmpty`, a track without marks or notes keeps nothing: there is nothing to lose.
    void rememberForUndo(bool evenWhenEmpty = false);

    void ComputeStripScale();
    void LayOutMark(int Index, const QString& Position, bool IsSet);
    void DrawMarkAtPlayer(int Index);

    // Moves a set mark to `seconds`, stored first, as a nudge button does.
    void MoveMarkTo(int Index, double seconds);
    // Gives the marks that are not set, in number order, the positions in time order (one
    // commit, one undo step); returns how many were given. Positions within a second of a set
    // mark are passed over.
    int FillUnsetMarks(std::vector<double> positions);

    MarkModel& model() { return m_model; }
    const MarkModel& model() const { return m_model; }

    // State read by the window and the tests.
    bool isSet(int index) const;
    QString positionText(int index) const;
    QString note(int index) const;

private:
    // False, after telling the user, when there is no track to hold marks.
    bool haveTrack();
    // The keypad button's note and the strip slot's visibility, as the model has them.
    void showMark(int index);
    // The keypad button's colour and name as the model has its look.
    void showLook(int button);
    // The keypad button's name for a screen reader: its number, state, position and note.
    void describe(int index);
    MarkSpeech::Shown shown(int index) const;
    void bringLineForward(int index);
    // Re-creates a slot discarded by the keypad reset, so a mark set then is drawn at once.
    void ensureSlot(int index);
    // The strip's slots, with the model told where each mark's line stands.
    void createSlot(int index);
    void discardSlot(int index);
    void placeSlot(int index, int16_t x);
    // Hides a mark's label, line and nudge button; a discarded slot raises error 340.
    void hideSlot(int index);

    modHybrid& m_hybrid;
    WindowsMediaPlayer& m_wmp;
    MediaPlayer& m_mp;
    MarkViews m_views;
    Platform& m_platform;
    MarkModel& m_model;
};
