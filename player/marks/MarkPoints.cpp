#include "marks/MarkPoints.h"

#include "base/AppIdentity.h"
#include "base/Runtime.h"
#include "engine/MediaPlayer.h"
#include "engine/WindowsMediaPlayer.h"
#include "engine/modHybrid.h"
#include "marks/Colours.h"
#include "marks/StripMath.h"
#include "platform/Platform.h"
#include "platform/VirtualKeys.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

const QString kApp = AppIdentity::name();

// Runs one step; a missing strip element skips just that step.
template <typename F> void step(F&& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        if (e.number() != errNoSuchElement) {
            throw;
        }
    }
}

uint32_t colourOf(MarkModel::Look look) {
    switch (look) {
    case MarkModel::Look::Set:
        return Colours::Yellow;
    case MarkModel::Look::Current:
        return Colours::LightRed;
    case MarkModel::Look::Plain:
        break;
    }
    return Colours::ButtonFace;
}

using Look = MarkModel::Look;

} // namespace

MarkPoints::MarkPoints(modHybrid& hybrid, WindowsMediaPlayer& WMP1, MediaPlayer& mp1,
                       MarkViews views, Platform& platform, MarkModel& model)
    : m_hybrid(hybrid), m_wmp(WMP1), m_mp(mp1), m_views(std::move(views)), m_platform(platform),
      m_model(model) {
    // The keypad's notes and the strip's visible lines follow the model.
    connect(&m_model, &MarkModel::markChanged, this, &MarkPoints::showMark);
    connect(&m_model, &MarkModel::marksReset, this, [this] {
        for (int i = 0; i < MarkModel::kMarks; ++i) {
            showMark(i);
        }
    });
    connect(&m_model, &MarkModel::lookChanged, this, &MarkPoints::showLook);
    for (int i = 0; i < MarkModel::kMarks; ++i) {
        m_views.keypad.cmdMark(i).setAccessibleDescription(MarkSpeech::buttonDescription(i + 1));
        describe(i);
    }
}

MarkSpeech::Shown MarkPoints::shown(int index) const {
    // The look tells the current mark; the stored state whether there is a mark at all (a
    // clearing empties the mark before its button turns plain).
    if (!m_model.isSet(index)) {
        return MarkSpeech::Shown::NotSet;
    }
    return m_model.look(index) == Look::Current ? MarkSpeech::Shown::Current
                                                : MarkSpeech::Shown::Set;
}

void MarkPoints::showLook(int button) {
    m_views.keypad.cmdMark(button).setBackColor(colourOf(m_model.look(button)));
    if (button < MarkModel::kMarks) {
        describe(button);
    }
}

void MarkPoints::describe(int index) {
    const MarkSpeech::Shown how = shown(index);
    m_views.keypad.cmdMark(index).setAccessibleName(
        MarkSpeech::buttonName(index + 1, how, m_model.position(index), m_model.note(index)));
}

void MarkPoints::showMark(int index) {
    m_views.keypad.cmdMark(index).setToolTip(m_model.note(index));
    describe(index);
    MarkStrip& strip = m_views.strip;
    if (!strip.exists(index)) {
        return;
    }
    strip.setShown(index, m_model.isSet(index));
}

// ---- events ---------------------------------------------------------------------------

void MarkPoints::readModeKeys(int16_t Shift) {
    const int held = VirtualKeys::shiftMask(m_platform.modeKeys()) | Shift;
    m_model.setSetMode(held & VirtualKeys::CtrlMask);
    m_model.setClearMode(held & VirtualKeys::AltMask);
}

void MarkPoints::cmdMark_Click(int Index) {
    try {
        readModeKeys(0);
        if (m_model.clearMode()) {
            // "?" and "Clear All" have no strip elements; with Alt held they do nothing.
            if (Index < MarkModel::kMarks) {
                ClearMarkPoint(Index, false);
            }
        } else if (m_model.setMode()) {
            if (Index == kClearAllButton) {
                ForgetAllMarks();
            } else if (Index == kAboutButton) {
                haveTrack();
            } else {
                SetMarkPoint(Index);
            }
        } else {
            if (Index == kAboutButton) {
                if (showAbout) {
                    showAbout();
                }
            } else if (Index == kClearAllButton) {
                ClearAllMarks();
            } else {
                GoToMarkPoint(Index);
            }
            m_platform.injectKey(VirtualKeys::Right);
        }
    } catch (const std::exception&) {
    }
    if (focusPlay) {
        focusPlay();
    }
}

