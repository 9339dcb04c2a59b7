#include "app/Printing.h"

#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <algorithm>

namespace tarvel {

namespace {

void PrintPage(QPrinter& printer, const PrintableView& view) {
    PaintScaled(printer, printer.pageLayout().paintRectPixels(printer.resolution()), view);
}

}  // namespace

void PaintScaled(QPaintDevice& device, const QRect& area, const PrintableView& view) {
    if (view.size.isEmpty() || area.isEmpty() || !view.paint) return;
    QPainter painter(&device);
    if (!painter.isActive()) return;
    const double scale = std::min(double(area.width()) / view.size.width(),
                                  double(area.height()) / view.size.height());
    const double left = area.x() + (area.width() - view.size.width() * scale) / 2;
    const double top = area.y() + (area.height() - view.size.height() * scale) / 2;
    painter.translate(left, top);
    painter.scale(scale, scale);
    painter.setClipRect(QRect(QPoint(0, 0), view.size));
    view.paint(painter);
}

bool PrintView(QWidget* parent, QPrinter& printer, const PrintableView& view) {
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    PrintPage(printer, view);
    return true;
}

void PreviewView(QWidget* parent, QPrinter& printer, const PrintableView& view) {
    QPrintPreviewDialog dialog(&printer, parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested,
                     [&view](QPrinter* target) { PrintPage(*target, view); });
    dialog.exec();
}

void SetUpPrinter(QWidget* parent, QPrinter& printer) {
    QPageSetupDialog dialog(&printer, parent);
    dialog.exec();
}

}  // namespace tarvel
