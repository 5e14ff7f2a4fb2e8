#include "app/settings/options_color_page.h"

#include "app/settings/options_color_widgets.h"
#include "app/settings/options_values.h"
#include "app/shell/qt_window_system.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace klv::app {

ColorPage::ColorPage(OptionsRecord& copy, QWidget* parent) : OptionsPage(copy, parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    m_element = new QComboBox(this);
    m_element->setObjectName(QStringLiteral("cmbElement"));
    m_element->addItems(colorElementCaptions());
    auto* elementCaption = new QLabel(QStringLiteral("&Element:"), this);
    elementCaption->setBuddy(m_element);
    auto* elementRow = new QHBoxLayout;
    elementRow->addWidget(elementCaption);
    elementRow->addWidget(m_element, 1);
    layout->addLayout(elementRow);

    auto* sampleFrame = new QGroupBox(QStringLiteral("Color Scheme Sample"), this);
    auto* sampleLayout = new QVBoxLayout(sampleFrame);
    m_sample = new ColorSample(m_copy, sampleFrame);
    sampleLayout->addWidget(m_sample);
    layout->addWidget(sampleFrame);

    auto* selector = new QGroupBox(QStringLiteral("Color Selector"), this);
    auto* selectorLayout = new QHBoxLayout(selector);
    m_grid = new ColorGrid(selector);
    selectorLayout->addWidget(m_grid, 0, Qt::AlignTop);
    auto* side = new QVBoxLayout;
    side->addWidget(new QLabel(QStringLiteral("Current Color:"), selector));
    m_current = new QLabel(selector);
    m_current->setObjectName(QStringLiteral("pCurrent"));
    m_current->setFixedSize(64, 32);
    m_current->setFrameShape(QFrame::Box);
    m_current->setAutoFillBackground(true);
    side->addWidget(m_current);
    m_custom = new QPushButton(QStringLiteral("C&ustom..."), selector);
    m_custom->setObjectName(QStringLiteral("cmdCustom"));
    side->addWidget(m_custom);
    side->addStretch(1);
    selectorLayout->addLayout(side);
    selectorLayout->addStretch(1);
    layout->addWidget(selector);
    layout->addStretch(1);

    connect(m_element, &QComboBox::currentIndexChanged, this, [this] { showElement(); });
    connect(m_sample, &ColorSample::elementPicked, this, &ColorPage::selectElement);
    connect(m_grid, &ColorGrid::boxPicked, this,
            [this](int box) { giveColor(colorBoxes()[static_cast<size_t>(box)]); });
    connect(m_custom, &QPushButton::clicked, this, &ColorPage::chooseCustom);
}

void ColorPage::load() {
    OptionsPage::load();
    selectElement(0);
    showElement();
}

int ColorPage::element() const {
    return m_element->currentIndex();
}

void ColorPage::selectElement(int element) {
    m_element->setCurrentIndex(element);
}

void ColorPage::showElement() {
    const int32_t colour = colorField(m_copy, element());
    QPalette palette = m_current->palette();
    palette.setColor(QPalette::Window, colorOfReference(colour));
    m_current->setPalette(palette);
    m_grid->setOutlined(colorBoxOf(colour));
    m_sample->setMarkedElement(element());
    m_sample->update();
}

void ColorPage::giveColor(int32_t colour) {
    colorField(m_copy, element()) = colour;
    showElement();
    markEdited();
}

void ColorPage::chooseCustom() {
    const int32_t chosen = klvGetColor(app::windowHandle(window()), colorField(m_copy, element()));
    giveColor(chosen);
}

} // namespace klv::app
