#include "app/PatchNameDialog.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/DialogButtons.h"
#include "app/SongText.h"
#include "app/WidgetIds.h"

namespace tarvel {

bool RunPatchNameDialog(QWidget* parent, std::string& name) {
    QDialog dialog(parent);
    dialog.setObjectName(widget_id::Name(widget_id::kPatchNameDialog));
    dialog.setWindowTitle("Set patch name");

    auto* box = new QLineEdit(FromSongText(name), &dialog);
    box->setObjectName(widget_id::Name(widget_id::kPatchNameBox));
    box->setMaxLength(31);
    box->setMinimumWidth(box->fontMetrics().averageCharWidth() * 40);

    const auto [ok, cancel] = MakeOkCancelButtons(dialog);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ok, 3);
    buttons->addWidget(cancel, 1);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(box);
    layout->addLayout(buttons);

    box->setFocus();
    box->selectAll();
    if (dialog.exec() != QDialog::Accepted) return false;
    name = ToSongText(box->text());
    return true;
}

}  // namespace tarvel
