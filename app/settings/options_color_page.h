#pragma once
// 2 "Colors": the six colours of the interface and the LED displays, chosen from 48 boxes or
// the colour chooser, with a sample that shows them together. [ui-thread]

#include "app/settings/options_page.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace klv::app {

class ColorGrid;
class ColorSample;

class ColorPage final : public OptionsPage {
    Q_OBJECT
public:
    explicit ColorPage(OptionsRecord& copy, QWidget* parent = nullptr);

    void load() override;

    int element() const;
    void selectElement(int element);
    // Gives the element being edited a colour (0x00BBGGRR).
    void giveColor(int32_t colour);
    // "C&ustom...": the colour chooser, started on the element's colour.
    void chooseCustom();

    ColorSample* sample() const { return m_sample; }
    ColorGrid* grid() const { return m_grid; }

private:
    void showElement();

    QComboBox* m_element;
    ColorSample* m_sample;
    ColorGrid* m_grid;
    QLabel* m_current;
    QPushButton* m_custom;
};

} // namespace klv::app
