#include "gui/routing/OutputGroup.h"

#include "gui/ui/DialogUnits.h"
#include "gui/ui/Icons.h"
#include "gui/ui/ImageButton.h"
#include "gui/ui/SegmentDisplay.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

namespace quorvane {

OutputGroup::OutputGroup(int output, QWidget* parent)
    : QGroupBox(parent), output_(output), display_(new SegmentDisplay(this)),
      previous_(new ImageButton(this)), next_(new ImageButton(this)) {
    const QString name = QStringLiteral("OUTPUT ") + letter();
    setTitle(name);
    setAccessibleName(name);
    const DialogUnits units(font());

    display_->setFixedSize(units.size(38, 31));
    auto* displayRow = new QHBoxLayout;
    displayRow->addStretch();
    displayRow->addWidget(display_);
    displayRow->addStretch();

    auto* buttons = new QGridLayout;
    buttons->setHorizontalSpacing(0);
    buttons->setVerticalSpacing(0);
    for (int input = 1; input <= 8; ++input) {
        auto* button = new QPushButton(QString::number(input), this);
        button->setCheckable(true);
        button->setFixedSize(units.size(13, 12));
        button->setFocusPolicy(Qt::TabFocus);
        button->setAccessibleName(name + QStringLiteral(" input ") + QString::number(input));
        // A click and a screen reader's "toggle" both flip the button and ask for the route; the
        // flip is undone at once: only the matrix's answer changes the pressed one.
        connect(button, &QPushButton::toggled, this, [this, input, button] {
            const QSignalBlocker block(button);
            button->setChecked(input == pressed_);
            emit inputClicked(input);
        });
        inputs_.at(input - 1) = button;
        buttons->addWidget(button, (input - 1) / 4, (input - 1) % 4);
    }

    const QSize arrowSize = units.size(8, 7);
    previous_->setIcons(iconPixmap(IconId::ArrowLeft, arrowSize, devicePixelRatioF()));
    next_->setIcons(iconPixmap(IconId::ArrowRight, arrowSize, devicePixelRatioF()));
    previous_->setTooltipText(QStringLiteral("Previous input"));
    next_->setTooltipText(QStringLiteral("Next input"));
    previous_->setAccessibleName(name + QStringLiteral(" previous input"));
    next_->setAccessibleName(name + QStringLiteral(" next input"));
    for (ImageButton* arrow : {previous_, next_}) {
        // Raised 3-D buttons; hover lights up only flat ones.
        arrow->setFlat(false);
        arrow->setFixedSize(units.size(14, 10));
        arrow->setFocusPolicy(Qt::TabFocus);
    }
    connect(previous_, &QPushButton::clicked, this, &OutputGroup::previousClicked);
    connect(next_, &QPushButton::clicked, this, &OutputGroup::nextClicked);
    auto* arrows = new QHBoxLayout;
    arrows->addStretch();
    arrows->addWidget(previous_);
    arrows->addWidget(next_);
    arrows->addStretch();

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(units.x(3), units.y(3), units.x(3), units.y(2));
    column->setSpacing(units.y(2));
    setMinimumSize(units.size(61, 99));
    column->addLayout(displayRow);
    inputName_ = new QLabel(this);
    inputName_->setAlignment(Qt::AlignCenter);
    inputName_->hide();
    column->addWidget(inputName_);
    column->addLayout(buttons);
    column->addLayout(arrows);
    render(QStringLiteral("1"), 0);
}

QString OutputGroup::letter() const {
    return QString(QChar('A' + output_ - 1));
}

void OutputGroup::render(const QString& text, int pressedInput) {
    if (!display_->setText(text))
        display_->setText(QString()); // wider than the display: show nothing rather than stale
    pressed_ = pressedInput;
    for (int input = 1; input <= 8; ++input) {
        const QSignalBlocker block(inputs_.at(input - 1));
        inputs_.at(input - 1)->setChecked(input == pressedInput);
    }
    showNames();
}

void OutputGroup::setNames(const QString& outputName, const std::array<QString, 8>& inputNames) {
    if (outputName == outputName_ && inputNames == inputNames_)
        return;
    outputName_ = outputName;
    inputNames_ = inputNames;
    const QString name = QStringLiteral("OUTPUT ") + letter();
    const QString title = outputName_.isEmpty() ? name : name + QStringLiteral(" ") + outputName_;
    setTitle(title);
    setAccessibleName(title);
    for (int input = 1; input <= 8; ++input) {
        const QString& inputName = inputNames_.at(input - 1);
        QPushButton* button = inputs_.at(input - 1);
        const QString base = name + QStringLiteral(" input ") + QString::number(input);
        button->setAccessibleName(inputName.isEmpty() ? base
                                                      : base + QStringLiteral(" ") + inputName);
        button->setToolTip(inputName.isEmpty()
                               ? QString()
                               : QString::number(input) + QStringLiteral(" ") + inputName);
    }
    showNames();
}

void OutputGroup::showNames() {
    // The display keeps its number; the name of the input it shows goes on the line under it.
    const QString shown = display_->text().trimmed();
    bool isNumber = false;
    const int input = shown.toInt(&isNumber);
    const QString inputName =
        isNumber && input >= 1 && input <= 8 ? inputNames_.at(input - 1) : QString();
    const QString spoken = QStringLiteral("OUTPUT ") + letter() + QStringLiteral(" shows input ") +
                           shown +
                           (inputName.isEmpty() ? QString() : QStringLiteral(" ") + inputName);
    if (display_->accessibleName() != spoken)
        display_->setAccessibleName(spoken);
    if (inputName_->text() != inputName) {
        inputName_->setText(inputName);
        inputName_->setAccessibleName(inputName);
    }
    // Shown in every group once any input has a name, so that the groups of a row line up.
    const bool anyName = std::any_of(inputNames_.begin(), inputNames_.end(),
                                     [](const QString& n) { return !n.isEmpty(); });
    inputName_->setVisible(anyName);
}

} // namespace quorvane
