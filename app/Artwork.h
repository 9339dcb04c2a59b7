// The program's own pictures, painted at start-up: the 19 toolbar images (26 by 18 pixels),
// the panel's logo and the window icon.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace tarvel {

QPixmap ToolbarImage(int commandId);  // a null pixmap for ids without an image
QPixmap LogoImage();                  // 70 by 38 pixels
QIcon ProgramIcon();

}  // namespace tarvel
