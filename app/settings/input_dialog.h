#pragma once
// frmGetInput: asks for a password. The typed characters show as "*", at most 20 of them; OK
// is the default button and enabled only while something is typed. [ui-thread]

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace klv::app {

class InputDialog final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxLength = 20;

    explicit InputDialog(const QString& prompt, QWidget* parent = nullptr);

    // The typed text after OK; empty after Cancel.
    QString result() const { return m_result; }

    QLineEdit* inputEdit() const { return m_input; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

    // Shows the dialog modally, owned by owner, and returns the typed text or an empty text
    // when it was cancelled.
    static QString ask(QWidget* owner, const QString& prompt);

public slots:
    void accept() override;
    void reject() override;

private:
    QLabel* m_prompt;
    QLineEdit* m_input;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QString m_result;
};

} // namespace klv::app
