// The temporary main window: the keys of the plane shown, row by row.
#include "stand_in_main_window.h"

#include "common/msgbox_layout.h"

#include <QKeyEvent>
#include <QLabel>

namespace zerva::keyboard {
namespace {

constexpr int kViewHeightTwips = 3405;
constexpr int kEditHeightTwips = 5835;
constexpr int kWidthTwips = 9600;

} // namespace

StandInMainWindow::StandInMainWindow(common::Messenger&, QWidget* parent)
    : QMainWindow(parent), m_keys(new QLabel(this)) {
    m_keys->setAlignment(Qt::AlignCenter);
    m_keys->setTextFormat(Qt::RichText);
    setCentralWidget(m_keys);
    for (auto signal : {&LayoutModel::layoutReplaced, &LayoutModel::extraCharsChanged}) {
        connect(&m_model, signal, this, &StandInMainWindow::redraw);
    }
    connect(&m_model, &LayoutModel::planeChanged, this, &StandInMainWindow::redraw);
    connect(&m_model, &LayoutModel::slotChanged, this, &StandInMainWindow::redraw);
    setEditMode(false);
}

void StandInMainWindow::setEditMode(bool edit) {
    m_editMode = edit;
    setFixedSize(common::twipsToPixels(kWidthTwips),
                 common::twipsToPixels(edit ? kEditHeightTwips : kViewHeightTwips));
}

void StandInMainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        emit helpRequested();
        return;
    }
    if (event->key() == Qt::Key_Shift) {
        m_model.setShiftPlaneShown(!m_model.shiftPlaneShown());
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void StandInMainWindow::redraw() {
    static constexpr int kRowStarts[] = {0, 13, 26, 37, 47, 48};
    QString html = QStringLiteral("<table dir=\"ltr\" cellspacing=\"4\">");
    for (int row = 0; row < 5; ++row) {
        html += QStringLiteral("<tr>");
        for (int key = kRowStarts[row]; key < kRowStarts[row + 1]; ++key) {
            html += QStringLiteral("<td align=\"center\" style=\"border:1px solid gray\">%1</td>")
                        .arg(m_model.keyCaption(key).toHtmlEscaped());
        }
        html += QStringLiteral("</tr>");
    }
    m_keys->setText(html + QStringLiteral("</table>"));
}

} // namespace zerva::keyboard
