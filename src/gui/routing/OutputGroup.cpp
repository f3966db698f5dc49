#include "gui/routing/OutputGroup.h"

#include "gui/ui/DialogUnits.h"
#include "gui/ui/Icons.h"
#include "gui/ui/ImageButton.h"
#include "gui/ui/SegmentDisplay.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

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
    display_->setAccessibleName(QStringLiteral("OUTPUT ") + letter() +
                                QStringLiteral(" shows input ") + display_->text().trimmed());
    pressed_ = pressedInput;
    for (int input = 1; input <= 8; ++input) {
        const QSignalBlocker block(inputs_.at(input - 1));
        inputs_.at(input - 1)->setChecked(input == pressedInput);
    }
}

} // namespace quorvane