void MarkPoints::cmdMark_MouseUp(int Index, int Button) {
    try {
        if (Button != 2 || m_model.look(Index) == Look::Plain) {
            return;
        }
        const QString text = m_platform.inputBox(QStringLiteral("Enter note for this mark point"),
                                                 QStringLiteral("Vuvizavir"), QString());
        if (text.isEmpty()) {
            return;
        }
        m_model.forgetUndo();
        if (m_model.setNote(Index, text)) {
            m_model.showNote(text);
            m_platform.announce(MarkSpeech::noted(Index + 1, text));
        }
    } catch (const std::exception&) {
    }
}

void MarkPoints::cmdMark_GotFocus(int Index) {
    m_model.showNote(note(Index));
}

void MarkPoints::cmdNudge_MouseUp(int Index, int Button) {
    try {
        const double p = StripMath::positionValue(m_model.position(Index));
        MoveMarkTo(Index, Button == 1 ? p - NudgeStep : p + NudgeStep);
    } catch (const std::exception&) {
    }
}

void MarkPoints::MoveMarkTo(int Index, double seconds) {
    const QString text = numberText(seconds);
    m_model.forgetUndo();
    if (!SaveMarkPosition(Index, text)) {
        return;
    }
    m_views.lblPosition.setText(StripMath::wholeSecondsText(text) + QStringLiteral(" seconds"));
    // Far past the ends of the track the strip's 16-bit range ends; draw at its edge.
    placeSlot(Index, StripMath::clampedXFromPositionText(text, m_model.stripScale()));
    m_platform.announce(MarkSpeech::nudged(Index + 1, text));
}

int MarkPoints::FillUnsetMarks(std::vector<double> positions) {
    if (m_hybrid.CurrentTrack.isEmpty() || m_model.track() != m_hybrid.CurrentTrack) {
        return 0;
    }
    std::sort(positions.begin(), positions.end());
    MarkSnapshot marks = snapshot();
    std::vector<double> taken;
    for (const MarkSnapshot::Mark& m : marks.marks) {
        if (m.set) {
            taken.push_back(StripMath::positionValue(m.position));
        }
    }
    int given = 0;
    size_t next = 0;
    for (MarkSnapshot::Mark& m : marks.marks) {
        if (m.set) {
            continue;
        }
        while (next < positions.size() && std::any_of(taken.begin(), taken.end(), [&](double t) {
                   return std::abs(t - positions[next]) < 1.0;
               })) {
            ++next;
        }
        if (next >= positions.size()) {
            break;
        }
        m.set = true;
        m.position = numberText(positions[next]);
        m.x.reset();
        m.stored.reset();
        taken.push_back(positions[next++]);
        ++given;
    }
    if (given == 0) {
        return 0;
    }
    rememberForUndo(true);
    if (!restoreMarks(marks)) {
        m_model.forgetUndo();
        return 0;
    }
    return given;
}

// ---- operations -------------------------------------------------------------------------

bool MarkPoints::haveTrack() {
    // A component can hold a file that never opened; only a current track has marks.
    if ((m_wmp.URL().isEmpty() && m_mp.FileName().isEmpty()) || m_hybrid.CurrentTrack.isEmpty()) {
        m_platform.messageBox(QStringLiteral("No File Chosen"), kApp, MsgButtons::Ok,
                              MsgIcon::Information);
        return false;
    }
    return true;
}

void MarkPoints::ForgetAllMarks() {
    if (!haveTrack()) {
        return;
    }
    rememberForUndo();
    hideSlot(0);
    ForgetMarkPosition(0);
    for (int i = 1; i < MarkStrip::kSlots; ++i) {
        if (!m_views.strip.exists(i)) {
            continue;
        }
        discardSlot(i);
        ForgetMarkPosition(i);
    }
    for (int i = 0; i < MarkModel::kButtons; ++i) {
        m_model.setLook(i, Look::Plain);
    }
    m_platform.announce(MarkSpeech::allCleared());
}

