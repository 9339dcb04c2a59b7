#include "app/DialogButtons.h"

#include <QDialog>
#include <QPushButton>

namespace tarvel {

DialogButtons MakeOkCancelButtons(QDialog& dialog) {
    auto* ok = new QPushButton("OK", &dialog);
    ok->setObjectName("1");
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", &dialog);
    cancel->setObjectName("2");
    cancel->setAutoDefault(false);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    return {ok, cancel};
}

}  // namespace tarvel
