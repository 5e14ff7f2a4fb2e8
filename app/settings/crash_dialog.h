#pragma once
// frmCrash, "KLV Crash Protection": shown at start-up when the previous run did not end
// through its shut-down. Its check boxes set the start's no-open and no-plugins flags.
// [ui-thread]

#include <QDialog>

class QCheckBox;
class QPushButton;

namespace klv::app {

struct ProgramState;

class CrashDialog final : public QDialog {
    Q_OBJECT
public:
    explicit CrashDialog(ProgramState& state, QWidget* parent = nullptr);

    QCheckBox* noOpenBox() const { return m_noOpen; }
    QCheckBox* noPluginsBox() const { return m_noPlugins; }
    QPushButton* continueButton() const { return m_continue; }

private:
    QCheckBox* m_noOpen;
    QCheckBox* m_noPlugins;
    QPushButton* m_continue;
};

} // namespace klv::app
