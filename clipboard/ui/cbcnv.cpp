// The CBCnv window: controls, their captions, and the wiring of its buttons to the core.
#include "cbcnv.h"

#include "clipboard/clipboard_command.h"
#include "clipboard/clipboard_preview.h"
#include "clipboard/clipboard_texts.h"
#include "clipboard/table_list.h"

#include "common/messages.h"
#include "common/services.h"
#include "common/settings_store.h"
#include "common/ui/converter_controls.h"
#include "common/ui/fonts.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QUrl>
#include <QVBoxLayout>

namespace zerva::clipboard {

using common::named;

namespace {

// The preview boxes: width and inner margin, in pixels.
constexpr int kPreviewWidth = 340;
constexpr int kPreviewMargin = 3;

// The help page's section about this program.
const QString kHelpSection = QStringLiteral("clipboard");

} // namespace

CBCnv::CBCnv(QString installPath, CBCnvServices services, QWidget* parent)
    : QWidget(parent, common::kConverterWindowFlags), m_installPath(std::move(installPath)),
      m_services(services) {
    setObjectName(QStringLiteral("CBCnv"));
    setWindowTitle(caption());
    setLayoutDirection(Qt::RightToLeft);

    m_label4 = named(new QLabel(texts::kLabel4()), QStringLiteral("Label4"));
    m_fileFormat = named(new QComboBox, QStringLiteral("FileFormat"));
    m_fileFormat->setToolTip(texts::kFileFormatTip());
    m_fileFormat->setMinimumWidth(220);
    m_label4->setBuddy(m_fileFormat);

    m_direction = common::makeDirectionControls();

    // What a press would do to the clipboard's text, before the user presses.
    m_label6 = named(new QLabel(texts::kPreviewBefore()), QStringLiteral("Label6"));
    m_label7 = named(new QLabel(texts::kPreviewAfter()), QStringLiteral("Label7"));
    m_previewBefore = named(new QLabel, QStringLiteral("PreviewBefore"));
    m_previewAfter = named(new QLabel, QStringLiteral("PreviewAfter"));
    for (QLabel* preview : {m_previewBefore, m_previewAfter}) {
        preview->setFont(common::suiteFont(10));
        preview->setTextFormat(Qt::PlainText);
        preview->setFrameShape(QFrame::Panel);
        preview->setFrameShadow(QFrame::Sunken);
        preview->setAutoFillBackground(true);
        preview->setBackgroundRole(QPalette::Base);
        // Leading: the right edge in the right-to-left window (AlignRight would be mirrored).
        preview->setAlignment(Qt::AlignLeading | Qt::AlignTop);
        preview->setMargin(kPreviewMargin);
        // A fixed size, so that the window does not change size with the clipboard.
        preview->setFixedSize(kPreviewWidth, preview->fontMetrics().lineSpacing() * kPreviewLines +
                                                 2 * (kPreviewMargin + preview->frameWidth()));
    }

    m_commands = common::makeCommandButtons();
    m_commands.change->setEnabled(false);

    auto* grid = new QGridLayout;
    grid->addWidget(m_label4, 0, 0);
    grid->addWidget(m_fileFormat, 0, 1);
    grid->addWidget(m_direction.label, 1, 0, Qt::AlignTop);
    grid->addWidget(m_direction.frame, 1, 1);
    grid->addWidget(m_label6, 2, 0, Qt::AlignTop);
    grid->addWidget(m_previewBefore, 2, 1);
    grid->addWidget(m_label7, 3, 0, Qt::AlignTop);
    grid->addWidget(m_previewAfter, 3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_commands.change);
    buttons->addWidget(m_commands.help);
    buttons->addWidget(m_commands.exit);
    auto* root = new QVBoxLayout(this);
    root->addLayout(grid);
    root->addSpacing(6);
    root->addLayout(buttons);
    root->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_commands.change, &QPushButton::clicked, this, &CBCnv::cmdChange_Click);
    connect(m_fileFormat, &QComboBox::currentIndexChanged, this, &CBCnv::refreshPreview);
    connect(m_direction.toMs, &QRadioButton::toggled, this, &CBCnv::refreshPreview);
    connect(m_commands.help, &QPushButton::clicked, this, &CBCnv::cmdHelp_Click);
    connect(m_commands.exit, &QPushButton::clicked, this, &CBCnv::cmdExit_Click);
    // F1 anywhere in the window, whichever control has the focus.
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, &CBCnv::cmdHelp_Click);

    m_watch = std::make_unique<clsClipboard>(m_services.clipboard);
}

CBCnv::~CBCnv() = default;

QString CBCnv::caption() {
    return texts::kCaptionStart() + QLatin1Char(' ') + QChar(0x200F) + QStringLiteral("(1.00)");
}

bool CBCnv::load() {
    const auto tables = loadFormatList(m_installPath, m_services.messenger);
    if (!tables) {
        return false;
    }
    m_fileFormat->clear();
    m_tableNumbers.clear();
    for (const TableChoice& t : *tables) {
        m_fileFormat->addItem(t.name);
        m_tableNumbers.push_back(t.number);
    }
    m_watch->InitClipboardChangeNotification([this](bool enabled) {
        m_commands.change->setEnabled(enabled);
        refreshPreview();
    });
    m_fileFormat->setCurrentIndex(0);
    refreshPreview();
    return true;
}

void CBCnv::cmdChange_Click() {
    const int position = m_fileFormat->currentIndex();
    if (position < 0 || position >= static_cast<int>(m_tableNumbers.size())) {
        return;
    }
    const Direction direction = m_direction.direction();
    const ChangeOutcome outcome =
        cmdChangeClick(m_installPath, m_tableNumbers[static_cast<std::size_t>(position)], direction,
                       m_services.clipboard, m_services.messenger);
    switch (outcome) {
    case ChangeOutcome::TableFailed:
        close();
        break;
    case ChangeOutcome::Converted:
        m_commands.change->setEnabled(false);
        refreshPreview();
        break;
    case ChangeOutcome::NothingToConvert:
    case ChangeOutcome::ClipboardFailed:
        break;
    }
}

void CBCnv::refreshPreview() {
    const int position = m_fileFormat->currentIndex();
    if (!m_watch->active() || position < 0 || position >= static_cast<int>(m_tableNumbers.size())) {
        return;
    }
    const int number = m_tableNumbers[static_cast<std::size_t>(position)];
    const Direction direction = m_direction.direction();
    if (!m_previewTable || m_previewTable->number != number ||
        m_previewTable->direction != direction) {
        // Read quietly: a broken table is reported when the button is pressed.
        m_previewTable =
            PreviewTable{number, direction, readClipboardTable(m_installPath, number, direction)};
    }
    const ClipboardPreview preview =
        makePreview(m_services.clipboard.read(), m_previewTable->table);
    const auto show = [](QLabel* label, const QString& text) {
        const QFontMetrics metrics(label->font());
        const int room = label->contentsRect().width() - 2 * label->margin();
        QStringList lines = text.split(QLatin1Char('\n'));
        for (QString& line : lines) {
            line = metrics.elidedText(line, Qt::ElideRight, room);
        }
        label->setText(lines.join(QLatin1Char('\n')));
        label->setToolTip(text);
    };
    show(m_previewBefore, preview.before);
    show(m_previewAfter, preview.after);
}

void CBCnv::cmdHelp_Click() {
    common::openSuiteHelp(m_services.settings, m_services.help, kHelpSection);
}

void CBCnv::cmdExit_Click() {
    close();
}

} // namespace zerva::clipboard
