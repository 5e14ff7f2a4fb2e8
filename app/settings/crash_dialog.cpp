#include "app/settings/crash_dialog.h"

#include "app/shell/program_state.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace klv::app {

CrashDialog::CrashDialog(ProgramState& state, QWidget* parent)
    : QDialog(parent),
      m_noOpen(new QCheckBox(QStringLiteral("Do not &open previously opened files"), this)),
      m_noPlugins(new QCheckBox(QStringLiteral("Disable All &Plugins"), this)),
      m_continue(new QPushButton(QStringLiteral("&Continue"), this)) {
    setObjectName(QStringLiteral("frmCrash"));
    setWindowTitle(QStringLiteral("KLV Crash Protection"));
    m_noOpen->setObjectName(QStringLiteral("chkNoOpen"));
    m_noPlugins->setObjectName(QStringLiteral("chkNoPlugins"));
    auto* note = new QLabel(
        QStringLiteral("KLV was not properly shut down. The following options might help:"), this);
    note->setWordWrap(true);
    m_noOpen->setChecked(state.noOpen);
    m_noPlugins->setChecked(state.noPlugins);
    m_continue->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_continue);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addSpacing(4);
    layout->addWidget(m_noOpen);
    layout->addWidget(m_noPlugins);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    setFixedWidth(340);

    // A click sets the flag from the box; the start reads the flags when the dialog is done.
    connect(m_noOpen, &QCheckBox::clicked, this,
            [&state](bool checked) { state.noOpen = checked; });
    connect(m_noPlugins, &QCheckBox::clicked, this,
            [&state](bool checked) { state.noPlugins = checked; });
    connect(m_continue, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace klv::app
