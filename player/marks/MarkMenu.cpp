#include "marks/MarkMenu.h"

#include "marks/BeatMarks.h"
#include "marks/MarkPoints.h"

#include <QAction>
#include <QMenu>

namespace MarkMenu {

void fill(MarkPoints& marks, int index, QMenu& menu, const Runner& run,
          const std::function<void()>& about, BeatMarks* beats) {
    auto item = [&](const QString& text, bool enabled, std::function<void()> command) {
        QAction* a = menu.addAction(text);
        a->setEnabled(enabled);
        QObject::connect(a, &QAction::triggered, a,
                         [run, command = std::move(command)] { run(command); });
    };
    if (index == MarkPoints::kAboutButton) {
        item(QStringLiteral("About\t?"), true, about);
        return;
    }
    if (index == MarkPoints::kClearAllButton) {
        item(QStringLiteral("Clear all marks"), true, [&marks] { marks.ClearAllMarks(); });
        item(QStringLiteral("Put back cleared marks\tCtrl+Z"), marks.canUndo(),
             [&marks] { marks.UndoClearing(); });
        return;
    }
    const int n = index + 1;
    const QString key = QString::number(n % 10);
    const bool set = marks.isSet(index);
    item(QStringLiteral("Go to mark %1\t%2").arg(n).arg(key), set,
         [&marks, index] { marks.GoToMarkPoint(index); });
    item(QStringLiteral("Set mark %1 here\tCtrl+%2").arg(n).arg(key), true,
         [&marks, index] { marks.SetMarkPoint(index); });
    item(QStringLiteral("Clear mark %1\tAlt+%2").arg(n).arg(key),
         set || !marks.note(index).isEmpty(),
         [&marks, index] { marks.ClearMarkPoint(index, true); });
    menu.addSeparator();
    item(QStringLiteral("Note for mark %1…").arg(n), set,
         [&marks, index] { marks.cmdMark_MouseUp(index, 2); });
    item(QStringLiteral("Nudge mark %1 back one second").arg(n), set,
         [&marks, index] { marks.cmdNudge_MouseUp(index, 1); });
    item(QStringLiteral("Nudge mark %1 ahead one second").arg(n), set,
         [&marks, index] { marks.cmdNudge_MouseUp(index, 2); });
    if (beats) {
        const bool onBeat = beats->canNudgeOneBeat(index);
        item(QStringLiteral("Nudge mark %1 back one beat").arg(n), onBeat,
             [beats, index] { beats->nudgeOneBeat(index, false); });
        item(QStringLiteral("Nudge mark %1 ahead one beat").arg(n), onBeat,
             [beats, index] { beats->nudgeOneBeat(index, true); });
    }
}

} // namespace MarkMenu
