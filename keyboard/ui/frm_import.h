// frmImport: the list of the layouts installed on the system, to open one in the editor.
#pragma once

#include "keyboard/layout_import.h"

#include <QDialog>

#include <optional>
#include <vector>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace zerva::keyboard {

class frmImport : public QDialog {
    Q_OBJECT
public:
    // layouts: the system's list (parseXkbLayoutList), shown in its order.
    explicit frmImport(std::vector<SystemLayoutName> layouts, QWidget* parent = nullptr);

    // The layout chosen when the dialog was accepted.
    std::optional<SystemLayoutName> chosen() const;

    QLineEdit* txtFilter() const { return m_filter; }
    QListWidget* lstLayouts() const { return m_list; }
    QPushButton* cmdOk() const { return m_ok; }

    // The system's list read from its file; empty when it cannot be read.
    static std::vector<SystemLayoutName> systemList(const QString& path = systemLayoutListPath());

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyFilter(const QString& text);

    std::vector<SystemLayoutName> m_layouts;
    QLineEdit* m_filter;
    QListWidget* m_list;
    QPushButton* m_ok;
};

} // namespace zerva::keyboard
