#pragma once
// The practice tools of the player window: the controls and panel that show the practice room
// (speed and transpose, loop between marks, the practice session) and give it their commands,
// and the track overview and timeline on the mark strip. It adds its controls to both media
// components' rows and answers the keys that the mark and transport commands leave free:
//   [ slower   ] faster   \ speed back to 100 %   - transpose down   = transpose up
//   L loop from the current mark to the next one, again to end it.
//   P the practice panel (lead-in, breath between passes, speed trainer).

#include <QObject>
#include <QString>

#include <cstdint>

class BeatMarks;
class LoopBetweenMarks;
class MarkModel;
class MarkStrip;
class MediaComponentView;
class PlayerInterface;
class Practice;
class PracticeControls;
class PracticePanel;
class PracticeSession;
class PracticeTempo;
class QWidget;
class StripBackdrop;
class StripTimeline;
class WaveformOverview;
struct Waveform;

class PracticeTools : public QObject {
    Q_OBJECT
public:
    // What the tools show and where they show themselves; the player's state comes through
    // PlayerInterface, the marks' through MarkModel.
    struct Parts {
        PlayerInterface& player;
        Practice& practice;
        MarkModel& marks;
        MarkStrip& strip;
        // The strip's surface, and the band on it between the title and the controls.
        QWidget& stripHost;
        int bandTop;
        int bandHeight;
        MediaComponentView& WMP1View;
        MediaComponentView& mp1View;
    };
    explicit PracticeTools(const Parts& parts, QObject* parent = nullptr);
    ~PracticeTools() override;

    // True when the key is one of the practice keys (and has been acted on).
    bool keyCommand(int16_t KeyCode);

    PracticeTempo& tempo();
    LoopBetweenMarks& loop();
    PracticeSession& session();
    // Created on first use.
    PracticePanel& panel();
    // The panel also sets the count-in that `beats` keeps.
    void useBeat(BeatMarks& beats);
    // Opens the panel under the controls of the active component, or closes it.
    void togglePanel();
    StripBackdrop& backdrop() { return *m_backdrop; }
    StripTimeline& timeline() { return *m_timeline; }
    WaveformOverview& overview() { return *m_overview; }
    PracticeControls* controlsOf(bool wmp) const { return wmp ? m_wmpControls : m_mpControls; }

    // The overview shown: the track it belongs to, empty when none.
    QString overviewTrack() const { return m_overviewTrack; }

signals:
    // The overview of the current track is on the strip (or is known to be impossible).
    void overviewSettled();

private:
    void trackOpened();
    void showOverview(const QString& path, const Waveform& waveform);
    void showLoop();

    PlayerInterface& m_player;
    Practice& m_practice;
    MarkModel& m_marks;
    MarkStrip& m_strip;
    int m_stripWidth;
    StripBackdrop* m_backdrop;
    StripTimeline* m_timeline;
    WaveformOverview* m_overview;
    PracticeControls* m_wmpControls;
    PracticeControls* m_mpControls;
    PracticePanel* m_panel = nullptr;
    BeatMarks* m_beats = nullptr;
    QString m_overviewTrack;
};
