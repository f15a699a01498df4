// The toolkit's open and save dialogs behind the file-dialog interface.
#pragma once

#include "common/services.h"

class QFileDialog;
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

// Sets up a dialog for one call (filters, extension, mode, overwrite question, file name)
// and fits it to a right-to-left desktop (see fitFileDialog).
void configureFileDialog(QFileDialog& dialog, const FileDialogArgs& args, bool save);

// A size at which Persian captions, dates and the side panel fit, within the screen; paths
// and file names shown left to right inside the right-to-left dialog. The toolkit's own
// dialog only: a desktop's dialog (a portal's, say) lays itself out.
void fitFileDialog(QFileDialog& dialog);

} // namespace zerva::common
