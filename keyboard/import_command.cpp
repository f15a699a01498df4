// Opening a system layout in the editor.
#include "import_command.h"

#include "common/messages.h"

namespace zerva::keyboard {

ImportOutcome importSystemLayout(Commands& commands, SystemLayouts& system,
                                 const SystemLayoutName& layout, common::Messenger& messenger) {
    if (commands.ConfirmSaveChanges() == kConfirmCancelled) {
        return ImportOutcome::Cancelled;
    }
    LayoutModel& model = commands.model();
    const std::optional<XkbKeyTexts> texts = system.keyTexts(layout);
    if (!texts) {
        messenger.MsgBox(importNotFoundMessage(systemLayoutText(layout)), common::kOkOnly,
                         common::errorTitle());
        model.setLayoutChanged(false);
        return ImportOutcome::NotFound;
    }
    const bool shift = model.shiftPlaneShown();
    model.setShiftPlaneShown(false);
    const QStringList lost = importKeyTexts(model, *texts);
    model.setShiftPlaneShown(shift);
    model.setSourceLabel(importedSourceLabel(layout));
    model.setLayoutChanged(false);
    if (!lost.isEmpty()) {
        messenger.MsgBox(importUnrepresentableMessage(lost), common::kOkOnly,
                         common::noticeTitle());
    }
    return ImportOutcome::Imported;
}

} // namespace zerva::keyboard
