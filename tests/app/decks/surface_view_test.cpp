// The widget that shows an engine-drawn picture: its surface follows the widget's size and
// life, and pixels the engine draws reach the screen on the widget's timer.

#include "app/decks/surface_view.h"

#include "klv3.h"
#include "platform/ui/surface.h"

#include <QEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace klv::app {
namespace {

constexpr int32_t kBack = 0x00102030;

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

TEST(SurfaceView, SurfaceFollowsTheWidgetsSizeAndLife) {
    auto view = std::make_unique<SurfaceView>(nullptr, kBack);
    view->setPictureSize(QSize(86, 34));
    const KlvDC dc = view->dc();
    ASSERT_NE(dc, 0);
    {
        platform::SurfaceLock lock(dc);
        ASSERT_TRUE(lock);
        EXPECT_EQ(lock.width(), 86);
        EXPECT_EQ(lock.height(), 34);
        EXPECT_EQ(lock.pixels()[0], platform::pixelFromColorRef(kBack));
    }
    view->setFillColor(0x000000FF);
    view->setMinimumSize(0, 0);
    view->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    view->show();
    view->resize(100, 40); // a shown widget follows a plain resize
    const QImage grown = view->snapshot();
    EXPECT_EQ(grown.size(), QSize(100, 40));
    EXPECT_EQ(grown.pixel(0, 0), QColor(0x30, 0x20, 0x10).rgb()); // kept
    EXPECT_EQ(grown.pixel(99, 39), QColor(Qt::red).rgb());        // added in the new fill
    view.reset();
    EXPECT_FALSE(platform::SurfaceLock(dc));
}

TEST(SurfaceView, EngineDrawingIsShownOnTheTimer) {
    OptionsRecord options{};
    options.LCDLitColor = 0x0000FF00;
    options.LCDDimColor = 0x00004000;
    ASSERT_EQ(klvSaveOptions(&options), 0); // the engine draws with its copy of these

    SurfaceView view(nullptr, kBack);
    view.setPictureSize(QSize(44, 14));
    PaintCounter paints;
    view.installEventFilter(&paints);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QTest::qWait(3 * SurfaceView::kRefreshMs);
    const int idlePaints = paints.count;
    QTest::qWait(5 * SurfaceView::kRefreshMs);
    EXPECT_EQ(paints.count, idlePaints); // nothing new: no repaint

    ASSERT_EQ(klvDrawClock(view.dc(), 12, 34), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return paints.count > idlePaints; }));
    const QImage shown = view.grab().toImage();
    EXPECT_EQ(shown.pixel(21, 4), QColor(0, 0xFF, 0).rgb()); // the clock's colon, lit
    EXPECT_EQ(shown.pixel(0, 0), QColor(0x30, 0x20, 0x10).rgb());
}

TEST(SurfaceView, FillPaintsTheWholePicture) {
    SurfaceView view(nullptr, kBack);
    view.setPictureSize(QSize(20, 10));
    view.fill(0x00FF0000);
    const QImage image = view.snapshot();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(image.pixel(x, y), QColor(Qt::blue).rgb());
}

} // namespace
} // namespace klv::app
