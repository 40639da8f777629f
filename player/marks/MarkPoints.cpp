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

} // namespace

MarkPoints::MarkPoints(modHybrid& hybrid, WindowsMediaPlayer& WMP1, MediaPlayer& mp1,
                       MarkViews views, Platform& platform, cRegistry& registry)
    : m_hybrid(hybrid), m_wmp(WMP1), m_mp(mp1), m_views(std::move(views)), m_platform(platform),
      m_repository(registry), m_model(m_repository) {
    // The keypad's notes and the strip's visible lines follow the model.
    connect(&m_model, &MarkModel::markChanged, this, &MarkPoints::showMark);
    connect(&m_model, &MarkModel::marksReset, this, [this] {
        for (int i = 0; i < MarkModel::kMarks; ++i) {
            showMark(i);
        }
    });
    connect(&m_views.keypad, &MarkKeypad::BackColorChanged, this, [this](int index) {
        if (index < MarkModel::kMarks) {
            describe(index);
        }
    });
    for (int i = 0; i < MarkModel::kMarks; ++i) {
        m_views.keypad.cmdMark(i).setAccessibleDescription(MarkSpeech::buttonDescription(i + 1));
        describe(i);
    }
}

MarkSpeech::Shown MarkPoints::shown(int index) const {
    // The colour tells the current mark; the model whether there is a mark at all (a clearing
    // empties the model before it recolours the button).
    if (!m_model.isSet(index)) {
        return MarkSpeech::Shown::NotSet;
    }
    return buttonColour(index) == Colours::LightRed ? MarkSpeech::Shown::Current
                                                    : MarkSpeech::Shown::Set;
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
    const bool set = m_model.isSet(index);
    strip.lblMark(index).setVisible(set);
    strip.linMark(index).setVisible(set);
    strip.cmdNudge(index).setVisible(set);
}

// ---- events ---------------------------------------------------------------------------

void MarkPoints::readModeKeys(int16_t Shift) {
    const int held = VirtualKeys::shiftMask(m_platform.modeKeys()) | Shift;
    SetMode = held & VirtualKeys::CtrlMask;
    ClearMode = held & VirtualKeys::AltMask;
}

