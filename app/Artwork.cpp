#include "app/Artwork.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <iterator>

#include "app/CommandIds.h"

namespace tarvel {

namespace {

const QColor kInk(0, 0, 0);
const QColor kPaper(255, 255, 255);
const QColor kNavy(0, 0, 128);
const QColor kTeal(0, 128, 128);
const QColor kRed(192, 0, 0);
const QColor kGreen(0, 128, 0);
const QColor kYellow(255, 255, 0);
const QColor kGrey(128, 128, 128);

void Page(QPainter& p, int x, int y) {
    QPolygon page({QPoint(x, y), QPoint(x + 7, y), QPoint(x + 10, y + 3), QPoint(x + 10, y + 13),
                   QPoint(x, y + 13)});
    p.setPen(kInk);
    p.setBrush(kPaper);
    p.drawPolygon(page);
    p.drawLine(x + 7, y, x + 7, y + 3);
    p.drawLine(x + 7, y + 3, x + 10, y + 3);
}

void Triangle(QPainter& p, int x, int y, int height, const QColor& colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygon(
        {QPoint(x, y), QPoint(x + height / 2 + 1, y + height / 2), QPoint(x, y + height)}));
}

void PaintImage(QPainter& p, int id) {
    switch (id) {
        case cmd::kFileNew:
            Page(p, 8, 2);
            break;
        case cmd::kFileOpen:
            p.setPen(kInk);
            p.setBrush(kYellow.darker(115));
            p.drawRect(5, 5, 14, 9);
            p.setBrush(kYellow);
            p.drawPolygon(QPolygon({QPoint(7, 8), QPoint(21, 8), QPoint(18, 14), QPoint(5, 14)}));
            break;
        case cmd::kFileSave:
            p.setPen(kInk);
            p.setBrush(kNavy);
            p.drawRect(6, 2, 13, 13);
            p.fillRect(8, 3, 10, 5, kPaper);
            p.fillRect(9, 11, 7, 4, kGrey);
            break;
        case cmd::kEditCut:
            p.setPen(QPen(kInk, 1));
            p.drawLine(9, 2, 15, 11);
            p.drawLine(17, 2, 11, 11);
            p.setPen(QPen(kNavy, 1.5));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QRectF(7.5, 11.5, 4, 4));
            p.drawEllipse(QRectF(14.5, 11.5, 4, 4));
            break;
        case cmd::kEditCopy:
            Page(p, 6, 1);
            Page(p, 11, 4);
            break;
        case cmd::kEditPaste:
            p.setPen(kInk);
            p.setBrush(QColor(160, 110, 40));
            p.drawRect(6, 3, 11, 13);
            p.fillRect(9, 2, 5, 3, kGrey);
            Page(p, 12, 4);
            break;
        case cmd::kFilePrint:
            p.setPen(kInk);
            p.setBrush(kPaper);
            p.drawRect(9, 2, 8, 6);
            p.setBrush(QColor(192, 192, 192));
            p.drawRect(5, 8, 16, 6);
            p.fillRect(17, 10, 2, 1, kGreen);
            break;
        case cmd::kRecord:
            p.setPen(kInk);
            p.setBrush(kRed);
            p.drawEllipse(QRectF(7.5, 3.5, 11, 11));
            break;
        case cmd::kPlayPattern:
            Triangle(p, 6, 3, 12, kGreen);
            p.setPen(kInk);
            p.setBrush(Qt::NoBrush);
            p.drawRect(14, 4, 6, 10);
            p.drawLine(14, 7, 20, 7);
            p.drawLine(14, 10, 20, 10);
            break;
        case cmd::kPlaySong:
            Triangle(p, 9, 3, 12, kGreen);
            break;
        case cmd::kStop:
            p.fillRect(8, 4, 10, 10, kNavy);
            break;
        case cmd::kSeekStart:
            p.fillRect(6, 4, 2, 10, kNavy);
            p.setPen(Qt::NoPen);
            p.setBrush(kNavy);
            p.drawPolygon(QPolygon({QPoint(14, 4), QPoint(8, 9), QPoint(14, 14)}));
            p.drawPolygon(QPolygon({QPoint(20, 4), QPoint(14, 9), QPoint(20, 14)}));
            break;
        case cmd::kSeekEnd:
            p.setPen(Qt::NoPen);
            p.setBrush(kNavy);
            p.drawPolygon(QPolygon({QPoint(6, 4), QPoint(12, 9), QPoint(6, 14)}));
            p.drawPolygon(QPolygon({QPoint(12, 4), QPoint(18, 9), QPoint(12, 14)}));
            p.fillRect(18, 4, 2, 10, kNavy);
            break;
        case cmd::kAppAbout:
        case cmd::kShowHelp: {
            if (id == cmd::kShowHelp) {
                p.setPen(kInk);
                p.setBrush(kTeal);
                p.drawRect(6, 2, 13, 14);
                p.fillRect(7, 3, 2, 13, kNavy);
            } else {
                p.setPen(kInk);
                p.setBrush(kYellow);
                p.drawEllipse(QRectF(6.5, 1.5, 14, 14));
            }
            QFont font("DejaVu Sans");
            font.setPixelSize(12);
            font.setBold(true);
            p.setFont(font);
            p.setPen(id == cmd::kShowHelp ? kPaper : kNavy);
            p.drawText(QRect(7, 1, 13, 15), Qt::AlignCenter, "?");
            break;
        }
        case cmd::kMidiResetControllers:
            // A row of three faders, all pulled back to their rest position.
            p.setPen(kInk);
            for (int i = 0; i < 3; ++i) {
                const int x = 7 + 5 * i;
                p.drawLine(x + 1, 2, x + 1, 15);
                p.fillRect(x, 10, 3, 3, kTeal);
            }
            break;
        case cmd::kMidiAllNotesOff: {
            p.setPen(kInk);
            p.setBrush(kInk);
            p.drawEllipse(QRectF(6.5, 10.5, 5, 4));
            p.drawLine(11, 12, 11, 2);
            p.drawLine(11, 2, 14, 5);
            p.setPen(QPen(kRed, 2));
            p.drawLine(14, 8, 20, 14);
            p.drawLine(20, 8, 14, 14);
            break;
        }
        case cmd::kDelayTimes:
            p.setPen(kInk);
            p.setBrush(kPaper);
            p.drawEllipse(QRectF(6.5, 1.5, 14, 14));
            p.drawLine(13, 8, 13, 4);
            p.drawLine(13, 8, 17, 10);
            break;
        case cmd::kWebsite:
            p.setPen(kNavy);
            p.setBrush(QColor(120, 170, 230));
            p.drawEllipse(QRectF(6.5, 1.5, 14, 14));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QRectF(10.5, 1.5, 6, 14));
            p.drawLine(7, 8, 20, 8);
            break;
        default:
            break;
    }
}

}  // namespace

