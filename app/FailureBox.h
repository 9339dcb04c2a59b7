// The window layer's one way to show that a document operation failed: the error box it gave
// back (document/Fallible.h), owned by the frame unless it says otherwise.
#pragma once

#include "app/WindowServices.h"
#include "document/Fallible.h"

class QWidget;

namespace tarvel {

// True when it worked; else its error box is shown, and closed by the user, first.
template <class Value>
bool WorkedElseShowBox(WindowServices& services, QWidget* frame, const Fallible<Value>& result) {
    if (!result)
        services.ShowMessage(result.failure().ownedByFrame ? frame : nullptr, result.failure());
    return static_cast<bool>(result);
}

}  // namespace tarvel
