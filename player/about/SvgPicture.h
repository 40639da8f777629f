#pragma once
// Pictures of the player's boxes and panels are SVG resources; this draws one into a label at
// the screen's pixel density, so it stays sharp at any scale.

#include <QString>

class QLabel;
class QSize;

// Sets `label` to the picture at `resource`, drawn to fill `size` (logical pixels), and fixes
// the label to that size.
void setSvgPicture(QLabel* label, const QString& resource, const QSize& size);
