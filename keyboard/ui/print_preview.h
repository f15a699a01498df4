// Printing the layout's picture through the standard print dialog, with a preview first.
#pragma once

#include "keyboard/layout_model.h"

class QPrinter;
class QPrintPreviewDialog;
class QWidget;

namespace zerva::keyboard {

// Draws the layout's picture on every page the printer asks for (there is one).
void printLayoutPicture(QPrinter& printer, const LayoutModel& model);

// The preview dialog of the layout's picture, landscape by default; its print button opens
// the print dialog. The caller shows it (exec) and deletes it.
QPrintPreviewDialog* makePrintPreview(const LayoutModel& model, QWidget* parent);

} // namespace zerva::keyboard
