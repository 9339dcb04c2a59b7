#include "app/PatternPropertiesDialog.h"

#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "app/DialogButtons.h"
#include "app/SongText.h"
#include "app/WidgetIds.h"

namespace tarvel {

bool RunPatternPropertiesDialog(QWidget* parent, std::string& name, std::string& lines) {
    QDialog dialog(parent);
    dialog.setObjectName(widget_id::Name(widget_id::kPatternPropertiesDialog));
    dialog.setWindowTitle("Pattern properties");

    auto* nameBox = new QLineEdit(FromSongText(name), &dialog);
    nameBox->setObjectName(widget_id::Name(widget_id::kPatternNameBox));
    nameBox->setMinimumWidth(nameBox->fontMetrics().averageCharWidth() * 32);
    auto* linesBox = new QLineEdit(QString::fromStdString(lines), &dialog);
    linesBox->setObjectName(widget_id::Name(widget_id::kPatternLinesBox));
    linesBox->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), linesBox));
    linesBox->setMaximumWidth(linesBox->fontMetrics().averageCharWidth() * 8);

    const auto [ok, cancel] = MakeOkCancelButtons(dialog);

    auto* layout = new QGridLayout(&dialog);
    layout->addWidget(nameBox, 0, 0, 1, 3);
    layout->addWidget(new QLabel("Lines", &dialog), 1, 0);
    layout->addWidget(linesBox, 1, 1);
    layout->addWidget(ok, 0, 3);
    layout->addWidget(cancel, 1, 3);

    nameBox->setFocus();
    nameBox->selectAll();
    if (dialog.exec() != QDialog::Accepted) return false;
    name = ToSongText(nameBox->text());
    lines = linesBox->text().toStdString();
    return true;
}

}  // namespace tarvel
