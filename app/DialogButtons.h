// The OK/Cancel pair the small edit dialogs share: OK is the default and accepts, Cancel rejects.
#pragma once

class QDialog;
class QPushButton;

namespace tarvel {

struct DialogButtons {
    QPushButton* ok;
    QPushButton* cancel;
};

// Window thread. Made as children of `dialog`, named by widget_id::kOk and kCancel as the tests
// look them up; the caller places them in its layout.
DialogButtons MakeOkCancelButtons(QDialog& dialog);

}  // namespace tarvel
