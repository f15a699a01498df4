// The toolkit's open and save dialogs behind the file-dialog interface.
#pragma once

#include "common/services.h"

class QWidget;

namespace zerva::common {

class QtFileDialogs : public FileDialogs {
public:
    explicit QtFileDialogs(QWidget* parent = nullptr) : m_parent(parent) {}
    std::optional<QString> openFile(const FileDialogArgs& args) override;
    std::optional<QString> saveFile(const FileDialogArgs& args) override;

private:
    QWidget* m_parent;
};

} // namespace zerva::common
