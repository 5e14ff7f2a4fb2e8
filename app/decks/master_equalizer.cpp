// The master section's ten-band equalizer: knob moves to the engine, and the menu with the
// named presets.

#include "app/decks/master_eq_presets.h"
#include "app/decks/master_layout.h"
#include "app/decks/master_section.h"
#include "app/shell/desk.h"
#include "app/shell/help_about.h"
#include "app/shell/qt_window_system.h"

#include "klv3.h"

#include <QInputDialog>
#include <QMenu>

#include <algorithm>

namespace klv::app {

namespace ml = masterlayout;

namespace {

QString presetCaption(int n, const QString& name) {
    QString escaped = name;
    escaped.replace(QLatin1Char('&'), QLatin1String("&&"));
    const QString caption = QString::number(n) + QStringLiteral(": ") + escaped;
    return n <= 9 ? QStringLiteral("&") + caption : caption;
}

bool askYesNo(QWidget* owner, const QString& text, const QString& caption) {
    return platform::windowSystem().messageBox(
               app::windowHandle(owner), text.toStdString(), caption.toStdString(),
               platform::kMbYesNo | platform::kMbIconQuestion) == platform::kIdYes;
}

} // namespace

void MasterSection::setBand(int band, int top) {
    if (band < 0 || band >= kBands)
        return;
    const int clamped = std::clamp(top, ml::kBandTopMin, ml::kBandTopMax);
    m_bandTop[static_cast<size_t>(band)] = clamped;
    // Three knob pixels make one level unit: the knob spans -12..+12.
    klvSetEQ(band, static_cast<float>(ml::kBandFlat - clamped) / 3.0f);
    update();
}

void MasterSection::openEqualizerMenu(const QPoint& globalPosition) {
    delete m_menu;
    m_menu = new QMenu(this);
    QMenu* menu = m_menu;

    QAction* save = menu->addAction(QStringLiteral("&Save Current Settings..."));
    QMenu* load = menu->addMenu(QStringLiteral("&Load Saved Settings"));
    QMenu* remove = menu->addMenu(QStringLiteral("&Delete Saved Settings"));
    menu->addSeparator();
    QAction* flat = menu->addAction(QStringLiteral("Reset to Flat"));
    menu->addSeparator();
    QAction* about = menu->addAction(QStringLiteral("About KLV3..."));

    const int count = eqpresets::count();
    for (int n = 1; n <= count; ++n) {
        const QString caption = presetCaption(n, eqpresets::name(n));
        load->addAction(caption)->setData(n);
        remove->addAction(caption)->setData(n);
    }
    load->setEnabled(count > 0);
    remove->setEnabled(count > 0);

    connect(save, &QAction::triggered, this, [this] {
        QString proposal = QStringLiteral("My Saved EQ");
        for (;;) {
            bool ok = false;
            const QString name = QInputDialog::getText(this, QStringLiteral("Save EQ Settings"),
                                                       QStringLiteral("Preset Name"),
                                                       QLineEdit::Normal, proposal, &ok);
            if (!ok || name.isEmpty())
                return;
            eqpresets::Bands values{};
            for (int b = 0; b < kBands; ++b)
                values[static_cast<size_t>(b)] = ml::kBandFlat - m_bandTop[static_cast<size_t>(b)];
            if (const int found = eqpresets::find(name); found > 0) {
                if (!askYesNo(this, QStringLiteral("Overwrite existing preset?"),
                              QStringLiteral("Confirm Overwrite"))) {
                    proposal = name;
                    continue;
                }
                eqpresets::write(found, name, values);
            } else {
                eqpresets::append(name, values);
            }
            return;
        }
    });
    connect(load, &QMenu::triggered, this, [this](QAction* action) {
        const eqpresets::Bands values = eqpresets::bands(action->data().toInt());
        for (int b = 0; b < kBands; ++b)
            setBand(b, ml::kBandFlat - values[static_cast<size_t>(b)]);
    });
    connect(remove, &QMenu::triggered, this, [this](QAction* action) {
        const int n = action->data().toInt();
        const QString text = QStringLiteral("Delete Setting ") + eqpresets::name(n) + "?";
        if (askYesNo(this, text, QStringLiteral("Confirm Delete")))
            eqpresets::remove(n);
    });
    connect(flat, &QAction::triggered, this, [this] {
        for (int b = 0; b < kBands; ++b)
            setBand(b, ml::kBandFlat);
    });
    connect(about, &QAction::triggered, this, [] { showAbout(); });

    menu->popup(globalPosition);
}

} // namespace klv::app
