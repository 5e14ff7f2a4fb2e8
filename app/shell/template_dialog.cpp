#include "app/shell/template_dialog.h"

#include "app/shell/qt_window_system.h"

#include <QAbstractSlider>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <algorithm>
#include <cmath>

namespace klv::app {

namespace {

constexpr int32_t kDefaultPointSize = 8;
// The scroll code of the slider action under way, kept on the slider.
constexpr const char* kScrollCode = "klvScrollCode";

int scaled(int value, int base, int divisor) {
    return static_cast<int>(std::lround(static_cast<double>(value) * base / divisor));
}

intptr_t hscrollParam(int32_t code, int32_t position) {
    return static_cast<intptr_t>((static_cast<uint32_t>(position) & 0xFFFF) << 16 |
                                 (static_cast<uint32_t>(code) & 0xFFFF));
}

int32_t scrollCodeOf(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        return KLV_TB_LINEDOWN;
    case QAbstractSlider::SliderSingleStepSub:
        return KLV_TB_LINEUP;
    case QAbstractSlider::SliderPageStepAdd:
        return KLV_TB_PAGEDOWN;
    case QAbstractSlider::SliderPageStepSub:
        return KLV_TB_PAGEUP;
    case QAbstractSlider::SliderToMinimum:
        return KLV_TB_TOP;
    case QAbstractSlider::SliderToMaximum:
        return KLV_TB_BOTTOM;
    default:
        return KLV_TB_THUMBTRACK;
    }
}

QString textOf(const char* text) {
    return text ? QString::fromUtf8(text) : QString();
}

} // namespace

QSize dialogBaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // Average over 52 letters, rounded half up.
    return QSize((letters / 26 + 1) / 2, metrics.height());
}

QRect dialogUnitsToPixels(const QRect& units, const QSize& baseUnits) {
    return QRect(scaled(units.x(), baseUnits.width(), 4), scaled(units.y(), baseUnits.height(), 8),
                 scaled(units.width(), baseUnits.width(), 4),
                 scaled(units.height(), baseUnits.height(), 8));
}

TemplateDialog::TemplateDialog(QWidget* owner, const KlvDialogTemplate& dialogTemplate,
                               KlvDialogProc proc, void* userData)
    : QDialog(owner), m_proc(proc), m_userData(userData) {
    setModal(false);
    setWindowTitle(textOf(dialogTemplate.title));
    QFont font(dialogTemplate.fontName && *dialogTemplate.fontName
                   ? QString::fromUtf8(dialogTemplate.fontName)
                   : QFont().family(),
               dialogTemplate.fontPointSize > 0 ? dialogTemplate.fontPointSize : kDefaultPointSize);
    setFont(font);
    m_baseUnits = dialogBaseUnits(font);
    // Frames first, so that they lie below the controls drawn inside them.
    for (int32_t i = 0; i < dialogTemplate.controlCount; ++i) {
        if (dialogTemplate.controls[i].kind == KLV_CONTROL_GROUP_BOX)
            addControl(dialogTemplate.controls[i]);
    }
    for (int32_t i = 0; i < dialogTemplate.controlCount; ++i) {
        if (dialogTemplate.controls[i].kind != KLV_CONTROL_GROUP_BOX)
            addControl(dialogTemplate.controls[i]);
    }
    setFixedSize(
        dialogUnitsToPixels(QRect(0, 0, dialogTemplate.cx, dialogTemplate.cy), m_baseUnits).size());
}

TemplateDialog::~TemplateDialog() {
    // The owner window went first (or the host deleted the dialog): the procedure still
    // hears the end of its window.
    if (!m_destroyed) {
        m_destroyed = true;
        unregisterWindow(this);
        notify(KLV_DLG_DESTROY, 0, 0);
    }
}