QPixmap ToolbarImage(int commandId, qreal ratio) {
    static constexpr int kWithImage[] = {
        cmd::kFileNew,         cmd::kFileOpen,   cmd::kFileSave,
        cmd::kEditCut,         cmd::kEditCopy,   cmd::kEditPaste,
        cmd::kFilePrint,       cmd::kRecord,     cmd::kPlayPattern,
        cmd::kPlaySong,        cmd::kStop,       cmd::kSeekStart,
        cmd::kSeekEnd,         cmd::kAppAbout,   cmd::kMidiResetControllers,
        cmd::kMidiAllNotesOff, cmd::kDelayTimes, cmd::kShowHelp,
        cmd::kWebsite,
    };
    static_assert(std::size(kWithImage) == 19);
    if (std::find(std::begin(kWithImage), std::end(kWithImage), commandId) == std::end(kWithImage))
        return {};
    QPixmap image((QSizeF(26, 18) * ratio).toSize());
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    PaintImage(painter, commandId);
    return image;
}

QIcon ToolbarIcon(int commandId) {
    QIcon icon;
    // Ratios at which 26 x 18 is whole; a screen between them takes the next larger.
    for (const qreal ratio : {1.0, 1.5, 2.0, 3.0}) {
        const QPixmap image = ToolbarImage(commandId, ratio);
        if (image.isNull()) return {};
        icon.addPixmap(image);
    }
    return icon;
}

QPixmap LogoImage(qreal ratio) {
    QPixmap logo((QSizeF(70, 38) * ratio).toSize());
    logo.setDevicePixelRatio(ratio);
    logo.fill(QColor(0x20, 0x30, 0x50));
    QPainter p(&logo);
    p.setRenderHint(QPainter::Antialiasing);
    // Four bars of a pattern lane behind the name.
    for (int i = 0; i < 8; ++i)
        p.fillRect(4 + 8 * i, 26 - (i * 5) % 13, 5, 3, QColor(0x88, 0xBB, 0xAA));
    QFont font("DejaVu Sans");
    font.setPixelSize(15);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(0xF0, 0xD0, 0x60));
    p.drawText(QRect(0, 0, 70, 24), Qt::AlignCenter, "Tarvel");
    return logo;
}

QIcon ProgramIcon() {
    QIcon icons;
    for (const qreal ratio : {1.0, 2.0}) {
        QPixmap icon(QSize(32, 32) * ratio);
        icon.setDevicePixelRatio(ratio);
        icon.fill(Qt::transparent);
        QPainter p(&icon);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x20, 0x30, 0x50));
        p.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);
        p.setBrush(QColor(0xF0, 0xD0, 0x60));
        p.drawEllipse(QRectF(7, 19, 8, 6));
        p.drawRect(QRectF(13, 6, 2, 16));
        p.drawRect(QRectF(13, 6, 11, 3));
        p.drawEllipse(QRectF(17, 16, 8, 6));
        p.drawRect(QRectF(23, 6, 2, 13));
        p.end();
        icons.addPixmap(icon);
    }
    return icons;
}

}  // namespace tarvel
