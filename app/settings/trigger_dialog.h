#pragma once
// frmTrigger, "Custom Trigger": asks for the time before the end of a song at which a line
// starts the next one, as seconds ("90") or minutes and seconds ("3:07"). The caller sets
// TTime, runs the dialog modally and reads TTime and cancelled. [ui-thread]

#include <QDialog>

#include <cstdint>
#include <optional>

class QLineEdit;
class QPushButton;

namespace klv::app {

// The seconds a trigger text stands for, or nothing when its shape is wrong. Without ":" the
// integer part of the text's number; with ":" exactly two parts, minutes of at most 2 and
// seconds of at most 3 characters, giving |minutes| x 60 + |seconds|.
std::optional<int32_t> parseTriggerTime(const QString& text);

class TriggerDialog final : public QDialog {
    Q_OBJECT
public:
    static const char* const kFormatMessage;

    explicit TriggerDialog(QWidget* parent = nullptr);

    int32_t TTime = 0;      // the trigger time in seconds
    bool cancelled = false; // left with Escape (or the title bar's close)

    bool formatError() const { return m_formatError; }
    QLineEdit* timeEdit() const { return m_time; }
    QPushButton* okButton() const { return m_ok; }

public slots:
    void accept() override; // OK
    void reject() override; // Escape

protected:
    void showEvent(QShowEvent* event) override;

private:
    void reread(const QString& text);

    QLineEdit* m_time;
    QPushButton* m_ok;
    bool m_formatError = false;
};

} // namespace klv::app