void MarkPoints::ResetForNewTrack() {
    if (!haveTrack()) {
        return;
    }
    m_model.forgetUndo();
    hideSlot(0);
    for (int i = 1; i < MarkStrip::kSlots; ++i) {
        discardSlot(i);
    }
    for (int i = 0; i < MarkModel::kButtons; ++i) {
        m_model.setLook(i, Look::Plain);
    }
    // Until the new track's marks are loaded no mark can be set, so none is ever shown for
    // one track and stored for another.
    m_model.unload();
}

void MarkPoints::SetMarkPoint(int Index) {
    if (!haveTrack()) {
        return;
    }
    m_model.forgetUndo();
    // While marks snap to the beat, a beat near the player takes the mark instead.
    const std::optional<Snapped> snapped =
        snapToBeat ? snapToBeat(m_hybrid.position()) : std::nullopt;
    // Stored first: a mark that the store does not hold is never shown.
    if (!SaveMarkPosition(Index, numberText(snapped ? snapped->seconds : m_hybrid.position()))) {
        return;
    }
    if (Index != 0) {
        ensureSlot(Index);
        step([&] {
            showMark(Index);
            bringLineForward(Index);
        });
    }
    try {
        if (snapped) {
            placeSlot(Index, StripMath::clampedXFromPositionText(m_model.position(Index),
                                                                 m_model.stripScale()));
            m_views.strip.lblMark(Index).setText(QString::number(Index + 1));
            m_views.strip.setShown(Index, true);
        } else {
            DrawMarkAtPlayer(Index);
        }
    } catch (const RuntimeError&) {
        // The mark is still stored and coloured; only its drawing failed.
    }
    m_model.setLook(Index, Look::Set);
    m_model.setCurrent(static_cast<int16_t>(Index));
    m_platform.announce(snapped && snapped->bar > 0
                            ? MarkSpeech::setOnBar(Index + 1, snapped->bar, m_model.position(Index))
                            : MarkSpeech::set(Index + 1, m_model.position(Index)));
}

void MarkPoints::ClearMarkPoint(int Index, bool keyVariant) {
    if (isSet(Index) || (keyVariant && !note(Index).isEmpty())) {
        rememberForUndo();
    }
    step([&] { hideSlot(Index); });
    m_model.setLook(Index, Look::Plain);
    m_model.clear(Index, keyVariant);
    m_platform.announce(MarkSpeech::cleared(Index + 1));
}

void MarkPoints::ClearAllMarks() {
    rememberForUndo();
    for (int i = 0; i < MarkModel::kMarks; ++i) {
        step([&] { hideSlot(i); });
        m_model.setLook(i, Look::Plain);
        m_model.clear(i, true);
    }
    m_platform.announce(MarkSpeech::allCleared());
}

void MarkPoints::GoToMarkPoint(int Index) {
    MarkStrip& strip = m_views.strip;
    if (!isSet(Index)) {
        m_platform.messageBox(QStringLiteral("Setting for number %1 not made").arg(Index + 1), kApp,
                              MsgButtons::Ok, MsgIcon::None);
        return;
    }
    LastMarkSlot = static_cast<int16_t>(strip.highestSlot());
    for (int i = 0; i <= LastMarkSlot; ++i) {
        step([&] {
            strip.lblMark(i); // a discarded slot is skipped
            const QString position = m_model.position(i);
            if (!position.isEmpty() && m_model.isSet(i)) {
                m_model.setLook(i, Look::Set);
            } else if (position.isEmpty()) {
                m_model.setLook(i, Look::Plain);
            }
        });
    }
    for (int i = 0; i <= LastMarkSlot; ++i) {
        step([&] {
            strip.linMark(i).setBorderColor(Colours::Black);
            strip.lblMark(i).setForeColor(Colours::Black);
        });
    }
    const QString tag = m_model.position(Index);
    step([&] {
        strip.lblMark(Index); // a discarded slot's mark has no place to go to
        const double at = StripMath::positionValue(tag);
        m_hybrid.setPosition(at - (countInBefore ? countInBefore(Index, at) : 0.0));
    });
    m_model.setCurrent(static_cast<int16_t>(Index));
    if (wentToMark) {
        wentToMark(Index);
    }
    m_model.showNote(note(Index));
    step([&] {
        strip.lblMark(Index).setForeColor(Colours::Red);
        strip.linMark(Index).setBorderColor(Colours::Red);
    });
    m_model.setLook(Index, Look::Current);
    m_views.lblPosition.setText(StripMath::wholeSecondsText(tag) + QStringLiteral(" seconds"));
    m_platform.announce(MarkSpeech::wentTo(Index + 1, tag, note(Index)));
}

