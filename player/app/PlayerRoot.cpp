#include "app/PlayerRoot.h"

#include "app/RehearsalPlayer.h"
#include "engine/MediaPlayer.h"
#include "engine/OpenController.h"
#include "engine/Waveform.h"
#include "engine/WaveformOverview.h"
#include "engine/WindowsMediaPlayer.h"
#include "engine/modHybrid.h"
#include "marks/BeatMarks.h"
#include "marks/KeyCommands.h"
#include "marks/MarkExchange.h"
#include "marks/MarkKeypad.h"
#include "marks/MarkPoints.h"
#include "marks/MarkStrip.h"
#include "marks/MissingTracks.h"
#include "marks/StripMath.h"
#include "models/MarkModel.h"
#include "models/MarkRepository.h"
#include "mpris/MprisService.h"
#include "practice/LoopBetweenMarks.h"
#include "practice/Practice.h"
#include "window/MediaComponentView.h"
#include "window/PracticeControls.h"
#include "window/PracticeTools.h"
#include "window/RecentTracks.h"
#include "window/StripTimeline.h"
#include "window/frmRehearsal.h"

#include <algorithm>

PlayerRoot::PlayerRoot(Platform& platform, SettingsAccess& settings, const BackendFactory& backends)
    : m_wmp(std::make_unique<WindowsMediaPlayer>(backends())),
      m_mp(std::make_unique<MediaPlayer>(backends())),
      m_hybrid(std::make_unique<modHybrid>(*m_wmp, *m_mp, platform)),
      m_opener(std::make_unique<OpenController>(*m_hybrid, *m_wmp, *m_mp)),
      m_repository(std::make_unique<MarkRepository>(settings)),
      m_marks(std::make_unique<MarkModel>(*m_repository)),
      m_recent(std::make_unique<RecentTracks>(settings)),
      m_window(
          std::make_unique<frmRehearsal>(platform, *m_wmp, *m_mp, *m_hybrid, *m_opener, *m_recent)),
      m_player(std::make_unique<RehearsalPlayer>(*m_hybrid, *m_wmp, *m_mp, *m_opener, *m_window)),
      m_practice(std::make_unique<Practice>(
          *m_player, *m_marks, *m_repository,
          std::vector<MediaBackend*>{&m_wmp->backend(), &m_mp->backend()})) {
    frmRehearsal& w = *m_window;
    m_strip = std::make_unique<MarkStrip>(w.picMarker);
    modHybrid& hybrid = *m_hybrid;
    MarkViews views{*m_strip, *w.keypad, *w.lblPosition, *w.lblTitle, [&w, &hybrid]() -> QWidget* {
                        return hybrid.WmpActive ? static_cast<QWidget*>(w.WMP1View)
                                                : static_cast<QWidget*>(w.mp1View);
                    }};
    m_markPoints = std::make_unique<MarkPoints>(hybrid, *m_wmp, *m_mp, views, platform, *m_marks);
    TransportCommands transport = w.transportCommands();
    // Keys the mark and transport commands leave free go to the practice tools.
    transport.otherKey = [this](int16_t key) {
        if (!m_beats->keyCommand(key)) {
            m_tools->keyCommand(key);
        }
    };
    m_keys = std::make_unique<KeyCommands>(*m_markPoints, hybrid, transport);
    m_exchange = std::make_unique<MarkExchange>(*m_markPoints, hybrid, platform);
    m_missing = std::make_unique<MissingTracks>(*m_repository, platform);
    w.attachMarks({*m_strip, *m_markPoints, *m_keys, *m_exchange, *m_missing});
    wireMarkViews();

    // The track overview fills the strip's free height between the title band and the mark
    // labels.
    const int top = w.lblColor->geometry().bottom() + 4;
    const int bottom = MarkStrip::kLabelTop / StripMath::kTwipsPerPixel - 3;
    m_tools = std::make_unique<PracticeTools>(
        PracticeTools::Parts{*m_player, *m_practice, *m_marks, w.strip(), *w.picMarker, top,
                             std::max(0, bottom - top), *w.WMP1View, *w.mp1View});
    wireBeat(platform, settings);
    // The practice tools sit in the component's bar: Tab goes through them where they are.
    w.orderFocus();
    m_player->setPractice(*m_practice);
    MarkPoints& marks = *m_markPoints;
    marks.wentToMark = [this](int index) { m_practice->wentToMark(index); };
    QObject::connect(m_player.get(), &RehearsalPlayer::markStepRequested, &marks,
                     &MarkPoints::StepFromCurrent);
    QObject::connect(m_player.get(), &RehearsalPlayer::raiseRequested, &w, [&w] {
        w.raise();
        w.activateWindow();
    });
    QObject::connect(m_player.get(), &RehearsalPlayer::quitRequested, &w, &QWidget::close);
    m_mpris = std::make_unique<MprisService>(*m_player);
}

