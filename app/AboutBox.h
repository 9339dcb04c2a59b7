// The about box, shown at every start and by Help > About TARVEL.
#pragma once

class QWidget;

namespace tarvel {

// Window thread. Modal; made for the showing and gone afterwards.
void ShowAboutBox(QWidget* parent);

}  // namespace tarvel
