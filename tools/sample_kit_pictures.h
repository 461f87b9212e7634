// The pictures of the sample kit, painted with Qt (a QGuiApplication must exist: the
// prize cards draw text in an installed CJK font).
#pragma once

#include <QImage>

namespace zorvel::tools::kit {

inline constexpr int kBackgroundWidth = 1920, kBackgroundHeight = 1080;
inline constexpr int kCardWidth = 1600, kCardHeight = 900;

// The festive background: deep red to crimson with soft gold light falling from the top,
// lanterns hanging in the top corners, gold bokeh and confetti along the edges; the
// middle, where the title and the eggs stand, stays calm.
QImage Background();

// The prize card of level 1 … 8: "一等奖" … "八等奖" in big bold characters, each level in
// its own colours, inside a gold or silver frame with a star on either side.
QImage PrizeCard(int level);

}  // namespace zorvel::tools::kit