void PlayerRoot::wireBeat(Platform& platform, SettingsAccess& settings) {
    m_beats = std::make_unique<BeatMarks>(
        *m_player, *m_markPoints, m_tools->backdrop(), *m_repository, settings, platform,
        std::vector<MediaBackend*>{&m_wmp->backend(), &m_mp->backend()});
    m_window->useBeat(*m_beats);
    m_tools->useBeat(*m_beats);
    // The count-in runs before each pass of the loop between marks.
    LoopBetweenMarks& loop = m_practice->loop();
    loop.countIn = [this] { return m_beats->countInSeconds(); };
    loop.turnBack = [this](double from, double to) {
        return m_beats->grid().loopEnd(from, to).value_or(to);
    };
    // A new tempo or bar start moves where the running loop counts in and turns back.
    QObject::connect(m_beats.get(), &BeatMarks::tempoChanged, &loop,
                     &LoopBetweenMarks::countInChanged);
    // Going to a mark counts in before it, except to the start of the running loop, whose
    // passes count in themselves; going to another mark ends the loop first.
    m_markPoints->countInBefore = [this, &loop](int index, double seconds) {
        if (loop.active() && index == loop.startMark()) {
            return 0.0;
        }
        loop.end();
        return m_beats->countInBefore(seconds);
    };
    QObject::connect(m_beats.get(), &BeatMarks::countInChanged, &loop,
                     &LoopBetweenMarks::countInChanged);
    QObject::connect(&loop, &LoopBetweenMarks::changed, m_beats.get(), [this, &loop] {
        if (loop.active()) {
            m_beats->setCountWindow(loop.passStart(), loop.musicStart());
        } else {
            m_beats->setCountWindow(0, 0);
        }
    });
    QObject::connect(&m_tools->overview(), &WaveformOverview::ready, m_beats.get(),
                     [this](const QString& path, const Waveform& waveform, bool) {
                         m_beats->mapReady(path, waveform.map, waveform.duration);
                     });
    QObject::connect(
        &m_tools->timeline(), &StripTimeline::sectionTaken, m_beats.get(), [this](double seconds) {
            m_window->opener().whenSettled([this, seconds] { m_beats->takeSection(seconds); });
        });
    QObject::connect(m_beats.get(), &BeatMarks::tempoChanged, m_tools.get(),
                     [this](const QString& text) {
                         m_tools->controlsOf(true)->setTempo(text);
                         m_tools->controlsOf(false)->setTempo(text);
                     });
}

void PlayerRoot::wireMarkViews() {
    frmRehearsal& w = *m_window;
    MarkPoints& marks = *m_markPoints;
    // The line under the strip shows what the mark model shows there, and nothing else.
    QObject::connect(m_marks.get(), &MarkModel::noteShown, w.lblNote, &QLabel::setText);
    marks.focusPlay = [&w] { w.cmdPlay->setFocus(); };
    marks.showAbout = [&w] { w.mnuAbout_Click(); };
    auto connectNudge = [&marks](NudgeButton& b) {
        QObject::connect(&b, &NudgeButton::MouseUp, &marks,
                         [&marks](int i, int button) { marks.cmdNudge_MouseUp(i, button); });
    };
    connectNudge(m_strip->cmdNudge(0));
    m_strip->onNudgeCreated = connectNudge;
    QObject::connect(w.keypad, &MarkKeypad::Click, &marks,
                     [&marks](int i) { marks.cmdMark_Click(i); });
    QObject::connect(w.keypad, &MarkKeypad::MouseUp, &marks,
                     [&marks](int i, int button) { marks.cmdMark_MouseUp(i, button); });
    QObject::connect(w.keypad, &MarkKeypad::GotFocus, &marks,
                     [&marks](int i) { marks.cmdMark_GotFocus(i); });
    m_exchange->tell = [this](const QString& news) { m_marks->showNote(news); };
}

PlayerRoot::~PlayerRoot() {
    // Controllers go before what they control; the window before the components it shows.
    m_mpris.reset();
    m_beats.reset();
    m_tools.reset();
    m_practice.reset();
    m_player.reset();
    m_missing.reset();
    m_exchange.reset();
    m_keys.reset();
    m_markPoints.reset();
    m_strip.reset();
    m_window.reset();
    m_recent.reset();
    m_marks.reset();
    m_opener.reset();
}

bool PlayerRoot::publishOnSessionBus() {
    return m_mpris->registerOnSessionBus();
}
