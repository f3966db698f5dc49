#pragma once
// An image button whose ground is a generated texture instead of a plain colour: short random
// diagonal streaks over a gradient, roughened by noise, in shades running from the desktop's
// shadow colour through the button face to its light colour. While hovered the button shows a
// copy of the texture tinted towards the highlight colour. The frame is always the thin 3-D one.

#include "gui/ui/ImageButton.h"

namespace quorvane {

class ShadedImageButton : public ImageButton {
    Q_OBJECT
public:
    explicit ShadedImageButton(QWidget* parent = nullptr);
    explicit ShadedImageButton(const QString& caption, QWidget* parent = nullptr);

    // `granularity`: amplitude of the noise in shade levels (0..255); `highlight`: how far, in
    // percent, the hover copy is tinted towards the highlight colour. The same seed gives the same
    // texture.
    void setShade(int granularity = 8, int highlight = 10, quint32 seed = 1);

    const QImage& texture() const { return texture_; }
    const QImage& highlightedTexture() const { return highlighted_; }

protected:
    void paintBackground(QPainter& painter, const QRect& area, const DrawState& state) override;
    void paintFrame(QPainter& painter, const QRect& area, const DrawState& state) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void renderTextures();

    int granularity_ = 8;
    int highlight_ = 10;
    quint32 seed_ = 1;
    QImage texture_;
    QImage highlighted_;
};

} // namespace quorvane
