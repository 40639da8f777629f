#include "marks/LoopBetweenMarks.h"

#include "engine/MediaComponent.h"
#include "engine/Runtime.h"
#include "engine/modHybrid.h"
#include "marks/MarkPoints.h"
#include "marks/StripMath.h"

#include <QLabel>

LoopBetweenMarks::LoopBetweenMarks(MarkPoints& marks, modHybrid& hybrid, MediaComponent& WMP1,
                                   MediaComponent& mp1, QLabel& lblNote, QObject* parent)
    : QObject(parent), m_marks(marks), m_hybrid(hybrid), m_lblNote(lblNote) {
    watch(WMP1);
    watch(mp1);
}

void LoopBetweenMarks::watch(MediaComponent& component) {
    MediaBackend* backend = &component.backend();
    connect(&component, &MediaComponent::stateChanged, this,
            [this, backend](MediaBackend::State state) {
                if (backend != m_backend)
                    return;
                // Opening (a new track or PLAY from the start), stopping, the end of the
                // track or a failure end the loop; pausing keeps it.
                if (state != MediaBackend::State::Playing && state != MediaBackend::State::Paused)
                    end();
            });
    connect(backend, &MediaBackend::loopRestarted, this, [this, backend] {
        if (backend == m_backend)
            m_lblNote.setText(m_marks.note(m_startMark));
    });
}

void LoopBetweenMarks::toggle() {
    if (active()) {
        end();
        return;
    }
    const int start = m_marks.CurrentMark;
    if (start < 0 || start > 9 || !m_marks.isSet(start) || !m_hybrid.activeHasTrack())
        return;
    double from = 0;
    try {
        from = StripMath::positionValue(m_marks.positionText(start));
    } catch (const RuntimeError&) {
        return;
    }
    const double length = m_hybrid.duration();
    double to = length;
    int endMark = -1;
    for (int i = 0; i < 10; ++i) {
        if (i == start || !m_marks.isSet(i))
            continue;
        try {
            const double p = StripMath::positionValue(m_marks.positionText(i));
            if (p > from && p < to) {
                to = p;
                endMark = i;
            }
        } catch (const RuntimeError&) {
        }
    }
    if (from < 0)
        from = 0;
    if (to <= from)
        return;
    MediaBackend& backend = m_hybrid.active().backend();
    backend.setLoop(from, to);
    if (!backend.looping())
        return;
    m_backend = &backend;
    m_startMark = start;
    m_endMark = endMark;
    m_from = from;
    m_to = to;
    m_lblNote.setText(m_marks.note(start));
    emit changed();
}

void LoopBetweenMarks::end() {
    if (!m_backend)
        return;
    MediaBackend* backend = m_backend;
    m_backend = nullptr;
    backend->clearLoop();
    m_startMark = -1;
    m_endMark = -1;
    emit changed();
}

void LoopBetweenMarks::wentToMark(int index) {
    if (active() && index != m_startMark)
        end();
}
