#include "app/HelpDialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/SongText.h"
#include "platform/HelpFile.h"

namespace tarvel {

namespace {

struct SectionButton {
    const char* id;
    const char* text;
    int entry;
};

constexpr SectionButton kSectionButtons[] = {
    {"1038", "Overview", kHelpSectionEntries[0]},
    {"1025", "Programming patterns and MIDI reference", kHelpSectionEntries[1]},
    {"1026", "Keyboard shortcuts", kHelpSectionEntries[2]},
    {"1027", "History", kHelpSectionEntries[3]},
};

}  // namespace

CHelpDialog::CHelpDialog(QWidget* parent, const std::vector<std::string>& folders)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName("132");
    setWindowTitle("Help");

    // A fixed-pitch font, so the manual's columns line up.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(9);

    list_ = new QListWidget(this);
    list_->setObjectName("1018");
    list_->setFont(font);
    list_->setSelectionMode(QAbstractItemView::NoSelection);
    list_->setFocusPolicy(Qt::NoFocus);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    list_->setUniformItemSizes(true);
    for (const std::string& entry : LoadHelpEntries(folders)) {
        list_->addItem(FromSongText(entry));
    }
    const QFontMetrics metrics(font);
    list_->setMinimumSize(metrics.horizontalAdvance(QString(96, 'M')), metrics.height() * 30);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(0);
    for (const SectionButton& section : kSectionButtons) {
        auto* button = new QPushButton(section.text, this);
        button->setObjectName(section.id);
        button->setAutoDefault(false);
        const int entry = section.entry;
        connect(button, &QPushButton::clicked, this, [this, entry] { ShowSection(entry); });
        buttons->addWidget(button);
    }
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(buttons);
    layout->addWidget(list_);
}

void CHelpDialog::ShowSection(int entry) {
    if (list_->count() == 0) return;
    list_->scrollToItem(list_->item(0), QAbstractItemView::PositionAtTop);
    if (entry < list_->count()) {
        list_->scrollToItem(list_->item(entry), QAbstractItemView::PositionAtTop);
    }
}

std::vector<std::string> HelpFolders() {
    const QString installed =
        QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/tarvel");
    return {"", QFile::encodeName(installed).toStdString()};
}

void ShowHelpDialog(QWidget* parent) {
    CHelpDialog dialog(parent, HelpFolders());
    dialog.exec();
}

}  // namespace tarvel
