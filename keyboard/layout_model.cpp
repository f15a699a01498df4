// The layout model's state and operations.
#include "layout_model.h"

#include "common/codepage.h"
#include "common/messages.h"

#include <algorithm>

namespace zerva::keyboard {

LayoutModel::LayoutModel(QObject* parent) : QObject(parent) {
    m_palette.reserve(kMaxPaletteEntries);
    for (int i = 0; i < kFixedEntryCount; ++i) {
        m_palette.push_back(fixedEntry(i));
    }
    for (int s = 0; s < kSlotCount; ++s) {
        m_keyMap[static_cast<std::size_t>(s)] = kEmptyEntry;
    }
}

int LayoutModel::KeyMap(int slot) const {
    if (slot < 0 || slot >= kKeyMapSize) {
        return kEmptyEntry;
    }
    return m_keyMap[static_cast<std::size_t>(slot)];
}

int LayoutModel::slotOfKey(int key) const {
    if (!validKey(key)) {
        return -1;
    }
    return m_shiftShown ? key + kShiftPlaneBase : key;
}

int LayoutModel::keyOfShownSlot(int slot) const {
    const int base = m_shiftShown ? kShiftPlaneBase : 0;
    return slot >= base && slot < base + kKeyCount ? slot - base : -1;
}

int LayoutModel::entryOnKey(int key) const {
    return validKey(key) ? KeyMap(slotOfKey(key)) : kEmptyEntry;
}

void LayoutModel::setShiftPlaneShown(bool shift) {
    if (shift == m_shiftShown) {
        return;
    }
    m_shiftShown = shift;
    emit planeChanged(shift);
}

QString LayoutModel::keyCaption(int key) const {
    const int e = entryOnKey(key);
    if (e >= 99 && e <= 101 && key != kSpaceBarKey) {
        return entry(e).tip;
    }
    return entry(e).caption;
}

QString LayoutModel::keyTip(int key) const {
    const int e = entryOnKey(key);
    if (e >= 99 && e <= 101 && key != kSpaceBarKey) {
        return entry(e).caption;
    }
    return entry(e).tip;
}

bool LayoutModel::isKeyDraggable(int key) const {
    return validKey(key) && entryOnKey(key) != kEmptyEntry;
}

int LayoutModel::nextEmptyKey(int key) const {
    if (!validKey(key)) {
        return key;
    }
    for (int k = key; k < kKeyCount; ++k) {
        if (entryOnKey(k) == kEmptyEntry) {
            return k;
        }
    }
    for (int k = 0; k <= key; ++k) {
        if (entryOnKey(k) == kEmptyEntry) {
            return k;
        }
    }
    return key;
}

const PaletteEntry& LayoutModel::entry(int index) const {
    if (index < 0 || index >= paletteSize()) {
        return m_palette[kEmptyEntry];
    }
    return m_palette[static_cast<std::size_t>(index)];
}

int LayoutModel::useCount(int index) const {
    int n = 0;
    for (int s = 0; s < kSlotCount; ++s) {
        n += m_keyMap[static_cast<std::size_t>(s)] == index ? 1 : 0;
    }
    return n;
}

bool LayoutModel::isEntryUsed(int index) const {
    return index >= 0 && index < paletteSize() && useCount(index) > 0;
}

bool LayoutModel::isEntryEnabled(int index) const {
    if (index < 0 || index >= paletteSize()) {
        return false;
    }
    return index != kLamAlefEntry || m_shiftShown;
}

void LayoutModel::writeSlot(int slot, int entryIndex) {
    const int old = m_keyMap[static_cast<std::size_t>(slot)];
    if (old == entryIndex) {
        return;
    }
    const bool oldWasUsed = isEntryUsed(old);
    const bool newWasUsed = isEntryUsed(entryIndex);
    m_keyMap[static_cast<std::size_t>(slot)] = static_cast<qint16>(entryIndex);
    emit slotChanged(slot);
    if (oldWasUsed && !isEntryUsed(old)) {
        emit entryUsedChanged(old, false);
    }
    if (!newWasUsed) {
        emit entryUsedChanged(entryIndex, true);
    }
}

bool LayoutModel::SetKey(int key, int entryIndex) {
    if (!validKey(key) || entryIndex < 0 || entryIndex >= paletteSize()) {
        return false;
    }
    writeSlot(slotOfKey(key), entryIndex);
    setLayoutChanged(true);
    return true;
}

bool LayoutModel::ClearKey(int key) {
    if (!validKey(key)) {
        return false;
    }
    const int slot = slotOfKey(key);
    const int old = KeyMap(slot);
    if (old == kEmptyEntry) {
        return false;
    }
    writeSlot(slot, kEmptyEntry);
    // A run-time entry exists only for the slots that hold it; the last one takes it along.
    if (old >= kFirstRuntimeEntry && !isEntryUsed(old)) {
        RemovePaletteEntry(old);
    }
    setLayoutChanged(true);
    return true;
}

bool LayoutModel::swapKeys(int keyA, int keyB) {
    if (!validKey(keyA) || !validKey(keyB) || keyA == keyB) {
        return false;
    }
    const int a = entryOnKey(keyA);
    const int b = entryOnKey(keyB);
    writeSlot(slotOfKey(keyA), b);
    writeSlot(slotOfKey(keyB), a);
    setLayoutChanged(true);
    return true;
}

int LayoutModel::AddPaletteEntry(const QByteArray& text) {
    if (text.isEmpty() || text.size() > kMaxEntryTextLength ||
        paletteSize() >= kMaxPaletteEntries) {
        return -1;
    }
    m_palette.push_back(runtimeEntry(text));
    const int index = paletteSize() - 1;
    emit entryAdded(index);
    return index;
}

int LayoutModel::AddPaletteEntry(const QString& text) {
    qsizetype unmapped = 0;
    const QByteArray bytes = common::toCp1256(text, &unmapped);
    if (unmapped != 0) {
        return -1;
    }
    return AddPaletteEntry(bytes);
}

bool LayoutModel::RemovePaletteEntry(int index) {
    if (index < kFirstRuntimeEntry || index >= paletteSize() || isEntryUsed(index)) {
        return false;
    }
    m_palette.erase(m_palette.begin() + index);
    // Every slot follows its entry down one place. Each run-time entry normally stands on one
    // slot, but renumbering all of them keeps every slot pointing at the text it showed.
    std::vector<int> moved;
    for (int s = 0; s < kSlotCount; ++s) {
        auto& v = m_keyMap[static_cast<std::size_t>(s)];
        if (v > index) {
            --v;
            moved.push_back(s);
        }
    }
    emit entryRemoved(index);
    for (int s : moved) {
        emit slotChanged(s);
    }
    return true;
}

QStringList LayoutModel::extraCharsItems() const {
    QStringList items;
    qsizetype a = 0;
    while (a < m_extraChars.size()) {
        const auto n = static_cast<std::uint8_t>(m_extraChars[a]);
        items << common::fromCp1256(m_extraChars.mid(a + 1, n));
        a += n + 1;
    }
    return items;
}

bool LayoutModel::appendExtraChars(const QByteArray& text) {
    if (text.isEmpty() || text.size() > kMaxEntryTextLength) {
        return false;
    }
    m_extraChars += static_cast<char>(text.size());
    m_extraChars += text;
    emit extraCharsChanged();
    return true;
}

void LayoutModel::setLayoutChanged(bool changed) {
    if (changed == m_layoutChanged) {
        return;
    }
    m_layoutChanged = changed;
    emit layoutChangedChanged(changed);
}

void LayoutModel::setSourceLabel(const QString& label) {
    if (label == m_sourceLabel) {
        return;
    }
    m_sourceLabel = label;
    emit sourceLabelChanged(label);
}

QString LayoutModel::systemSourceLabel() {
    return QStringLiteral("فعال سيستم");
}

QString LayoutModel::standardSourceLabel() {
    return QStringLiteral("صفحه كليد زروا");
}

QString LayoutModel::programName() {
    return QStringLiteral("مبدل صفحه كليد فارسي");
}

QString LayoutModel::programTitle() {
    return common::productName() + QStringLiteral(" - ") + programName() +
           QStringLiteral(" (2.00)");
}

QString LayoutModel::windowCaption() const {
    return programTitle() + QStringLiteral(" - ") + m_sourceLabel;
}

bool LayoutModel::replaceLayout(const DecodedPlanes& planes) {
    for (const QByteArray& t : planes.shift) {
        if (t.isEmpty() || t.size() > kMaxEntryTextLength) {
            return false;
        }
    }
    // Built aside first, so the model changes all at once.
    std::vector<PaletteEntry> palette(m_palette.begin(), m_palette.begin() + kFixedEntryCount);
    std::array<qint16, kKeyMapSize> keyMap = m_keyMap;
    QByteArray extra;
    auto addRuntime = [&](const QByteArray& text) {
        extra += static_cast<char>(text.size());
        extra += text;
        palette.push_back(runtimeEntry(text));
        return static_cast<qint16>(palette.size() - 1);
    };
    for (int k = 0; k < kKeyCount; ++k) {
        const std::uint8_t b = planes.base[static_cast<std::size_t>(k)];
        const int fixed = findFixedEntry(b);
        keyMap[static_cast<std::size_t>(k)] = fixed >= 0
                                                  ? static_cast<qint16>(fixed)
                                                  : addRuntime(QByteArray(1, static_cast<char>(b)));
    }
    const QByteArray lamAlef = m_palette[kLamAlefEntry].text;
    for (int k = 0; k < kKeyCount; ++k) {
        const QByteArray& t = planes.shift[static_cast<std::size_t>(k)];
        qint16 e = -1;
        if (t.size() == 1) {
            e = static_cast<qint16>(findFixedEntry(static_cast<std::uint8_t>(t[0])));
        } else if (t == lamAlef) {
            e = kLamAlefEntry;
        }
        keyMap[static_cast<std::size_t>(kShiftPlaneBase + k)] = e >= 0 ? e : addRuntime(t);
    }

    m_palette = std::move(palette);
    m_keyMap = keyMap;
    m_extraChars += extra;
    if (!extra.isEmpty()) {
        emit extraCharsChanged();
    }
    emit layoutReplaced();
    setLayoutChanged(true);
    return true;
}

DecodedPlanes LayoutModel::planes() const {
    DecodedPlanes p;
    for (int k = 0; k < kKeyCount; ++k) {
        p.base[static_cast<std::size_t>(k)] = entry(KeyMap(k)).code;
        const int e = KeyMap(kShiftPlaneBase + k);
        const PaletteEntry& pe = entry(e);
        // Only lam-alef and run-time texts are combined keys; fixed entries with long
        // captions stand for their single code.
        const bool combined = (e == kLamAlefEntry || e >= kFirstRuntimeEntry) && pe.text.size() > 1;
        p.shift[static_cast<std::size_t>(k)] =
            combined ? pe.text : QByteArray(1, static_cast<char>(pe.code));
    }
    return p;
}

LayoutSnapshot LayoutModel::snapshot() const {
    LayoutSnapshot snap;
    std::copy_n(m_keyMap.begin(), kSlotCount, snap.keyMap.begin());
    for (int i = kFirstRuntimeEntry; i < paletteSize(); ++i) {
        snap.runtimeTexts.push_back(m_palette[static_cast<std::size_t>(i)].text);
    }
    return snap;
}

bool LayoutModel::restore(const LayoutSnapshot& snap) {
    const int size = kFixedEntryCount + static_cast<int>(snap.runtimeTexts.size());
    if (size > kMaxPaletteEntries) {
        return false;
    }
    for (const QByteArray& t : snap.runtimeTexts) {
        if (t.isEmpty() || t.size() > kMaxEntryTextLength) {
            return false;
        }
    }
    for (qint16 v : snap.keyMap) {
        if (v < 0 || v >= size) {
            return false;
        }
    }
    if (snap == snapshot()) {
        return true;
    }
    std::array<bool, kFixedEntryCount> usedBefore{};
    for (int i = 0; i < kFixedEntryCount; ++i) {
        usedBefore[static_cast<std::size_t>(i)] = isEntryUsed(i);
    }
    std::array<QString, kSlotCount> captionsBefore;
    for (int s = 0; s < kSlotCount; ++s) {
        captionsBefore[static_cast<std::size_t>(s)] = entry(KeyMap(s)).caption;
    }
    const std::array<qint16, kKeyMapSize> keyMapBefore = m_keyMap;

    m_palette.resize(kFixedEntryCount);
    for (const QByteArray& t : snap.runtimeTexts) {
        m_palette.push_back(runtimeEntry(t));
    }
    std::copy_n(snap.keyMap.begin(), kSlotCount, m_keyMap.begin());

    // A slot counts as changed when it holds another entry or its entry now shows another
    // text (a run-time entry renumbered under it).
    for (int s = 0; s < kSlotCount; ++s) {
        const auto i = static_cast<std::size_t>(s);
        if (keyMapBefore[i] != m_keyMap[i] || captionsBefore[i] != entry(KeyMap(s)).caption) {
            emit slotChanged(s);
        }
    }
    for (int i = 0; i < kFixedEntryCount; ++i) {
        if (usedBefore[static_cast<std::size_t>(i)] != isEntryUsed(i)) {
            emit entryUsedChanged(i, isEntryUsed(i));
        }
    }
    setLayoutChanged(true);
    return true;
}

} // namespace zerva::keyboard
