// The program's own pictures, painted at start-up: the 19 toolbar images (26 by 18 pixels),
// the panel's logo and the window icon.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace tarvel {

// Each painted for a device pixel ratio, so that it stays sharp on a HiDPI screen: `ratio` times
// as many pixels, the same size on the screen.
QPixmap ToolbarImage(int commandId, qreal ratio = 1);  // a null pixmap for ids without an image
// The toolbar image at the ratios of common screens; Qt picks the one nearest the screen's.
QIcon ToolbarIcon(int commandId);
QPixmap LogoImage(qreal ratio = 1);  // 70 by 38 pixels
QIcon ProgramIcon();

}  // namespace tarvel
