// The small commands that do not touch the song: the delay calculator, the mixer and the web
// links.
#pragma once

#include <string>

#include "app/WebLinks.h"
#include "engine/DelayTimes.h"

class QWidget;

namespace tarvel {

// Window thread. The "Delay calculator tool" box for a line of `lineDuration` ms.
void ShowDelayCalculator(QWidget* parent, int lineDuration);

// Window thread. Starts the first of the desktop's sound mixers that will start; when none does,
// says so in a box over `parent`, naming the ones tried.
void OpenMixer(QWidget* parent);

// Window thread. Opens the command's web page; unknown commands do nothing.
void OpenWebLink(int commandId);

// Window thread. Asks the desktop to open `address`; when that fails, runs the desktop's
// registered HTML browser command with the address in place of its placeholder.
void OpenWebAddress(const std::string& address);

}  // namespace tarvel
