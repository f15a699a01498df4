// The system layout list dialog.
#include "frm_import.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace zerva::keyboard {

frmImport::frmImport(std::vector<SystemLayoutName> layouts, QWidget* parent)
    : QDialog(parent), m_layouts(std::move(layouts)) {
    setObjectName(QStringLiteral("frmImport"));
    setWindowTitle(QStringLiteral("خواندن صفحه كليد سيستم"));
    setLayoutDirection(Qt::RightToLeft);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("صفحه كليدي از صفحه كليدهاي سيستم انتخاب كنيد:"), this);
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("txtFilter"));
    m_filter->setPlaceholderText(QStringLiteral("جستجو"));
    m_filter->setClearButtonEnabled(true);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("lstLayouts"));
    for (std::size_t i = 0; i < m_layouts.size(); ++i) {
        const SystemLayoutName& l = m_layouts[i];
        // Variants stand indented under their layout; the XKB name shows left to right.
        auto* item = new QListWidgetItem(
            (l.variant.isEmpty() ? QString() : QStringLiteral("    ")) + l.description +
                QStringLiteral("  ") + QChar(0x2066) + QLatin1Char('[') + systemLayoutText(l) +
                QLatin1Char(']') + QChar(0x2069),
            m_list);
        item->setData(Qt::UserRole, static_cast<int>(i));
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setObjectName(QStringLiteral("cmdOk"));
    m_ok->setText(QStringLiteral("&تأييد"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("&انصراف"));
    m_ok->setEnabled(false);
    layout->addWidget(label);
    layout->addWidget(m_filter);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(480, 520);

    connect(m_filter, &QLineEdit::textChanged, this, &frmImport::applyFilter);
    m_filter->installEventFilter(this);
    connect(m_list, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        m_ok->setEnabled(item != nullptr && !item->isHidden());
    });
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void frmImport::applyFilter(const QString& text) {
    for (int row = 0; row < m_list->count(); ++row) {
        QListWidgetItem* item = m_list->item(row);
        const SystemLayoutName& l =
            m_layouts[static_cast<std::size_t>(item->data(Qt::UserRole).toInt())];
        const bool match = text.isEmpty() || l.description.contains(text, Qt::CaseInsensitive) ||
                           systemLayoutText(l).contains(text, Qt::CaseInsensitive);
        item->setHidden(!match);
    }
    // The first match becomes the choice, so that typing and Enter are enough.
    QListWidgetItem* current = m_list->currentItem();
    if (current == nullptr || current->isHidden()) {
        current = nullptr;
        for (int row = 0; row < m_list->count() && current == nullptr; ++row) {
            if (!m_list->item(row)->isHidden()) {
                current = m_list->item(row);
            }
        }
        m_list->setCurrentItem(current);
    }
    m_ok->setEnabled(current != nullptr && !current->isHidden());
}

bool frmImport::eventFilter(QObject* watched, QEvent* event) {
    // Up and down in the search field move through the list.
    if (watched == m_filter && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
            key == Qt::Key_PageDown) {
            QCoreApplication::sendEvent(m_list, event);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

std::optional<SystemLayoutName> frmImport::chosen() const {
    const QListWidgetItem* item = m_list->currentItem();
    if (result() != QDialog::Accepted || item == nullptr || item->isHidden()) {
        return std::nullopt;
    }
    return m_layouts[static_cast<std::size_t>(item->data(Qt::UserRole).toInt())];
}

std::vector<SystemLayoutName> frmImport::systemList(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return parseXkbLayoutList(f.readAll());
}

} // namespace zerva::keyboard
