// Printing the editor view: the view hands over its size and its painting function; the page
// gets the same drawing, scaled to fit the printable area with its proportions kept.
#pragma once

#include <QRect>
#include <QSize>
#include <functional>

class QPainter;
class QPaintDevice;
class QPrinter;
class QWidget;

namespace tarvel {

struct PrintableView {
    QSize size;                            // the view's size in its own pixels
    std::function<void(QPainter&)> paint;  // paints the view at (0, 0) in those pixels
};

// Paints `view` onto `device`, scaled to fit `area` and centred in it.
void PaintScaled(QPaintDevice& device, const QRect& area, const PrintableView& view);

// Window thread. "Print...": the print dialog, then one page. False when cancelled.
bool PrintView(QWidget* parent, QPrinter& printer, const PrintableView& view);

// Window thread. "Print Preview": a preview window that can print from there.
void PreviewView(QWidget* parent, QPrinter& printer, const PrintableView& view);

// Window thread. "Print Setup...": printer and paper; `printer` keeps the choice for the next
// print.
void SetUpPrinter(QWidget* parent, QPrinter& printer);

}  // namespace tarvel
