// The print preview of the layout's picture.
#include "print_preview.h"

#include "keyboard/print/layout_picture.h"

#include <QDate>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace zerva::keyboard {

void printLayoutPicture(QPrinter& printer, const LayoutModel& model) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        return;
    }
    const QSizeF page = printer.pageLayout().paintRectPixels(printer.resolution()).size();
    paintLayoutPicture(painter, page, pictureContent(model, QDate::currentDate()));
    painter.end();
}

QPrintPreviewDialog* makePrintPreview(const LayoutModel& model, QWidget* parent) {
    auto* printer = new QPrinter(QPrinter::HighResolution);
    printer->setPageOrientation(QPageLayout::Landscape);
    printer->setDocName(model.windowCaption());
    auto* dialog = new QPrintPreviewDialog(printer, parent);
    dialog->setObjectName(QStringLiteral("PrintPreview"));
    dialog->setWindowTitle(QStringLiteral("پيش نمايش چاپ"));
    // The printer lives as long as the dialog.
    QObject::connect(dialog, &QObject::destroyed, [printer] { delete printer; });
    QObject::connect(dialog, &QPrintPreviewDialog::paintRequested,
                     [&model](QPrinter* p) { printLayoutPicture(*p, model); });
    dialog->resize(1000, 760);
    return dialog;
}

} // namespace zerva::keyboard
