#pragma once
// One "OUTPUT A".."OUTPUT H" group of the Matrix page: the digit display of the output's current
// input, eight input buttons "1".."8" (the current input shown pressed) and the previous/next
// input buttons. It draws what it is given and reports clicks; a click never changes the pressed
// button by itself, only render() does.

#include <QGroupBox>

#include <array>

class QLabel;
class QPushButton;

namespace quorvane {

class ImageButton;
class SegmentDisplay;

class OutputGroup : public QGroupBox {
    Q_OBJECT
public:
    // `output` 1..8 (OUTPUT A..H).
    OutputGroup(int output, QWidget* parent = nullptr);

    // Shows `text` in the display and input `pressedInput` (1..8; 0 = none) pressed.
    void render(const QString& text, int pressedInput);

    // The names the user gave this output and the eight inputs ("" for none): shown beside the
    // numbers (the title, a line under the display for the input shown, the buttons' tool tips)
    // and in what a screen reader reads. With no names the group is as it always was.
    void setNames(const QString& outputName, const std::array<QString, 8>& inputNames);

    int output() const { return output_; }
    QLabel* inputNameLine() const { return inputName_; }
    QString letter() const;
    SegmentDisplay* display() const { return display_; }
    QPushButton* inputButton(int input) const { return inputs_.at(input - 1); }
    ImageButton* previousButton() const { return previous_; }
    ImageButton* nextButton() const { return next_; }

signals:
    void inputClicked(int input);
    void previousClicked();
    void nextClicked();

private:
    int output_;
    void showNames();

    int pressed_ = 0;
    QString outputName_;
    std::array<QString, 8> inputNames_{};
    QLabel* inputName_ = nullptr;
    SegmentDisplay* display_;
    std::array<QPushButton*, 8> inputs_{};
    ImageButton* previous_;
    ImageButton* next_;
};

} // namespace quorvane
