// The editing surface's decisions, as functions of the layout model.
#include "surface_rules.h"

#include "common/codepage.h"

namespace zerva::keyboard {

namespace {

bool validKey(int key) {
    return key >= 0 && key < kKeyCount;
}

QString lamAlefCaption() {
    return fixedEntry(kLamAlefEntry).caption;
}

} // namespace

QString keyNotEmptyMessage() {
    return QStringLiteral("لطفاً يك مكان خالي براي درج كليد انتخاب كنيد.");
}

QString entryInUseMessage() {
    return QStringLiteral("اين كليد در بخش بالايي موجود است،") + QChar(10) +
           QStringLiteral(
               "در صورت تمايل به درج مجدد از گزينهي ويرايش كليد بر روي محل درج استفاده نمائيد.");
}

InsertResult InsertIntoCurrentKey(LayoutModel& model, int curKey, int entry,
                                  common::Messenger& messenger) {
    InsertResult r;
    if (!validKey(curKey) || entry < 0 || entry >= model.paletteSize() || entry == kEmptyEntry ||
        model.isEntryUsed(entry) || !model.isEntryEnabled(entry)) {
        return r;
    }
    if (model.entryOnKey(curKey) != kEmptyEntry) {
        messenger.MsgBox(keyNotEmptyMessage(), common::kOkOnly, QString());
        r.outcome = InsertOutcome::KeyNotEmpty;
        return r;
    }
    model.SetKey(curKey, entry);
    r.outcome = InsertOutcome::Placed;
    r.focusKey = model.nextEmptyKey(curKey);
    return r;
}

void reportEntryInUse(common::Messenger& messenger) {
    messenger.MsgBox(entryInUseMessage(), common::kOkOnly, common::noticeTitle());
}

bool acceptsDrag(const LayoutModel& model, DragRef source, DragRef target, bool editMode) {
    if (source.kind == SurfaceItem::Key) {
        if (!validKey(source.index) || !model.isKeyDraggable(source.index)) {
            return false;
        }
        if (target.kind == SurfaceItem::PaletteEntry) {
            return true;
        }
        return editMode && target.index != source.index;
    }
    // A palette entry: only free, enabled entries are ever dragged.
    if (source.index < 0 || source.index >= model.paletteSize() ||
        !model.isEntryFree(source.index) || !model.isEntryEnabled(source.index)) {
        return false;
    }
    if (target.kind == SurfaceItem::PaletteEntry) {
        return target.index == source.index;
    }
    return editMode && validKey(target.index);
}

DropResult applyDrop(LayoutModel& model, DragRef source, DragRef target, bool editMode,
                     bool justEntered, int curKey, common::Messenger& messenger) {
    DropResult r;
    if (source.kind == SurfaceItem::PaletteEntry && target.kind == SurfaceItem::Key) {
        const int s = source.index;
        const int key = target.index;
        // Checked before the key is emptied, so a refused entry never costs the key its
        // character.
        if (!validKey(key) || s < 0 || s >= model.paletteSize() || s == kEmptyEntry ||
            !model.isEntryFree(s) || !model.isEntryEnabled(s)) {
            return r;
        }
        model.ClearKey(key);
        const InsertResult ins = InsertIntoCurrentKey(model, key, s, messenger);
        r.changed = true;
        r.focusKey = ins.outcome == InsertOutcome::Placed ? ins.focusKey : key;
        return r;
    }
    if (source.kind == SurfaceItem::Key && target.kind == SurfaceItem::Key) {
        if (!editMode || !validKey(source.index) || !validKey(target.index) ||
            source.index == target.index) {
            return r;
        }
        r.changed = model.swapKeys(source.index, target.index);
        r.focusKey = target.index;
        return r;
    }
    if (source.kind == SurfaceItem::Key && target.kind == SurfaceItem::PaletteEntry) {
        r.changed = validKey(source.index) && model.ClearKey(source.index);
        return r;
    }
    // An entry dropped where it started without the pointer moving is a click on it.
    if (source == target && justEntered) {
        const InsertResult ins = InsertIntoCurrentKey(model, curKey, source.index, messenger);
        r.changed = ins.outcome == InsertOutcome::Placed;
        r.focusKey = ins.focusKey;
    }
    return r;
}

QString editKeyStartText(const LayoutModel& model, int key) {
    const int e = model.entryOnKey(key);
    if (e > 99) {
        return model.keyCaption(key);
    }
    return QString(common::cp1256Char(model.entry(e).code));
}

QStringList editKeyChoices(const LayoutModel& model) {
    return QStringList{lamAlefCaption()} + model.extraCharsItems();
}

QString foldToCodePageLetters(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u == 0x06CC) {
            c = QChar(0x064A);
        } else if (u == 0x06A9) {
            c = QChar(0x0643);
        } else if (u >= 0x06F0 && u <= 0x06F9) {
            c = QChar(u'0' + (u - 0x06F0));
        } else if (u >= 0x0660 && u <= 0x0669) {
            c = QChar(u'0' + (u - 0x0660));
        }
    }
    return out;
}

