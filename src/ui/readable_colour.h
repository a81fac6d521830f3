#pragma once
// Keeps coloured captions legible: layer texts are drawn in their layer's
// colour, and check box captions in the inverse of the box colour, but a pale
// layer colour on a white tree or a mid-grey box with its mid-grey inverse
// would be unreadable. The colour is kept where it reads well and moved
// towards black or white just far enough where it does not.

#include <QColor>

namespace velkaro {

// Contrast ratio of two colours by relative luminance, 1 … 21.
double ContrastRatio(const QColor& a, const QColor& b);

// `text` when it stands out from `background` by at least `ratio`; else the
// same hue mixed towards black or white (whichever contrasts more) until it
// does.
QColor ReadableOn(const QColor& text, const QColor& background, double ratio = 3.0);

}  // namespace velkaro
