#pragma once
// Reading a mark's stored position text.

#include <QString>

#include <optional>

namespace MarkPosition {

// Seconds, whichever decimal separator the text was written with ("83.5" or "83,5": a store
// can come from a user of another locale); no digit grouping, so "1,234" is 1.234 s. Nothing
// for text that is no finite number.
std::optional<double> parse(const QString& text);

} // namespace MarkPosition
