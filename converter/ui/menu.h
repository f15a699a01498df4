// Menu: the pop-up form of the file list, with its menu FileMenu (select all, none, invert).
#pragma once

#include <QObject>

class QAction;
class QMenu;
class QPoint;

namespace zerva::converter {

class Menu : public QObject {
    Q_OBJECT
public:
    explicit Menu(QObject* parent = nullptr);
    ~Menu() override;

    QMenu* FileMenu() const { return m_fileMenu; }
    QAction* SelAll() const { return m_selAll; }
    QAction* DeselAll() const { return m_deselAll; }
    QAction* RevSel() const { return m_revSel; }

    // Shows FileMenu at a screen position and waits for the choice.
    void popup(const QPoint& globalPos);

private:
    QMenu* m_fileMenu;
    QAction* m_selAll;
    QAction* m_deselAll;
    QAction* m_revSel;
};

} // namespace zerva::converter
