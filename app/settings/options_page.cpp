#include "app/settings/options_page.h"

#include "app/settings/options_values.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

namespace klv::app {

namespace {

// Selects the whole text after the focus arrived: a mouse click would otherwise place the
// cursor and undo the selection made on the focus event itself.
class SelectAllOnFocus final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn) {
            if (auto* edit = qobject_cast<QLineEdit*>(watched)) {
                edit->selectAll();
                QTimer::singleShot(0, edit, [edit] { edit->selectAll(); });
            }
        }
        return false;
    }
};

void collectControls(const QLayout* layout, QList<QWidget*>& controls) {
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (QWidget* widget = item->widget()) {
            if (widget->focusPolicy() & Qt::TabFocus)
                controls << widget;
            if (widget->layout())
                collectControls(widget->layout(), controls);
        } else if (const QLayout* inner = item->layout()) {
            collectControls(inner, controls);
        }
    }
}

} // namespace

QList<QWidget*> OptionsPage::controlsInLayoutOrder() const {
    QList<QWidget*> controls;
    if (layout())
        collectControls(layout(), controls);
    return controls;
}

void selectAllOnFocus(QLineEdit* edit) {
    edit->installEventFilter(new SelectAllOnFocus(edit));
}

OptionsPage::OptionsPage(OptionsRecord& copy, QWidget* parent) : QWidget(parent), m_copy(copy) {}

void OptionsPage::load() {
    m_loading = true;
    for (const auto& loader : m_loaders)
        loader();
    m_loading = false;
    refresh();
}

void OptionsPage::refresh() {
    for (const auto& rule : m_refresh)
        rule();
}

void OptionsPage::markEdited() {
    if (m_loading)
        return;
    refresh();
    emit edited();
}

QCheckBox* OptionsPage::flagBox(const QString& caption, Flag field, const char* name) {
    auto* box = new QCheckBox(caption, this);
    box->setObjectName(QString::fromLatin1(name));
    onLoad([this, box, field] { box->setChecked(m_copy.*field != 0); });
    connect(box, &QCheckBox::toggled, this, [this, field](bool on) {
        if (loading())
            return;
        m_copy.*field = on ? 1 : 0;
        markEdited();
    });
    return box;
}

QComboBox* OptionsPage::listBox(const QStringList& entries, Flag field, const char* name,
                                int offset) {
    auto* list = new QComboBox(this);
    list->setObjectName(QString::fromLatin1(name));
    list->addItems(entries);
    onLoad([this, list, field, offset] {
        list->setCurrentIndex(entryForValue(m_copy.*field - offset, list->count()));
    });
    connect(list, &QComboBox::currentIndexChanged, this, [this, field, offset](int index) {
        if (loading() || index < 0)
            return;
        m_copy.*field = index + offset;
        markEdited();
    });
    return list;
}

std::vector<QRadioButton*> OptionsPage::optionButtons(const QStringList& captions, Flag field,
                                                      const char* name) {
    auto* group = new QButtonGroup(this);
    std::vector<QRadioButton*> buttons;
    for (int i = 0; i < captions.size(); ++i) {
        auto* button = new QRadioButton(captions[i], this);
        button->setObjectName(QStringLiteral("%1%2").arg(QString::fromLatin1(name)).arg(i));
        group->addButton(button, i);
        buttons.push_back(button);
    }
    onLoad([this, group, field] {
        if (auto* button = group->button(
                entryForValue(m_copy.*field, static_cast<int>(group->buttons().size()))))
            button->setChecked(true);
    });
    connect(group, &QButtonGroup::idToggled, this, [this, field](int id, bool on) {
        if (loading() || !on)
            return;
        m_copy.*field = id;
        markEdited();
    });
    return buttons;
}

QLineEdit* OptionsPage::textBoxFor(std::function<char*()> field, size_t width, const char* name,
                                   int maxLength) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaxLength(maxLength);
    selectAllOnFocus(edit);
    onLoad([edit, field, width] { edit->setText(optionText(field(), width)); });
    connect(edit, &QLineEdit::textChanged, this, [this, field, width](const QString& text) {
        if (loading())
            return;
        setOptionText(field(), width, text);
        markEdited();
    });
    return edit;
}

} // namespace klv::app