void TemplateDialog::addControl(const KlvDialogControl& c) {
    const QRect geometry = dialogUnitsToPixels(QRect(c.x, c.y, c.cx, c.cy), m_baseUnits);
    const int32_t id = c.id;
    QWidget* widget = nullptr;
    switch (c.kind) {
    case KLV_CONTROL_PUSH_BUTTON:
    case KLV_CONTROL_DEFAULT_BUTTON: {
        auto* button = new QPushButton(textOf(c.text), this);
        button->setAutoDefault(false);
        button->setDefault(c.kind == KLV_CONTROL_DEFAULT_BUTTON);
        connect(button, &QPushButton::clicked, this,
                [this, id] { notify(KLV_DLG_COMMAND, (id & 0xFFFF) | (KLV_BN_CLICKED << 16), 0); });
        widget = button;
        break;
    }
    case KLV_CONTROL_CHECK_BOX: {
        auto* box = new QCheckBox(textOf(c.text), this);
        // clicked comes only from the user, after the box has changed its state.
        connect(box, &QCheckBox::clicked, this,
                [this, id] { notify(KLV_DLG_COMMAND, (id & 0xFFFF) | (KLV_BN_CLICKED << 16), 0); });
        widget = box;
        break;
    }
    case KLV_CONTROL_TRACKBAR: {
        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setTickPosition(QSlider::NoTicks);
        slider->setRange(0, 100);
        slider->setPageStep(5);
        // The action comes before the value changes; the notification carries the new value.
        connect(slider, &QSlider::actionTriggered, this,
                [slider](int action) { slider->setProperty(kScrollCode, scrollCodeOf(action)); });
        connect(slider, &QSlider::valueChanged, this, [this, id, slider](int value) {
            if (m_hostChange)
                return;
            const int32_t code =
                slider->isSliderDown() ? KLV_TB_THUMBTRACK : slider->property(kScrollCode).toInt();
            notify(KLV_DLG_HSCROLL, hscrollParam(code, value), id);
        });
        connect(slider, &QSlider::sliderReleased, this, [this, id, slider] {
            notify(KLV_DLG_HSCROLL, hscrollParam(KLV_TB_THUMBPOSITION, slider->value()), id);
            notify(KLV_DLG_HSCROLL, hscrollParam(KLV_TB_ENDTRACK, 0), id);
        });
        widget = slider;
        break;
    }
    case KLV_CONTROL_LABEL:
    case KLV_CONTROL_LABEL_RIGHT: {
        auto* label = new QLabel(textOf(c.text), this);
        label->setAlignment((c.kind == KLV_CONTROL_LABEL_RIGHT ? Qt::AlignRight : Qt::AlignLeft) |
                            Qt::AlignTop);
        label->setTextFormat(Qt::PlainText);
        // A right-aligned caption usually ends where its control begins: keep them apart.
        if (c.kind == KLV_CONTROL_LABEL_RIGHT)
            label->setIndent(3);
        widget = label;
        break;
    }
    case KLV_CONTROL_GROUP_BOX:
        widget = new QGroupBox(textOf(c.text), this);
        break;
    default:
        return; // a kind this host does not know is left out
    }
    widget->setGeometry(geometry);
    if (id != KLV_CONTROL_NO_ID && !m_controls.count(id))
        m_controls[id] = widget;
}

void TemplateDialog::start() {
    notify(KLV_DLG_INIT, 0, reinterpret_cast<intptr_t>(m_userData));
    if (!m_destroyed)
        show();
}

void TemplateDialog::destroy() {
    if (m_destroyed)
        return;
    m_destroyed = true;
    unregisterWindow(this); // the handle is invalid from now on
    notify(KLV_DLG_DESTROY, 0, 0);
    hide();
    // Later: the procedure may be destroying its dialog from one of the dialog's own signals.
    deleteLater();
}

intptr_t TemplateDialog::notify(uint32_t msg, intptr_t wParam, intptr_t lParam) {
    if (!m_proc)
        return 0;
    if (m_destroyed && msg != KLV_DLG_DESTROY)
        return 0;
    return m_proc(klv::app::windowHandle(this), msg, wParam, lParam);
}

bool TemplateDialog::askToClose() {
    if (m_destroyed)
        return true;
    if (notify(KLV_DLG_CLOSE, 0, 0) != 0)
        return false;
    destroy();
    return true;
}

void TemplateDialog::reject() {
    askToClose();
}

void TemplateDialog::closeEvent(QCloseEvent* event) {
    if (askToClose())
        event->accept();
    else
        event->ignore();
}

QWidget* TemplateDialog::control(int32_t id) const {
    auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

bool TemplateDialog::setTrackbarRange(int32_t id, int32_t minimum, int32_t maximum) {
    auto* slider = qobject_cast<QSlider*>(control(id));
    if (!slider)
        return false;
    m_hostChange = true;
    slider->setRange(minimum, std::max(minimum, maximum));
    m_hostChange = false;
    return true;
}

bool TemplateDialog::setTrackbarPos(int32_t id, int32_t position) {
    auto* slider = qobject_cast<QSlider*>(control(id));
    if (!slider)
        return false;
    m_hostChange = true;
    slider->setValue(position); // QSlider keeps it within the range
    m_hostChange = false;
    return true;
}

int32_t TemplateDialog::trackbarPos(int32_t id) const {
    auto* slider = qobject_cast<QSlider*>(control(id));
    return slider ? slider->value() : 0;
}

bool TemplateDialog::setCheck(int32_t id, bool checked) {
    auto* box = qobject_cast<QCheckBox*>(control(id));
    if (!box)
        return false;
    box->setChecked(checked);
    return true;
}

bool TemplateDialog::isChecked(int32_t id) const {
    auto* box = qobject_cast<QCheckBox*>(control(id));
    return box && box->isChecked();
}

bool TemplateDialog::setItemText(int32_t id, const std::string& text) {
    QWidget* widget = control(id);
    const QString value = QString::fromStdString(text);
    if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(value);
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(value);
    else if (auto* frame = qobject_cast<QGroupBox*>(widget))
        frame->setTitle(value);
    else
        return false;
    return true;
}

bool TemplateDialog::itemText(int32_t id, std::string& text) const {
    QWidget* widget = control(id);
    if (auto* label = qobject_cast<QLabel*>(widget))
        text = label->text().toStdString();
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        text = button->text().toStdString();
    else if (auto* frame = qobject_cast<QGroupBox*>(widget))
        text = frame->title().toStdString();
    else if (widget)
        text.clear(); // a trackbar has no caption
    else
        return false;
    return true;
}

} // namespace klv::app
