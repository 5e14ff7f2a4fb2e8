#include "app/settings/trigger_dialog.h"

#include "app/shell/message_route.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace klv::app {

namespace {

// The number a text starts with, read the forgiving way a typed number is read: blanks
// anywhere are skipped, then an optional sign, digits, a decimal point and an exponent; what
// follows is ignored, and a text without a number is 0.
double numberIn(const QString& text) {
    QString compact;
    for (QChar c : text) {
        if (c != u' ' && c != u'\t' && c != u'\r' && c != u'\n')
            compact.append(c);
    }
    qsizetype end = 0;
    const qsizetype n = compact.size();
    auto digits = [&] {
        const qsizetype start = end;
        while (end < n && compact[end].isDigit() && compact[end].unicode() < 128)
            ++end;
        return end > start;
    };
    if (end < n && (compact[end] == u'+' || compact[end] == u'-'))
        ++end;
    bool any = digits();
    if (end < n && compact[end] == u'.') {
        ++end;
        any = digits() || any;
    }
    if (!any)
        return 0.0;
    if (end < n && (compact[end] == u'e' || compact[end] == u'E')) {
        qsizetype mark = end++;
        if (end < n && (compact[end] == u'+' || compact[end] == u'-'))
            ++end;
        if (!digits())
            end = mark;
    }
    bool ok = false;
    const double value = compact.left(end).toDouble(&ok);
    return ok ? value : 0.0;
}

// The integer part, held within 32 bits.
int64_t wholePart(double value) {
    if (std::isnan(value))
        return 0;
    constexpr double kLimit = std::numeric_limits<int32_t>::max();
    return static_cast<int64_t>(std::trunc(std::clamp(value, -kLimit, kLimit)));
}

} // namespace

std::optional<int32_t> parseTriggerTime(const QString& text) {
    if (!text.contains(u':'))
        return static_cast<int32_t>(wholePart(numberIn(text)));
    const QStringList parts = text.split(u':');
    if (parts.size() != 2 || parts[0].size() > 2 || parts[1].size() > 3)
        return std::nullopt;
    // At most 2 and 3 characters: the sum stays far inside 32 bits.
    const int64_t minutes = std::llabs(wholePart(numberIn(parts[0])));
    const int64_t seconds = std::llabs(wholePart(numberIn(parts[1])));
    return static_cast<int32_t>(minutes * 60 + seconds);
}

const char* const TriggerDialog::kFormatMessage =
    "The time format is invalid. Please enter a number of seconds, or a time value of MM:SS, "
    "where MM is in minutes and SS is in seconds.";

TriggerDialog::TriggerDialog(QWidget* parent)
    : QDialog(parent), m_time(new QLineEdit(this)),
      m_ok(new QPushButton(QStringLiteral("OK"), this)) {
    setObjectName(QStringLiteral("frmTrigger"));
    setWindowTitle(QStringLiteral("Custom Trigger"));
    m_time->setObjectName(QStringLiteral("txtTime"));
    auto* label = new QLabel(QStringLiteral("Trigger Time:"), this);
    label->setBuddy(m_time);
    m_ok->setDefault(true);
    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0);
    layout->addWidget(m_time, 0, 1);
    layout->addWidget(m_ok, 0, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(m_time, &QLineEdit::textChanged, this, &TriggerDialog::reread);
    connect(m_ok, &QPushButton::clicked, this, &TriggerDialog::accept);
}

void TriggerDialog::showEvent(QShowEvent* event) {
    cancelled = false;
    const int32_t shown = TTime;
    m_time->setText(
        QStringLiteral("%1:%2").arg(shown / 60).arg(std::abs(shown % 60), 2, 10, QChar(u'0')));
    m_time->selectAll();
    m_time->setFocus();
    QDialog::showEvent(event);
}

void TriggerDialog::reread(const QString& text) {
    const std::optional<int32_t> seconds = parseTriggerTime(text);
    m_formatError = !seconds;
    if (seconds)
        TTime = *seconds;
}

void TriggerDialog::accept() {
    if (m_formatError) {
        routeMessage(QString::fromLatin1(kFormatMessage), 0, 0);
        return;
    }
    cancelled = false;
    QDialog::accept();
}

void TriggerDialog::reject() {
    cancelled = true;
    QDialog::reject();
}

} // namespace klv::app
