#include "app/HelpDialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>
#include <QVBoxLayout>
#include <algorithm>

#include "app/SongText.h"
#include "app/WidgetIds.h"
#include "platform/HelpFile.h"

namespace tarvel {

namespace {

struct SectionButton {
    int id;
    const char* text;
    int entry;
};

constexpr SectionButton kSectionButtons[] = {
    {widget_id::kHelpOverview, "Overview", kHelpSectionEntries[0]},
    {widget_id::kHelpPatterns, "Programming patterns and MIDI reference", kHelpSectionEntries[1]},
    {widget_id::kHelpKeys, "Keyboard shortcuts", kHelpSectionEntries[2]},
    {widget_id::kHelpHistory, "History", kHelpSectionEntries[3]},
};

// The manual is written in lines of at most this many characters.
constexpr int kManualLineWidth = 94;

// The width of `list` that shows lines of `characters` characters of its font whole: an item as
// the style sizes it, the frame and the vertical scroll bar.
int WidthForLines(const QListWidget& list, int characters) {
    QStyleOptionViewItem item;
    item.initFrom(&list);
    item.font = list.font();
    item.fontMetrics = QFontMetrics(list.font());
    item.text = QString(characters, 'M');
    item.features = QStyleOptionViewItem::HasDisplay;
    // Some glyphs (W, for one) reach past their advance, which a line ending in one adds.
    const int overhang = std::max(0, -item.fontMetrics.minRightBearing());
    const QStyle& style = *list.style();
    return style.sizeFromContents(QStyle::CT_ItemViewItem, &item, QSize(), &list).width() +
           overhang + 2 * list.frameWidth() +
           style.pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &list);
}

}  // namespace

CHelpDialog::CHelpDialog(QWidget* parent, const std::vector<std::string>& folders)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(widget_id::Name(widget_id::kHelpDialog));
    setWindowTitle("Help");

    // A fixed-pitch font, so the manual's columns line up.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(9);

    list_ = new QListWidget(this);
    list_->setObjectName(widget_id::Name(widget_id::kHelpText));
    list_->setFont(font);
    list_->setSelectionMode(QAbstractItemView::NoSelection);
    list_->setFocusPolicy(Qt::NoFocus);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    list_->setUniformItemSizes(true);
    for (const std::string& entry : LoadHelpEntries(folders)) {
        list_->addItem(FromSongText(entry));
    }
    list_->setMinimumSize(WidthForLines(*list_, kManualLineWidth),
                          QFontMetrics(font).height() * 30);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(0);
    for (const SectionButton& section : kSectionButtons) {
        auto* button = new QPushButton(section.text, this);
        button->setObjectName(widget_id::Name(section.id));
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
