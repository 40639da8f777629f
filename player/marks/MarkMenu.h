#pragma once
// The menu of a keypad button, opened with the Menu key: every command its keys and clicks give,
// each with its key, greyed out where it would do nothing. "?" offers the about box and
// "Clear All" clearing and putting back.

#include <functional>

class BeatMarks;
class MarkPoints;
class QMenu;

namespace MarkMenu {

// `run` runs a chosen entry's command (the window holds it while a track opens); an error ends
// the command silently, as it ends a key command.
using Runner = std::function<void(std::function<void()>)>;
// With `beats`, a mark's menu also nudges it one beat.
void fill(MarkPoints& marks, int button, QMenu& menu, const Runner& run,
          const std::function<void()>& about, BeatMarks* beats = nullptr);

} // namespace MarkMenu
