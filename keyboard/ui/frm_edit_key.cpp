// The key edit dialog: its controls, the checks of OK and the result it hands back.
#include "frm_edit_key.h"

#include "keyboard/surface_rules.h"
#include "keyboard/ui/surface_geometry.h"

#include "common/ui/fonts.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace zerva::keyboard {

namespace {

constexpr common::TwipsRect kClient{0, 0, 2535, 2175};
constexpr common::TwipsRect kText1{360, 360, 1815, 315};
constexpr common::TwipsRect kCombo1{360, 960, 1815, 315};
constexpr common::TwipsRect kCmdOk{1440, 1560, 735, 315};
constexpr common::TwipsRect kCmdCancel{360, 1560, 735, 315};

// Controls at least as tall as their font needs, so Persian text is never cut off; the extra
// height grows downwards from the designed top.
QRect placed(const common::TwipsRect& t, const QWidget* w) {
    QRect r = toPixels(t);
    r.setHeight(std::max(r.height(), w->sizeHint().height()));
    return r;
}

} // namespace

frmEditKey::frmEditKey(LayoutModel& model, common::Messenger& messenger, QWidget* parent)
    : QDialog(parent), m_model(model), m_messenger(messenger), m_text1(new QLineEdit(this)),
      m_combo1(new QComboBox(this)), m_cmdOk(new QPushButton(this)),
      m_cmdCancel(new QPushButton(this)) {
    setObjectName(QStringLiteral("frmEditKey"));
    setWindowTitle(QStringLiteral("ويرايش كليد"));
    setLayoutDirection(Qt::RightToLeft);
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFont(common::suiteFont(9));

    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setAccessibleName(QStringLiteral("Text1"));
    m_text1->setToolTip(QStringLiteral("جاي ويرايش كليد"));
    m_text1->setLayoutDirection(Qt::RightToLeft);

    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_combo1->setAccessibleName(QStringLiteral("Combo1"));
    m_combo1->setToolTip(QStringLiteral("كليدهاي تركيبي موجود"));
    m_combo1->setLayoutDirection(Qt::RightToLeft);
    m_combo1->setEditable(false);
    // Load: "لا" first, then the combined keys of ExtraChars; nothing chosen yet.
    m_combo1->addItems(editKeyChoices(model));
    m_combo1->setCurrentIndex(-1);

    m_cmdOk->setObjectName(QStringLiteral("cmdOk"));
    m_cmdOk->setText(QStringLiteral("&تأييد"));
    m_cmdOk->setAccessibleName(m_cmdOk->text().remove(QLatin1Char('&')));
    m_cmdOk->setDefault(true);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setText(QStringLiteral("&انصراف"));
    m_cmdCancel->setAccessibleName(m_cmdCancel->text().remove(QLatin1Char('&')));

    // The designed positions, each row pushed down by what the rows above grew.
    int growth = 0;
    for (QWidget* w : {static_cast<QWidget*>(m_text1), static_cast<QWidget*>(m_combo1)}) {
        const common::TwipsRect& t = w == m_text1 ? kText1 : kCombo1;
        const QRect r = placed(t, w).translated(0, growth);
        w->setGeometry(r);
        growth += r.height() - toPixels(t).height();
    }
    m_cmdOk->setGeometry(placed(kCmdOk, m_cmdOk).translated(0, growth));
    m_cmdCancel->setGeometry(placed(kCmdCancel, m_cmdCancel).translated(0, growth));
    QSize client = toPixels(kClient).size();
    client.setHeight(client.height() + growth);
    setFixedSize(client);

    setTabOrder(m_text1, m_combo1);
    setTabOrder(m_combo1, m_cmdOk);
    setTabOrder(m_cmdOk, m_cmdCancel);

    connect(m_cmdOk, &QPushButton::clicked, this, &frmEditKey::cmdOkClick);
    connect(m_cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_combo1, &QComboBox::activated, this, &frmEditKey::combo1Click);
}

void frmEditKey::Arg(const QString& textKey, bool isMultiChar, int topBox, int leftBox,
                     int rightBox) {
    m_text1->setText(textKey);
    m_openedWith = textKey;
    move(editDialogLeft(leftBox, rightBox, frameGeometry().width()), topBox);
    m_multiCharAllowed = isMultiChar;
}

void frmEditKey::combo1Click(int index) {
    if (index >= 0) {
        m_text1->setText(m_combo1->itemText(index));
    }
}

void frmEditKey::cmdOkClick() {
    const QString text = m_text1->text();
    const EditCheck check = checkEditedKey(text, m_openedWith, m_multiCharAllowed);
    if (check != EditCheck::Ok) {
        m_messenger.MsgBox(editCheckMessage(check), common::kOkOnly, QString());
        return;
    }
    rememberEditedText(m_model, text);
    m_result = foldToCodePageLetters(text);
    if (m_result != text) {
        m_messenger.MsgBox(foldedLettersNotice(), common::kOkOnly, common::noticeTitle());
    }
    accept();
}

} // namespace zerva::keyboard
