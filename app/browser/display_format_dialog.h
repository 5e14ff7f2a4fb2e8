#pragma once
// "File Display Options": edits the six format texts that say what a line's three label rows
// show, three for a file with an ID3 tag and three for one without. The dialog only edits
// texts; the line's menu stores them in the live options and saves them at once, the options
// dialog keeps them in its working copy. [ui-thread]

#include "app/browser/display_format.h"
#include "klv3.h"

#include <QDialog>
#include <QString>

#include <array>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace klv::app {

class Desk;

// The six texts: ID3Format 0..2 (a file with a tag), then NoID3Format 0..2.
using FormatTexts = std::array<QString, 2 * kLabelRows>;

// The texts of the options, each cut at a zero byte or trimmed.
FormatTexts formatTextsOf(const OptionsRecord& options);
// Writes the texts into the record, each space padded to its 20 bytes (a longer text is cut at
// a character boundary, never inside one).
void storeFormatTexts(OptionsRecord& options, const FormatTexts& texts);

class DisplayFormatDialog final : public QDialog {
    Q_OBJECT
public:
    // The token table shown read-only beside the boxes, lines ending in CR LF.
    static const QString& specsText();

    // The boxes start with texts.
    explicit DisplayFormatDialog(const FormatTexts& texts, QWidget* parent = nullptr);

    // The six boxes' texts (what OK hands back).
    FormatTexts texts() const;
    // Set by OK only.
    bool okPressed() const { return m_ok; }

    QLineEdit* id3Edit(int row) const { return m_id3[static_cast<size_t>(row)]; }
    QLineEdit* formatEdit(int row) const { return m_noId3[static_cast<size_t>(row)]; }
    QPlainTextEdit* specsBox() const { return m_specs; }
    QPushButton* okButton() const { return m_okButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }

public slots:
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::array<QLineEdit*, kLabelRows> m_id3{};
    std::array<QLineEdit*, kLabelRows> m_noId3{};
    QPlainTextEdit* m_specs = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    bool m_ok = false;
};

// Shows the dialog modally over owner on the formats of options; OK writes them back into
// options and returns true, Cancel leaves options alone and returns false.
bool editDisplayFormats(QWidget* owner, OptionsRecord& options);

// The line menu's "Filename Display Options...": edits the program's live options; after OK
// they are saved at once (a failed save is reported to the user) and the lines are laid out
// again with desk.updateDesk(1). True after OK.
bool editLineDisplayFormats(Desk& desk);

} // namespace klv::app
