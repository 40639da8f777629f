#include "app/PlayerRoot.h"

#include "app/RehearsalPlayer.h"
#include "engine/MediaPlayer.h"
#include "engine/OpenController.h"
#include "engine/Waveform.h"
#include "engine/WaveformOverview.h"
#include "engine/WindowsMediaPlayer.h"
#include "engine/modHybrid.h"
#include "marks/BeatMarks.h"
#include "marks/MarkPoints.h"
#include "marks/MarkStrip.h"
#include "marks/StripMath.h"
#include "mpris/MprisService.h"
#include "window/MediaComponentView.h"
#include "window/PracticeControls.h"
#include "window/PracticeTools.h"
#include "window/StripTimeline.h"
#include "window/frmRehearsal.h"

#include <algorithm>

PlayerRoot::PlayerRoot(Platform& platform, cRegistry& registry, const BackendFactory& backends)
    : m_wmp(std::make_unique<WindowsMediaPlayer>(backends())),
      m_mp(std::make_unique<MediaPlayer>(backends())),
      m_hybrid(std::make_unique<modHybrid>(*m_wmp, *m_mp, platform)),
      m_opener(std::make_unique<OpenController>(*m_hybrid, *m_wmp, *m_mp)),
      m_window(
          std::make_unique<frmRehearsal>(platform, registry, *m_wmp, *m_mp, *m_hybrid, *m_opener)),
      m_player(std::make_unique<RehearsalPlayer>(*m_hybrid, *m_wmp, *m_mp, *m_opener, *m_window)) {
    frmRehearsal& w = *m_window;
    // The track overview fills the strip's free height between the title band and the mark
    // labels.
    const int top = w.lblColor->geometry().bottom() + 4;
    const int bottom = MarkStrip::kLabelTop / StripMath::kTwipsPerPixel - 3;
    m_practice = std::make_unique<PracticeTools>(PracticeTools::Parts{
        *m_player, *m_hybrid, *m_wmp, *m_mp, w.marks(), w.strip(), *w.picMarker, top,
        std::max(0, bottom - top), *w.WMP1View, *w.mp1View, registry});
    m_beats = std::make_unique<BeatMarks>(
        *m_player, w.marks(), m_practice->backdrop(), registry, platform,
        std::vector<MediaBackend*>{&m_wmp->backend(), &m_mp->backend()});
    w.otherKey = [this](int16_t key) {
        if (!m_beats->keyCommand(key)) {
            m_practice->keyCommand(key);
        }
    };
    w.useBeat(*m_beats);
    QObject::connect(&m_practice->overview(), &WaveformOverview::ready, m_beats.get(),
                     [this](const QString& path, const Waveform& waveform, bool) {
                         m_beats->mapReady(path, waveform.map, waveform.duration);
                     });
    QObject::connect(&m_practice->timeline(), &StripTimeline::sectionTaken, m_beats.get(),
                     [this](double seconds) {
                         m_window->opener().whenSettled(
                             [this, seconds] { m_beats->takeSection(seconds); });
                     });
    QObject::connect(m_beats.get(), &BeatMarks::tempoChanged, m_practice.get(),
                     [this](const QString& text) {
                         m_practice->controlsOf(true)->setTempo(text);
                         m_practice->controlsOf(false)->setTempo(text);
                     });
    // The practice tools sit in the component's bar: Tab goes through them where they are.
    w.orderFocus();
    m_player->setPractice(*m_practice);
    MarkPoints& marks = w.marks();
    QObject::connect(m_player.get(), &RehearsalPlayer::markStepRequested, &marks,
                     &MarkPoints::StepFromCurrent);
    QObject::connect(m_player.get(), &RehearsalPlayer::raiseRequested, &w, [&w] {
        w.raise();
        w.activateWindow();
    });
    QObject::connect(m_player.get(), &RehearsalPlayer::quitRequested, &w, &QWidget::close);
    m_mpris = std::make_unique<MprisService>(*m_player);
}

PlayerRoot::~PlayerRoot() {
    // Controllers go before what they control; the window before the components it shows.
    m_mpris.reset();
    m_beats.reset();
    m_practice.reset();
    m_player.reset();
    m_window.reset();
    m_opener.reset();
}

bool PlayerRoot::publishOnSessionBus() {
    return m_mpris->registerOnSessionBus();
}