void MarkPoints::cmdMark_Click(int Index) {
    try {
        readModeKeys(0);
        if (ClearMode) {
            // "?" and "Clear All" have no strip elements; with Alt held they do nothing.
            if (Index < 10) {
                ClearMarkPoint(Index, false);
            }
        } else if (SetMode) {
            SetMarkPoint(Index, false);
        } else {
            GoToMarkPoint(Index);
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
        if (Button != 2 || buttonColour(Index) == Colours::ButtonFace) {
            return;
        }
        const QString text = m_platform.inputBox(QStringLiteral("Enter note for this mark point"),
                                                 QStringLiteral("Vuvizavir"), QString());
        if (text.isEmpty()) {
            return;
        }
        m_model.forgetUndo();
        if (m_model.setNote(Index, text)) {
            m_views.lblNote.setText(text);
            m_platform.announce(MarkSpeech::noted(Index + 1, text));
        }
    } catch (const std::exception&) {
    }
}

void MarkPoints::cmdMark_GotFocus(int Index) {
    m_views.lblNote.setText(note(Index));
}

void MarkPoints::cmdNudge_MouseUp(int Index, int Button) {
    try {
        MarkStrip& strip = m_views.strip;
        double p = StripMath::positionValue(m_model.position(Index));
        p = Button == 1 ? p - NudgeStep : p + NudgeStep;
        const QString text = numberText(p);
        m_model.forgetUndo();
        if (!SaveMarkPosition(Index, text)) {
            return;
        }
        m_views.lblPosition.setText(StripMath::wholeSecondsText(text) + QStringLiteral(" seconds"));
        // Far past the ends of the track the strip's 16-bit range ends; draw at its edge.
        strip.placeAt(Index, StripMath::clampedXFromPositionText(text, StripScale));
        m_platform.announce(MarkSpeech::nudged(Index + 1, text));
    } catch (const std::exception&) {
    }
}

// ---- operations -------------------------------------------------------------------------

void MarkPoints::SetMarkPoint(int Index, bool KeepStored) {
    MarkStrip& strip = m_views.strip;
    // A component can hold a file that never opened; only a current track has marks.
    if ((m_wmp.URL().isEmpty() && m_mp.FileName().isEmpty()) || m_hybrid.CurrentTrack.isEmpty()) {
        m_platform.messageBox(QStringLiteral("No File Chosen"), kApp, MsgButtons::Ok,
                              MsgIcon::Information);
        return;
    }
    if (Index == 11) {
        if (KeepStored) {
            m_model.forgetUndo();
        } else {
            rememberForUndo();
        }
        strip.lblMark(0).hide();
        strip.linMark(0).hide();
        strip.cmdNudge(0).hide();
        if (!KeepStored) {
            ForgetMarkPosition(0);
        }
        for (int i = 1; i < MarkStrip::kSlots; ++i) {
            if (!strip.exists(i)) {
                continue;
            }
            strip.discard(i);
            if (!KeepStored) {
                ForgetMarkPosition(i);
            }
        }
        for (int i = 0; i < MarkKeypad::kButtons; ++i) {
            m_views.keypad.cmdMark(i).setBackColor(Colours::ButtonFace);
        }
        // Opening a track ends the marks of the one before; until the new track's marks are
        // loaded no mark can be set, so none is ever shown for one track and stored for another.
        if (KeepStored) {
            m_model.unload();
        } else {
            m_platform.announce(MarkSpeech::allCleared());
        }
        return;
    }
    if (Index == 10) {
        return;
    }
    m_model.forgetUndo();
    // Stored first: a mark that the store does not hold is never shown.
    if (!SaveMarkPosition(Index, numberText(m_hybrid.position()))) {
        return;
    }
    if (Index != 0) {
        ensureSlot(Index);
        step([&] {
            strip.lblMark(Index).show();
            strip.linMark(Index).show();
            strip.cmdNudge(Index).show();
            bringLineForward(Index);
        });
    }
    try {
        DrawMarkAtPlayer(Index);
    } catch (const RuntimeError&) {
        // The mark is still stored and coloured; only its drawing failed.
    }
    m_views.keypad.cmdMark(Index).setBackColor(Colours::Yellow);
    CurrentMark = static_cast<int16_t>(Index);
    m_platform.announce(MarkSpeech::set(Index + 1, m_model.position(Index)));
}

void MarkPoints::ClearMarkPoint(int Index, bool keyVariant) {
    MarkStrip& strip = m_views.strip;
    if (isSet(Index) || (keyVariant && !note(Index).isEmpty())) {
        rememberForUndo();
    }
    step([&] {
        strip.lblMark(Index).hide();
        strip.linMark(Index).hide();
    });
    m_views.keypad.cmdMark(Index).setBackColor(Colours::ButtonFace);
    step([&] { strip.cmdNudge(Index).hide(); });
    m_model.clear(Index, keyVariant);
    m_platform.announce(MarkSpeech::cleared(Index + 1));
}

void MarkPoints::GoToMarkPoint(int Index) {
    MarkStrip& strip = m_views.strip;
    if (Index == 10) {
        if (showAbout) {
            showAbout();
        }
        return;
    }
    if (Index < 10 && !isSet(Index)) {
        m_platform.messageBox(QStringLiteral("Setting for number %1 not made").arg(Index + 1), kApp,
                              MsgButtons::Ok, MsgIcon::None);
        return;
    }
    if (Index == 11) {
        rememberForUndo();
        for (int i = 0; i < 10; ++i) {
            step([&] {
                strip.lblMark(i).hide();
                strip.linMark(i).hide();
            });
            m_views.keypad.cmdMark(i).setBackColor(Colours::ButtonFace);
            step([&] { strip.cmdNudge(i).hide(); });
            m_model.clear(i, true);
        }
        m_platform.announce(MarkSpeech::allCleared());
        return;
    }
    LastMarkSlot = static_cast<int16_t>(strip.highestSlot());
    for (int i = 0; i <= LastMarkSlot; ++i) {
        step([&] {
            strip.lblMark(i); // a discarded slot is skipped
            const QString position = m_model.position(i);
            if (!position.isEmpty() && m_model.isSet(i)) {
                m_views.keypad.cmdMark(i).setBackColor(Colours::Yellow);
            } else if (position.isEmpty()) {
                m_views.keypad.cmdMark(i).setBackColor(Colours::ButtonFace);
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
        m_hybrid.setPosition(StripMath::positionValue(tag));
    });
    CurrentMark = static_cast<int16_t>(Index);
    if (wentToMark) {
        wentToMark(Index);
    }
    m_views.lblNote.setText(note(Index));
    step([&] {
        strip.lblMark(Index).setForeColor(Colours::Red);
        strip.linMark(Index).setBorderColor(Colours::Red);
    });
    m_views.keypad.cmdMark(Index).setBackColor(Colours::LightRed);
    m_views.lblPosition.setText(StripMath::wholeSecondsText(tag) + QStringLiteral(" seconds"));
    m_platform.announce(MarkSpeech::wentTo(Index + 1, tag, note(Index)));
}

void MarkPoints::StepMarkPoint(const int16_t& Current, bool Forward) {
    auto coloured = [&](int j) {
        return m_views.keypad.cmdMark(j).BackColor() != Colours::ButtonFace;
    };
    if (Forward) {
        if (Current == 9) {
            return;
        }
        for (int j = std::max(Current + 1, 0); j <= 10; ++j) {
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

bool MarkPoints::SaveMarkPosition(int Index, const QString& Value) {
    return m_model.set(Index, Value.isEmpty() ? numberText(m_hybrid.position()) : Value);
}

void MarkPoints::ForgetMarkPosition(int Index) {
    m_model.clear(Index, false);
}

void MarkPoints::LoadTrackMarks() {
    CurrentMark = -1;
    const QString movedFrom = m_model.load(m_hybrid.CurrentTrack, m_hybrid.duration());
    for (int i = 0; i < 10; ++i) {
        if (m_model.isSet(i)) {
            LayOutMark(i, m_model.position(i), true);
        } else {
            LayOutMark(i, QStringLiteral("0"), false);
        }
    }
    m_views.lblNote.setText(note(0));
    if (!movedFrom.isEmpty()) {
        m_views.lblNote.setText(
            QStringLiteral("Marks found from ") +
            movedFrom.section(QRegularExpression(QStringLiteral("[/\\\\]")), -1));
    }
}

void MarkPoints::loadMarksWithoutStrip() {
    CurrentMark = -1;
    m_model.load(m_hybrid.CurrentTrack, m_hybrid.duration());
    for (int i = 0; i < 10; ++i) {
        if (m_model.isSet(i)) {
            m_views.keypad.cmdMark(i).setBackColor(Colours::Yellow);
        }
    }
}

// ---- undo ------------------------------------------------------------------------------

MarkSnapshot MarkPoints::snapshot() const {
    MarkSnapshot s;
    s.track = m_hybrid.CurrentTrack;
    for (int i = 0; i < 10; ++i) {
        s.marks[i] = {isSet(i), positionText(i), note(i),
                      isSet(i) ? std::optional(m_views.strip.linMark(i).x1()) : std::nullopt,
                      std::nullopt};
    }
    return s;
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
                    strip.placeAt(i, *m.x);
                }
                strip.linMark(i).setBorderColor(Colours::Black);
                strip.lblMark(i).setForeColor(Colours::Black);
            } else {
                if (strip.exists(i)) {
                    strip.lblMark(i).hide();
                    strip.linMark(i).hide();
                    strip.cmdNudge(i).hide();
                }
                m_views.keypad.cmdMark(i).setBackColor(Colours::ButtonFace);
            }
        } catch (const RuntimeError&) {
            // A mark too far past the end of the track to be drawn is still stored.
        }
    }
    return true;
}

// ---- strip ------------------------------------------------------------------------------

void MarkPoints::ComputeStripScale() {
    StripScale = StripMath::computeScale(m_hybrid.duration(), kStripWidthTwips);
}

void MarkPoints::LayOutMark(int Index, const QString& Position, bool IsSet) {
    MarkStrip& strip = m_views.strip;
    if (Index != 0) {
        strip.create(Index);
    }
    // A position past the strip's 16-bit range (a shorter edit of the same file) is drawn at
    // the strip's edge, as a nudge far past the end is.
    strip.placeAt(Index, StripMath::clampedXFromPositionText(Position, StripScale));
    if (IsSet) {
        strip.lblMark(Index).show();
        strip.linMark(Index).show();
        strip.cmdNudge(Index).show();
        if (Index != 0) {
            bringLineForward(Index);
        }
    }
    strip.lblMark(Index).setText(QString::number(Index + 1));
    if (IsSet) {
        m_views.keypad.cmdMark(Index).setBackColor(Colours::Yellow);
    }
    if (QWidget* view = m_views.activeComponentView ? m_views.activeComponentView() : nullptr) {
        view->raise();
    }
    m_views.lblTitle.raise();
    LastMarkSlot = static_cast<int16_t>(strip.highestSlot());
}

void MarkPoints::DrawMarkAtPlayer(int Index) {
    MarkStrip& strip = m_views.strip;
    const int16_t x = StripMath::xFromPlayer(m_hybrid.position(), StripScale);
    strip.linMark(Index).setX(x);
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

uint32_t MarkPoints::buttonColour(int index) const {
    return m_views.keypad.cmdMark(index).BackColor();
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
    strip.create(index);
    strip.lblMark(index).setText(QString::number(index + 1));
    LastMarkSlot = static_cast<int16_t>(strip.highestSlot());
}
