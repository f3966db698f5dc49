#pragma once
// A page tab of the main window: a caption on the blue tab row, drawn black on light when its page
// is in front and white on blue otherwise, with the row's separator at its right edge. Pressing it
// (the left button going down, or a screen reader's press) asks the main window to change the
// page; the tab itself never toggles (the navigation selects it).

#include <QAbstractButton>

namespace quorvane {

class TabLabel : public QAbstractButton {
    Q_OBJECT
public:
    TabLabel(const QString& caption, bool separatorAtRight, QWidget* parent = nullptr);

    // Drawn as the tab of the page in front; also reported as "checked" to a screen reader.
    void setSelected(bool selected) { setChecked(selected); }
    bool isSelected() const { return isChecked(); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void nextCheckState() override {}

private:
    bool separatorAtRight_;
};

} // namespace quorvane
