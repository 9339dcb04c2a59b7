#include "app/DialogButtons.h"

#include <QDialog>
#include <QPushButton>

#include "app/WidgetIds.h"

namespace tarvel {

DialogButtons MakeOkCancelButtons(QDialog& dialog) {
    auto* ok = new QPushButton("OK", &dialog);
    ok->setObjectName(widget_id::Name(widget_id::kOk));
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", &dialog);
    cancel->setObjectName(widget_id::Name(widget_id::kCancel));
    cancel->setAutoDefault(false);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    return {ok, cancel};
}

}  // namespace tarvel
