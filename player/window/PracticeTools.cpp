#include "window/PracticeTools.h"

#include "base/Runtime.h"
#include "engine/PlayerInterface.h"
#include "engine/PracticeTempo.h"
#include "engine/WaveformOverview.h"
#include "marks/MarkStrip.h"
#include "marks/StripBackdrop.h"
#include "models/MarkModel.h"
#include "platform/VirtualKeys.h"
#include "practice/LoopBetweenMarks.h"
#include "practice/Practice.h"
#include "practice/PracticeSession.h"
#include "window/MediaComponentView.h"
#include "window/PracticeControls.h"
#include "window/PracticePanel.h"
#include "window/StripTimeline.h"

#include <QToolButton>

#include <algorithm>

namespace vk = VirtualKeys;

PracticeTools::PracticeTools(const Parts& parts, QObject* parent)
    : QObject(parent), m_player(parts.player), m_practice(parts.practice), m_marks(parts.marks),
      m_strip(parts.strip), m_stripWidth(parts.stripHost.width()) {
    m_overview = new WaveformOverview(WaveformCache(), this);

    m_backdrop = new StripBackdrop(&parts.stripHost);
    m_backdrop->setBand(parts.bandTop, parts.bandHeight);
    m_timeline = new StripTimeline(StripTimeline::Parts{parts.stripHost, *m_backdrop, parts.player,
                                                        parts.marks, parts.strip, parts.bandTop});

    m_wmpControls = new PracticeControls(tempo());
    m_mpControls = new PracticeControls(tempo());
    parts.WMP1View.addBesideSeek(m_wmpControls);
    parts.mp1View.addBesideSeek(m_mpControls);
    for (PracticeControls* c : {m_wmpControls, m_mpControls}) {
        connect(c, &PracticeControls::loopClicked, &loop(), &LoopBetweenMarks::toggle);
        connect(c, &PracticeControls::panelClicked, this, &PracticeTools::togglePanel);
    }
    connect(&session(), &PracticeSession::statusChanged, this, [this] {
        m_wmpControls->setStatus(session().status());
        m_mpControls->setStatus(session().status());
    });
    connect(&session(), &PracticeSession::settingsChanged, this, &PracticeTools::showLoop);
    connect(&loop(), &LoopBetweenMarks::changed, this, &PracticeTools::showLoop);
    connect(&parts.player, &PlayerInterface::trackOpened, this, &PracticeTools::trackOpened);
    connect(m_overview, &WaveformOverview::ready, this,
            [this](const QString& path, const Waveform& w, bool) { showOverview(path, w); });
    connect(m_overview, &WaveformOverview::unavailable, this, [this](const QString& path) {
        if (path == m_player.currentTrack()) {
            emit overviewSettled();
        }
    });
}

PracticeTools::~PracticeTools() = default;

PracticeTempo& PracticeTools::tempo() {
    return m_practice.tempo();
}
LoopBetweenMarks& PracticeTools::loop() {
    return m_practice.loop();
}
PracticeSession& PracticeTools::session() {
    return m_practice.session();
}

bool PracticeTools::keyCommand(int16_t KeyCode) {
    switch (KeyCode) {
    case vk::OemOpenBracket:
        tempo().slower();
        return true;
    case vk::OemCloseBracket:
        tempo().faster();
        return true;
    case vk::OemBackslash:
        tempo().resetSpeed();
        return true;
    case vk::OemMinus:
        tempo().transposeDown();
        return true;
    case vk::OemPlus:
        tempo().transposeUp();
        return true;
    case vk::KeyL:
        loop().toggle();
        return true;
    case vk::KeyP:
        togglePanel();
        return true;
    default:
        return false;
    }
}

void PracticeTools::trackOpened() {
    // Only a track that has opened takes the old overview away: one that fails to open leaves
    // the current track, and its overview, in place. Opening the same track again keeps it.
    if (m_player.currentTrack() != m_overviewTrack) {
        m_overview->cancel();
        m_backdrop->clearOverview();
    }
    // The practice room has restored the track's own speed, transposition and settings.
    m_backdrop->setStripScale(m_marks.stripScale());
    // Asked again also for the same track: the cache answers at once unless the file changed.
    m_overviewTrack = m_player.currentTrack();
    m_overview->request(m_overviewTrack, m_stripWidth);
}

PracticePanel& PracticeTools::panel() {
    if (!m_panel) {
        m_panel = new PracticePanel(session(), m_wmpControls->window());
        if (m_beats) {
            m_panel->addCountIn(*m_beats);
        }
    }
    return *m_panel;
}

void PracticeTools::useBeat(BeatMarks& beats) {
    m_beats = &beats;
    if (m_panel) {
        m_panel->addCountIn(beats);
    }
}

void PracticeTools::togglePanel() {
    PracticePanel& p = panel();
    if (p.isVisible()) {
        p.hide();
        return;
    }
    // Beside the controls that are shown: those of the component playing the track.
    PracticeControls* c = m_wmpControls->isVisible() ? m_wmpControls : m_mpControls;
    QToolButton* b = c->panelButton();
    p.popUpBeside(QRect(b->mapToGlobal(QPoint(0, 0)), b->size()));
}

void PracticeTools::showOverview(const QString& path, const Waveform& waveform) {
    if (path != m_overviewTrack) {
        return;
    }
    m_backdrop->setOverview(waveform.peaks, waveform.duration);
    emit overviewSettled();
}

void PracticeTools::showLoop() {
    const bool on = loop().active();
    m_wmpControls->setLoopOn(on);
    m_mpControls->setLoopOn(on);
    if (!on) {
        m_backdrop->clearLoopSpan();
        return;
    }
    // The shading runs between the lines of the two marks, where the strip draws them.
    MarkStrip& strip = m_strip;
    const int16_t scale = m_marks.stripScale();
    int from = 0;
    int to = 0;
    int leadIn = -1;
    try {
        from = strip.linMark(loop().startMark()).x1();
        if (loop().passStart() < loop().from()) {
            leadIn = std::min<double>(loop().passStart() * scale, 32767.0);
        }
        if (loop().endMark() >= 0) {
            to = strip.linMark(loop().endMark()).x1();
        } else {
            to = std::min<double>(loop().to() * scale, 32767.0);
        }
    } catch (const RuntimeError&) {
        return;
    }
    m_backdrop->setLoopSpan(from, to, leadIn);
}
