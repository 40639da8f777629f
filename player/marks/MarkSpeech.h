#pragma once
// What a screen reader says about marks: the keypad buttons' names and the announcements of
// going to, setting, clearing, nudging and noting a mark. Positions are spoken as a listener
// would say them ("1 minute 23.5 seconds"), never as clock digits.

#include <QString>

namespace MarkSpeech {

// How a keypad button shows its mark: plain, yellow (set) or light red (set and last gone to).
enum class Shown { NotSet, Set, Current };

// Seconds in hours, minutes and seconds to a tenth: "0 seconds", "1 second",
// "1 minute 23.5 seconds", "2 hours 5 seconds"; below zero "minus 0.5 seconds".
QString spokenTime(double seconds);
// The same from a stored position text ("83.52" or "83,52").
QString spokenPosition(const QString& positionText);

// "Mark 3, set at 1 minute 23.5 seconds, note: Chorus", "Mark 4, not set",
// "Mark 5, current, set at 12 seconds". `number` is 1 to 10.
QString buttonName(int number, Shown shown, const QString& positionText, const QString& note);
// The keys that work the mark, for the button's description.
QString buttonDescription(int number);

QString wentTo(int number, const QString& positionText, const QString& note);
QString set(int number, const QString& positionText);
// "Mark 3 set at bar 17, 1 minute 4 seconds": a mark set on a beat of a known bar.
QString setOnBar(int number, int bar, const QString& positionText);
QString cleared(int number);
QString allCleared();
QString nudged(int number, const QString& positionText);
QString noted(int number, const QString& note);
QString putBack();

} // namespace MarkSpeech
