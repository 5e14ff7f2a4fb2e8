#include "app/settings/input_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace klv::app {

InputDialog::InputDialog(const QString& prompt, QWidget* parent)
    : QDialog(parent), m_prompt(new QLabel(prompt, this)), m_input(new QLineEdit(this)),
      m_ok(new QPushButton(QStringLiteral("OK"), this)),
      m_cancel(new QPushButton(QStringLiteral("&Cancel"), this)) {
    setObjectName(QStringLiteral("frmGetInput"));
    setWindowTitle(QStringLiteral("Enter Password"));
    m_input->setObjectName(QStringLiteral("txtInput"));
    m_input->setEchoMode(QLineEdit::Password);
    // "*" for every character, whatever the style's own mask character is.
    m_input->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    m_input->setMaxLength(kMaxLength);
    m_input->setMinimumWidth(200);
    m_prompt->setBuddy(m_input);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_ok, QDialogButtonBox::AcceptRole);
    buttons->addButton(m_cancel, QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_prompt);
    layout->addWidget(m_input);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_ok->setEnabled(false);
    m_ok->setDefault(false);
    connect(m_input, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_ok->setEnabled(!text.isEmpty());
        m_ok->setDefault(!text.isEmpty());
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &InputDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &InputDialog::reject);
}

void InputDialog::accept() {
    // Enter in the box reaches here even while OK is disabled.
    if (m_input->text().isEmpty())
        return;
    m_result = m_input->text();
    QDialog::accept();
}

void InputDialog::reject() {
    m_result.clear();
    QDialog::reject();
}

QString InputDialog::ask(QWidget* owner, const QString& prompt) {
    InputDialog dialog(prompt, owner);
    dialog.exec();
    return dialog.result();
}

} // namespace klv::app
