// The controls both converter windows build alike.
#include "common/ui/converter_controls.h"

#include "common/shared_texts.h"
#include "common/ui/fonts.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zerva::common {

void nameControl(QWidget* widget, const QString& name, const QString& tip) {
    widget->setObjectName(name);
    widget->setAccessibleName(name);
    widget->setFont(suiteFont(9.75, true));
    if (!tip.isEmpty()) {
        widget->setToolTip(tip);
    }
}

Direction DirectionControls::direction() const {
    return fromMs->isChecked() ? Direction::FromMs : Direction::ToMs;
}

DirectionControls makeDirectionControls() {
    DirectionControls d;
    d.label = named(new QLabel(texts::kLabel5()), QStringLiteral("Label5"));
    d.frame = named(new QGroupBox, QStringLiteral("Frame1"));
    d.toMs = named(new QRadioButton(texts::kChangeToMS()), QStringLiteral("ChangeToMS"),
                   texts::kChangeToMSTip());
    d.toMs->setChecked(true);
    d.fromMs = named(new QRadioButton(texts::kChangeFromMS()), QStringLiteral("ChangeFromMS"),
                     texts::kChangeFromMSTip());
    auto* layout = new QVBoxLayout(d.frame);
    layout->addWidget(d.toMs);
    layout->addWidget(d.fromMs);
    return d;
}

CommandButtons makeCommandButtons() {
    CommandButtons b;
    b.change = named(new QPushButton(texts::kCmdChange()), QStringLiteral("cmdChange"));
    b.help = named(new QPushButton(texts::kCmdHelp()), QStringLiteral("cmdHelp"));
    b.exit = named(new QPushButton(texts::kCmdExit()), QStringLiteral("cmdExit"));
    for (QPushButton* button : {b.change, b.help, b.exit}) {
        button->setMinimumWidth(90);
        button->setAutoDefault(false);
    }
    return b;
}

} // namespace zerva::common
