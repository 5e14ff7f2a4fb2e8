#include "app/shell/splash_window.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include <cmath>

namespace klv::app {

namespace {

// The picture: the program's name over a row of level bars in the default display colours.
class SplashPicture final : public QWidget {
public:
    explicit SplashPicture(QWidget* parent) : QWidget(parent) { setFixedSize(120, 120); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(rect(), Qt::black);
        const QColor lit(0, 200, 255);
        const QColor dim(0, 36, 48);
        constexpr int kBars = 9;
        constexpr int kSegments = 10;
        const int barWidth = 9;
        const int gap = 3;
        const int left = (width() - kBars * barWidth - (kBars - 1) * gap) / 2;
        for (int b = 0; b < kBars; ++b) {
            // A fixed, pleasant-looking spectrum: high in the middle, lower at the edges.
            const double shape = std::sin((b + 1) * M_PI / (kBars + 1));
            const int level = static_cast<int>(std::lround(3 + 6 * shape * (0.8 + 0.2 * (b % 2))));
            for (int s = 0; s < kSegments; ++s) {
                const QRect seg(left + b * (barWidth + gap), 100 - s * 7, barWidth, 5);
                p.fillRect(seg, s < level ? lit : dim);
            }
        }
        QFont font = p.font();
        font.setBold(true);
        font.setPointSize(13);
        p.setFont(font);
        p.setPen(QColor(192, 192, 192));
        p.drawText(QRect(0, 4, width(), 24), Qt::AlignCenter, QStringLiteral("Kelvara"));
    }
};

} // namespace

SplashWindow::SplashWindow(QWidget* parent) : QWidget(parent, Qt::SplashScreen) {
    setObjectName(QStringLiteral("frmStartup"));
    setWindowTitle(QStringLiteral("KLV3 Status"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("#frmStartup { background: #202020; border: 1px solid #505050; }"
                                 "QLabel { color: #c0c0c0; }"));

    auto* picture = new SplashPicture(this);
    picture->setObjectName(QStringLiteral("pPicture"));

    m_title = new QLabel(QStringLiteral("KLV3 Status"), this);
    m_title->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setPointSize(titleFont.pointSize() + 2);
    m_title->setFont(titleFont);

    m_status = new QLabel(QStringLiteral("Initializing..."), this);
    m_status->setObjectName(QStringLiteral("lblStatus"));
    m_status->setMinimumWidth(200);

    auto* texts = new QVBoxLayout;
    texts->addStretch();
    texts->addWidget(m_title);
    texts->addSpacing(8);
    texts->addWidget(m_status);
    texts->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 12, 16, 12);
    layout->setSpacing(16);
    layout->addWidget(picture);
    layout->addLayout(texts, 1);
    setFixedSize(sizeHint().expandedTo(QSize(380, 144)));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void SplashWindow::showText(const QString& text) {
    m_status->setText(text + QStringLiteral("..."));
    if (!isVisible())
        show();
    repaint();
    QCoreApplication::processEvents();
}

QString SplashWindow::statusText() const {
    return m_status->text();
}

} // namespace klv::app
