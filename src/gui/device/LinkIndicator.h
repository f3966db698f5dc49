#pragma once
// The red/green dot beside a "Connect" button. It shows the link's state in colour even when its
// group is disabled (a greyed dot would hide whether the link is up), and a screen reader reads it
// as a label "<link> link: up" or "<link> link: down".

#include <QLabel>

namespace quorvane {

class LinkIndicator : public QLabel {
    Q_OBJECT
public:
    // `linkName` such as "COM" or "TCP".
    explicit LinkIndicator(const QString& linkName, QWidget* parent = nullptr);

    void setUp(bool up);
    bool isUp() const { return up_; }

    QSize sizeHint() const override { return {16, 16}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void showState(bool up);

    QString linkName_;
    bool up_ = false;
};

} // namespace quorvane