QString foldedLettersNotice() {
    return QStringLiteral("ی و ک به صورت ي و ك، و ارقام فارسي به صورت ارقام لاتين ذخيره شد.");
}

EditCheck checkEditedKey(const QString& typed, const QString& openedWith, bool multiCharAllowed) {
    const QString text = foldToCodePageLetters(typed);
    if (text == openedWith) {
        return EditCheck::Unchanged;
    }
    if (text.isEmpty()) {
        return EditCheck::Empty;
    }
    if (text.size() != 1 && !multiCharAllowed) {
        return EditCheck::OneCharOnly;
    }
    if (text.size() > 2) {
        return EditCheck::OneOrTwoChars;
    }
    qsizetype unmapped = 0;
    common::toCp1256(text, &unmapped);
    return unmapped == 0 ? EditCheck::Ok : EditCheck::NotEncodable;
}

QString editCheckMessage(EditCheck check) {
    switch (check) {
    case EditCheck::Ok:
        return {};
    case EditCheck::Unchanged:
        return QStringLiteral("كليد ويرايش نشده است.");
    case EditCheck::Empty:
        return QStringLiteral("كليد خالي است.");
    case EditCheck::OneCharOnly:
        return QStringLiteral("كليد يك حرفي قابل قبول است.");
    case EditCheck::OneOrTwoChars:
        return QStringLiteral("كليد يك يا دو حرفي قابل قبول است.");
    case EditCheck::NotEncodable:
        // The layout file holds code page 1256 bytes only.
        return QStringLiteral("اين حرف در صفحه كليد جاي ندارد.");
    }
    return {};
}

void rememberEditedText(LayoutModel& model, const QString& typed) {
    const QString text = foldToCodePageLetters(typed);
    if (editKeyChoices(model).contains(text)) {
        return;
    }
    qsizetype unmapped = 0;
    const QByteArray bytes = common::toCp1256(text, &unmapped);
    if (unmapped == 0) {
        model.appendExtraChars(bytes);
    }
}

EditApplyOutcome applyEditedKey(LayoutModel& model, int key, const QString& typed) {
    const QString text = foldToCodePageLetters(typed);
    if (text.isEmpty()) {
        return EditApplyOutcome::Nothing;
    }
    if (!validKey(key)) {
        return EditApplyOutcome::Impossible;
    }
    qsizetype unmapped = 0;
    const QByteArray bytes = common::toCp1256(text, &unmapped);
    if (unmapped != 0 || bytes.size() > kMaxEntryTextLength) {
        return EditApplyOutcome::Impossible;
    }
    int target = -1;
    if (bytes.size() == 1) {
        target = findFixedEntry(static_cast<std::uint8_t>(bytes[0]), 99);
    } else if (text == lamAlefCaption()) {
        target = kLamAlefEntry;
    }
    if (target < 0) {
        // A new entry is needed: make sure there is room before the key loses anything.
        // Clearing frees a place only when the key's run-time entry stands on no other slot.
        const int old = model.entryOnKey(key);
        int holders = 0;
        for (int s = 0; s < kSlotCount; ++s) {
            holders += model.KeyMap(s) == old ? 1 : 0;
        }
        const bool clearingFreesOne = old >= kFirstRuntimeEntry && holders == 1;
        if (model.paletteSize() - (clearingFreesOne ? 1 : 0) >= kMaxPaletteEntries) {
            return EditApplyOutcome::Impossible;
        }
    }
    model.ClearKey(key);
    if (target < 0) {
        target = model.AddPaletteEntry(bytes);
    }
    model.SetKey(key, target);
    return EditApplyOutcome::Placed;
}

int editDialogLeft(int leftBox, int rightBox, int dialogWidth) {
    return leftBox + dialogWidth > rightBox ? rightBox - dialogWidth : leftBox;
}

} // namespace zerva::keyboard