void MarkPoints::StepMarkPoint(const int16_t& Current, bool Forward) {
    // A mark shown set or current; "?" and "Clear All" are never either.
    auto coloured = [&](int j) { return m_model.look(j) != Look::Plain; };
    if (Forward) {
        if (Current == 9) {
            return;
        }
        for (int j = std::max(Current + 1, 0); j < MarkModel::kMarks; ++j) {
            if (coloured(j)) {
                GoToMarkPoint(j);
                return;
            }
        }
        return;
    }
    if (Current <= 0) {
        return;
    }
    for (int j = Current - 1; j >= 0; --j) {
        if (coloured(j)) {
            GoToMarkPoint(j);
            return;
        }
    }
}

void MarkPoints::StepFromCurrent(bool Forward) {
    try {
        readModeKeys(0);
        if (!m_model.setMode() && !m_model.clearMode()) {
            StepMarkPoint(m_model.current(), Forward);
        }
    } catch (const std::exception&) {
    }
}

bool MarkPoints::SaveMarkPosition(int Index, const QString& Value) {
    return m_model.set(Index, Value.isEmpty() ? numberText(m_hybrid.position()) : Value);
}

void MarkPoints::ForgetMarkPosition(int Index) {
    m_model.clear(Index, false);
}

void MarkPoints::LoadTrackMarks() {
    m_model.setCurrent(-1);
    const QString movedFrom = m_model.load(m_hybrid.CurrentTrack, m_hybrid.duration());
    for (int i = 0; i < 10; ++i) {
        if (m_model.isSet(i)) {
            LayOutMark(i, m_model.position(i), true);
        } else {
            LayOutMark(i, QStringLiteral("0"), false);
        }
    }
    m_model.showNote(note(0));
    if (!movedFrom.isEmpty()) {
        m_model.showNote(QStringLiteral("Marks found from ") +
                         movedFrom.section(QRegularExpression(QStringLiteral("[/\\\\]")), -1));
    }
}

void MarkPoints::loadMarksWithoutStrip() {
    m_model.setCurrent(-1);
    m_model.load(m_hybrid.CurrentTrack, m_hybrid.duration());
    for (int i = 0; i < 10; ++i) {
        if (m_model.isSet(i)) {
            m_model.setLook(i, Look::Set);
        }
    }
}

// ---- undo ------------------------------------------------------------------------------

MarkSnapshot MarkPoints::snapshot() const {
    return m_model.snapshot(m_hybrid.CurrentTrack);
}

void MarkPoints::rememberForUndo(bool evenWhenEmpty) {
    MarkSnapshot before = snapshot();
    const bool anything = std::any_of(before.marks.begin(), before.marks.end(),
                                      [](const auto& m) { return m.set || !m.note.isEmpty(); });
    if (anything || evenWhenEmpty) {
        m_model.remember(std::move(before));
    } else {
        m_model.forgetUndo();
    }
}

bool MarkPoints::canUndo() const {
    return m_model.track() == m_hybrid.CurrentTrack && m_model.canUndo();
}

void MarkPoints::UndoClearing() {
    if (!canUndo()) {
        return;
    }
    if (const auto before = m_model.takeUndo()) {
        if (restoreMarks(*before)) {
            m_platform.announce(MarkSpeech::putBack());
        }
    }
}

