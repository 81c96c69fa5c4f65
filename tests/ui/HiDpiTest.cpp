// The controls and the settings window on a screen scaled 200 %: a laptop's
// 1366 x 768 pixels, 683 x 384 at that scale. The scale and the screen are
// fixed before the application starts, so these tests have their own main.
#include "UiTestSupport.h"

#include "controls/FormViewport.h"
#include "controls/QKCloseButton.h"
#include "controls/QKEditButton.h"
#include "controls/QKGrayFrame.h"
#include "controls/QKPicture.h"
#include "controls/QKTab.h"
#include "controls/Skins.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>

namespace {

constexpr int kScale = 2;
const QSize kScreenPixels(1366, 768);

// A skinned button drawn on the scaled screen carries its artwork drawn for
// twice the pixels, not the 96-dpi bitmap enlarged.
TEST(HiDpi, SkinnedButtonsAreDrawnForTheScreensPixelRatio)
{
    QWidget host;
    host.resize(100, 60);
    auto* button = new QKEditButton(&host);
    button->move(10, 10);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));

    const QPixmap artwork = Skins::ForRatio(Skins::EditButton(), kScale);
    EXPECT_EQ(artwork.devicePixelRatio(), kScale);
    EXPECT_EQ(artwork.deviceIndependentSize(), QSizeF(Skins::EditButton().size()));
    // The layout still counts the button, and any picture made for the
    // screen, in 96-dpi pixels.
    EXPECT_EQ(button->size(), QSize(27, 18));
    QKPicture piece(QStringLiteral("piece"), &host);
    piece.SetPicture(artwork);
    EXPECT_EQ(piece.size(), Skins::EditButton().size());

    const QImage scaled = button->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(scaled.size(), button->size() * kScale);
    QImage plain(button->size(), QImage::Format_ARGB32);
    plain.fill(Qt::transparent);
    button->render(&plain);
    const QImage enlarged = plain.scaled(scaled.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    int differing = 0;
    for (int y = 0; y < scaled.height(); ++y)
        for (int x = 0; x < scaled.width(); ++x)
            differing += scaled.pixel(x, y) != enlarged.pixel(x, y);
    // Edges, the pencil's lines and its tip are drawn on the finer grid.
    EXPECT_GT(differing, scaled.width() * scaled.height() / 20);
}

// The settings window is 352 x 478 pixels: on this screen it opens inside
// the free area, as high as the area, and everything on it can be reached.
TEST_F(SettingsWindow, FitsASmallScaledScreenAndScrollsToAllItsContent)
{
    FormSetting* window = Open(2);
    ASSERT_NE(window, nullptr);
    const QRect area = window->screen()->availableGeometry();
    ASSERT_EQ(area.size(), kScreenPixels / kScale);
    EXPECT_TRUE(area.contains(window->frameGeometry()));
    EXPECT_EQ(window->height(), area.height());

    // The controls keep their places on the content.
    auto* viewport = window->findChild<FormViewport*>();
    ASSERT_NE(viewport, nullptr);
    EXPECT_EQ(Twips::Geometry(viewport->Surface()).size(), QSizeF(5280, 7170));
    EXPECT_EQ(Twips::Geometry(window->frameOptions), QRectF(330, 705, 4605, 6090));

    const auto shows = [window](QWidget* widget) {
        const QRect at(widget->mapTo(window, QPoint(0, 0)), widget->size());
        return window->rect().contains(at);
    };
    EXPECT_FALSE(shows(window->frameOptions));
    // The scroll bar reaches the bottom of the content...
    viewport->verticalScrollBar()->setValue(viewport->verticalScrollBar()->maximum());
    Pump();
    EXPECT_EQ(viewport->Surface()->mapTo(window, QPoint(0, viewport->Surface()->height())).y(),
              viewport->viewport()->height());
    // ...and the keyboard brings what it moves to into view.
    window->cmbCreateHotKey->setFocus(Qt::TabFocusReason);
    Pump();
    EXPECT_TRUE(shows(window->cmbCreateHotKey));
    window->btnClose->setFocus(Qt::TabFocusReason);
    Pump();
    EXPECT_TRUE(shows(window->btnClose));
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir dir;
    const QString config = dir.filePath("screens.json");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write(QStringLiteral(R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": %1, "height": %2,
                                               "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                   .arg(kScreenPixels.width())
                   .arg(kScreenPixels.height())
                   .toUtf8());
    file.close();
    // Named relative to the working folder: a drive letter's colon would end
    // the platform's argument on Windows.
    const QString working = QDir::currentPath();
    QDir::setCurrent(dir.path());
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=screens.json");
    qputenv("QT_SCALE_FACTOR", QByteArray::number(kScale));
    QApplication app(argc, argv);
    QDir::setCurrent(working);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
