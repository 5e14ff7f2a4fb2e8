#pragma once
// The colour page's two pictures: the colour scheme sample, which shows the six colours as the
// program uses them and picks an element by the height of the pointer, and the 48 colour
// boxes. [ui-thread]

#include "klv3.h"

#include <QWidget>

#include <functional>

namespace klv::app {

// Colour reference (0x00BBGGRR) to a Qt colour and back.
QColor colorOfReference(int32_t reference);

class ColorSample final : public QWidget {
    Q_OBJECT
public:
    // Draws the colours of options, which it reads at every paint.
    explicit ColorSample(const OptionsRecord& options, QWidget* parent = nullptr);

    void setMarkedElement(int element);
    int markedElement() const { return m_marked; }
    // The element under a point y pixels from the picture's top.
    int elementAt(int y) const;
    // Height in pixels of the picture (the widget's height).
    static int pictureHeight();

    QSize sizeHint() const override;

signals:
    // The left button went down on an element, or moved onto one while held.
    void elementPicked(int element);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // Left of the picture: room for the marker arrow.
    static constexpr int kArrowWidth = 14;
    int twipsToY(int32_t twips) const;

    const OptionsRecord& m_options;
    int m_marked = 0;
};

// "Color Selector": 6 rows of 8 boxes. A click, or Space/Enter on the box under the keyboard
// cursor (moved with the arrow keys), picks that box's colour.
class ColorGrid final : public QWidget {
    Q_OBJECT
public:
    explicit ColorGrid(QWidget* parent = nullptr);

    // The box drawn with a border: the one showing the current colour, or none (-1).
    void setOutlined(int box);
    int outlined() const { return m_outlined; }
    int cursor() const { return m_cursor; }
    QRect boxRect(int box) const;

    QSize sizeHint() const override;

signals:
    void boxPicked(int box);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    static constexpr int kBox = 20;
    static constexpr int kGap = 4;
    int m_outlined = -1;
    int m_cursor = 0;
};

} // namespace klv::app