bool MarkPoints::restoreMarks(const MarkSnapshot& marks) {
    if (marks.track != m_hybrid.CurrentTrack || !m_model.restore(marks)) {
        return false;
    }

    MarkStrip& strip = m_views.strip;
    for (int i = 0; i < 10; ++i) {
        const MarkSnapshot::Mark& m = marks.marks[i];
        try {
            if (m.set) {
                LayOutMark(i, m.position, true);
                if (m.x) {
                    placeSlot(i, *m.x);
                }
                strip.linMark(i).setBorderColor(Colours::Black);
                strip.lblMark(i).setForeColor(Colours::Black);
            } else {
                if (strip.exists(i)) {
                    hideSlot(i);
                }
                m_model.setLook(i, Look::Plain);
            }
        } catch (const RuntimeError&) {
            // A mark too far past the end of the track to be drawn is still stored.
        }
    }
    return true;
}

// ---- strip ------------------------------------------------------------------------------

void MarkPoints::ComputeStripScale() {
    m_model.setStripScale(StripMath::computeScale(m_hybrid.duration(), kStripWidthTwips));
}

void MarkPoints::LayOutMark(int Index, const QString& Position, bool IsSet) {
    MarkStrip& strip = m_views.strip;
    createSlot(Index);
    // A position past the strip's 16-bit range (a shorter edit of the same file) is drawn at
    // the strip's edge, as a nudge far past the end is.
    placeSlot(Index, StripMath::clampedXFromPositionText(Position, m_model.stripScale()));
    if (IsSet) {
        strip.setShown(Index, true);
        if (Index != 0) {
            bringLineForward(Index);
        }
    }
    strip.lblMark(Index).setText(QString::number(Index + 1));
    if (IsSet) {
        m_model.setLook(Index, Look::Set);
    }
    if (QWidget* view = m_views.activeComponentView ? m_views.activeComponentView() : nullptr) {
        view->raise();
    }
    m_views.lblTitle.raise();
    LastMarkSlot = static_cast<int16_t>(strip.highestSlot());
}

void MarkPoints::DrawMarkAtPlayer(int Index) {
    MarkStrip& strip = m_views.strip;
    const int16_t x = StripMath::xFromPlayer(m_hybrid.position(), m_model.stripScale());
    strip.linMark(Index).setX(x);
    m_model.setStripX(Index, x);
    strip.linMark(Index).show();
    strip.lblMark(Index).setLeftTwips(x);
    strip.lblMark(Index).show();
    strip.lblMark(Index).setText(QString::number(Index + 1));
    strip.cmdNudge(Index).setLeftTwips(StripMath::nudgeLeft(x));
    strip.cmdNudge(Index).show();
}

// ---- helpers ----------------------------------------------------------------------------

bool MarkPoints::isSet(int index) const {
    return m_model.isSet(index);
}

QString MarkPoints::positionText(int index) const {
    return m_model.position(index);
}

QString MarkPoints::note(int index) const {
    return m_model.note(index);
}

void MarkPoints::createSlot(int index) {
    if (index == 0 || m_views.strip.exists(index)) {
        return;
    }
    m_views.strip.create(index);
    m_model.setStripX(index, 0);
}

void MarkPoints::discardSlot(int index) {
    m_views.strip.discard(index);
    if (index != 0) {
        m_model.setStripX(index, std::nullopt);
    }
}

void MarkPoints::placeSlot(int index, int16_t x) {
    m_views.strip.placeAt(index, x);
    m_model.setStripX(index, x);
}

void MarkPoints::hideSlot(int index) {
    m_views.strip.setShown(index, false);
}

void MarkPoints::bringLineForward(int index) {
    m_views.strip.linMark(index).raise();
    if (QWidget* view = m_views.activeComponentView ? m_views.activeComponentView() : nullptr) {
        view->raise();
    }
    m_views.lblTitle.raise();
}

void MarkPoints::ensureSlot(int index) {
    MarkStrip& strip = m_views.strip;
    if (index == 0 || strip.exists(index)) {
        return;
    }
    createSlot(index);
    strip.lblMark(index).setText(QString::number(index + 1));
    LastMarkSlot = static_cast<int16_t>(strip.highestSlot());
}
