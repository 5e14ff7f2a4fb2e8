#include "app/browser/display_format_dialog.h"

#include "app/shell/desk.h"
#include "app/shell/program_state.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cstring>

namespace klv::app {

namespace {

// Width of one format field in the options record.
constexpr int kFormatBytes = 20;

// The UTF-8 bytes of text, cut to at most width bytes without splitting a character, then
// space padded to width.
void putFixedText(char* field, const QString& text) {
    QByteArray bytes = text.toUtf8();
    if (bytes.size() > kFormatBytes) {
        qsizetype cut = kFormatBytes;
        // Continuation bytes look like 10xxxxxx; step back to the start of a character.
        while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80)
            --cut;
        bytes.truncate(cut);
    }
    std::memcpy(field, bytes.constData(), static_cast<size_t>(bytes.size()));
    std::memset(field + bytes.size(), ' ', static_cast<size_t>(kFormatBytes - bytes.size()));
}

QGroupBox* formatFrame(const QString& title, std::array<QLineEdit*, kLabelRows>& boxes,
                       const FormatTexts& texts, size_t first, QObject* filter) {
    static const char* const kCaptions[kLabelRows] = {"First Line:", "Second Line:", "Third Line:"};
    auto* frame = new QGroupBox(title);
    auto* grid = new QGridLayout(frame);
    for (int row = 0; row < kLabelRows; ++row) {
        auto* box = new QLineEdit(texts[first + static_cast<size_t>(row)]);
        box->setMaxLength(kFormatBytes);
        box->installEventFilter(filter);
        auto* caption = new QLabel(QString::fromLatin1(kCaptions[row]));
        caption->setBuddy(box);
        grid->addWidget(caption, row, 0);
        grid->addWidget(box, row, 1);
        boxes[static_cast<size_t>(row)] = box;
    }
    return frame;
}

} // namespace

FormatTexts formatTextsOf(const OptionsRecord& options) {
    FormatTexts texts;
    for (size_t row = 0; row < kLabelRows; ++row) {
        texts[row] = readFormatText(options.ID3Format[row], kFormatBytes);
        texts[kLabelRows + row] = readFormatText(options.NoID3Format[row], kFormatBytes);
    }
    return texts;
}

void storeFormatTexts(OptionsRecord& options, const FormatTexts& texts) {
    for (size_t row = 0; row < kLabelRows; ++row) {
        putFixedText(options.ID3Format[row], texts[row]);
        putFixedText(options.NoID3Format[row], texts[kLabelRows + row]);
    }
}

const QString& DisplayFormatDialog::specsText() {
    static const QString text = [] {
        static const char* const kLines[][2] = {
            {"%A", "Artist Name (ID3)"},      {"%T", "Track Title (ID3)"},
            {"%L", "Album Name (ID3)"},       {"%G", "Genre (ID3)"},
            {"%C", "Comment (ID3)"},          {"%Y", "Year (ID3)"},
            {"%N", "Track Number (ID3)"},     {"%F", "Filename (no path)"},
            {"%D1", "Parent Directory Name"}, {"%D2", "Next Directory Up"},
            {"%D3", "Three Directories Up"},  {"%D4", "Four Directories Up"},
        };
        QString specs;
        for (const auto& line : kLines)
            specs += QString::fromLatin1(line[0]) + '\t' + QString::fromLatin1(line[1]) +
                     QStringLiteral("\r\n");
        specs += QStringLiteral("\r\nAll other characters are taken literally.");
        return specs;
    }();
    return text;
}

DisplayFormatDialog::DisplayFormatDialog(const FormatTexts& texts, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("File Display Options"));

    auto* left = new QVBoxLayout;
    left->addWidget(
        formatFrame(QStringLiteral("When ID3 Information is Available:"), m_id3, texts, 0, this));
    left->addWidget(formatFrame(QStringLiteral("When NO ID3 Information is Available:"), m_noId3,
                                texts, kLabelRows, this));
    left->addStretch(1);

    m_specs = new QPlainTextEdit;
    m_specs->setReadOnly(true);
    m_specs->setLineWrapMode(QPlainTextEdit::NoWrap);
    // QPlainTextEdit shows a CR as a line break of its own; the lines are kept with one break.
    QString shown = specsText();
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_specs->setPlainText(shown);
    const QFontMetrics metrics(m_specs->font());
    m_specs->setTabStopDistance(metrics.horizontalAdvance(QStringLiteral("%D1  ")));
    m_specs->setMinimumWidth(
        metrics.horizontalAdvance(QStringLiteral("%D1  Parent Directory Name")) +
        metrics.horizontalAdvance(QStringLiteral("MMMM")));
    m_specs->setMinimumHeight(metrics.lineSpacing() * 15);
    auto* specsCaption = new QLabel(QStringLiteral("Format Specifications:"));
    specsCaption->setBuddy(m_specs);
    auto* right = new QVBoxLayout;
    right->addWidget(specsCaption);
    right->addWidget(m_specs, 1);

    auto* top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addLayout(right);

    auto* buttons = new QDialogButtonBox;
    m_okButton = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    m_cancelButton = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    m_okButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &DisplayFormatDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &DisplayFormatDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
}

FormatTexts DisplayFormatDialog::texts() const {
    FormatTexts texts;
    for (size_t row = 0; row < kLabelRows; ++row) {
        texts[row] = m_id3[row]->text();
        texts[kLabelRows + row] = m_noId3[row]->text();
    }
    return texts;
}

void DisplayFormatDialog::accept() {
    m_ok = true;
    QDialog::accept();
}

bool DisplayFormatDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (auto* box = qobject_cast<QLineEdit*>(watched)) {
            // A click that brings the focus would place the cursor after this handler and undo
            // the selection; selecting once the event has been handled keeps it.
            QTimer::singleShot(0, box, &QLineEdit::selectAll);
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool editDisplayFormats(QWidget* owner, OptionsRecord& options) {
    DisplayFormatDialog dialog(formatTextsOf(options), owner);
    dialog.exec();
    if (!dialog.okPressed())
        return false;
    storeFormatTexts(options, dialog.texts());
    return true;
}

bool editLineDisplayFormats(Desk& desk) {
    OptionsRecord& options = desk.state().options;
    if (!editDisplayFormats(desk.owner(), options))
        return false;
    if (klvSaveOptions(&options) != 0)
        desk.routeMessage(QStringLiteral("Can't save the display options"), 2, 0);
    desk.updateDesk(1);
    return true;
}

} // namespace klv::app
