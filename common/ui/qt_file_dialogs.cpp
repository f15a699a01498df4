// Open and save through QFileDialog, with filters, default extension and overwrite question.
#include "qt_file_dialogs.h"

#include <QFileDialog>

namespace zerva::common {
namespace {

std::optional<QString> run(QWidget* parent, const FileDialogArgs& args, bool save) {
    QFileDialog dialog(parent, args.title, args.directory);
    dialog.setNameFilters(nameFilters(args.filter));
    dialog.setDefaultSuffix(args.defaultExtension);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save && !args.askOverwrite) {
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    }
    if (!args.fileName.isEmpty()) {
        dialog.selectFile(args.fileName);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front();
}

} // namespace

std::optional<QString> QtFileDialogs::openFile(const FileDialogArgs& args) {
    return run(m_parent, args, false);
}

std::optional<QString> QtFileDialogs::saveFile(const FileDialogArgs& args) {
    return run(m_parent, args, true);
}

} // namespace zerva::common
