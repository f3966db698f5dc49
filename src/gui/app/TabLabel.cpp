#include "gui/app/TabLabel.h"

#include "gui/app/WindowColours.h"

#include <QAccessibleWidget>
#include <QPainter>

namespace quorvane {

namespace {
// A tab reads as a page tab, "selected" when its page is in front, and can be pressed.
class TabLabelAccessible : public QAccessibleWidget {
public:
    explicit TabLabelAccessible(TabLabel* tab) : QAccessibleWidget(tab, QAccessible::PageTab) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return tab()->text();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.selectable = true;
        s.selected = tab()->isSelected();
        return s;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override {
        if (action == pressAction())
            tab()->click();
    }

private:
    TabLabel* tab() const { return static_cast<TabLabel*>(widget()); }
};

QAccessibleInterface* tabLabelAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("quorvane::TabLabel") && object->isWidgetType())
        return new TabLabelAccessible(static_cast<TabLabel*>(object));
    return nullptr;
}
} // namespace

TabLabel::TabLabel(const QString& caption, bool separatorAtRight, QWidget* parent)
    : QAbstractButton(parent), separatorAtRight_(separatorAtRight) {
    // Before anything here makes a screen reader ask about this tab.
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(tabLabelAccessible);
        return true;
    }();
    (void)factoryInstalled;
    setText(caption);
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

QSize TabLabel::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 16, metrics.height() + 6};
}

void TabLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QRect area = rect();
    painter.fillRect(area, isSelected() ? colours::SelectedTab : colours::Blue);
    painter.setPen(isSelected() ? Qt::black : Qt::white);
    painter.drawText(area, Qt::AlignCenter, text());
    if (hasFocus()) {
        painter.setPen(QPen(isSelected() ? Qt::black : Qt::white, 1, Qt::DotLine));
        painter.drawRect(area.adjusted(2, 2, -3, -3));
    }
    if (separatorAtRight_) {
        const int x = area.right();
        painter.setPen(colours::Blue);
        painter.drawLine(x, area.top(), x, area.bottom());
        painter.setPen(colours::Separator);
        painter.drawLine(x, area.top() + 5, x, area.bottom() - 4);
    }
}

} // namespace quorvane
