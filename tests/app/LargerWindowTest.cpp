// The window beyond its classic size, with real events: more tracks, lines and rows as it grows,
// its size and "Follow play" kept in the settings, and note keys read by their place.
#include <QKeyEvent>

#include "AppFixture.h"

namespace tarvel::testing {
namespace {

class LargerWindowTest : public AppTest {
  public:
    EditorLayout Layout() { return Locked()->edit.layout; }
    void ResizeView(int width, int height) {
        // The frame grows by what the view needs; the view then tells the editor its size.
        frame().resize(frame().size() + QSize(width, height) - view().size());
        Settle();
    }
};

TEST_F(LargerWindowTest, TheViewShowsFourEightAndSixteenTracksAndTheRowsItsHeightHolds) {
    struct Case {
        int width, height, tracks, rows;
    };
    const Case cases[] = {{802, 324, 4, 25}, {1082, 504, 8, 40}, {1700, 900, 16, 73}};
    for (const Case& c : cases) {
        ResizeView(c.width, c.height);
        SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height);
        ASSERT_EQ(view().size(), QSize(c.width, c.height));
        EXPECT_EQ(Layout().visibleTracks, c.tracks);
        EXPECT_EQ(Layout().visibleRows, c.rows);
        // The last shown track's header is painted where the layout puts it.
        const QImage image = view().grab().toImage();
        const int lastHeaderX = 24 + 70 * (c.tracks - 1) + 35;
        EXPECT_EQ(image.pixelColor(lastHeaderX, 17), QColor(0x88, 0xBB, 0xAA));
        // The bar runs down past the last row.
        const int barX = 24 + 70 * c.tracks + 1;
        EXPECT_EQ(image.pixelColor(barX, 24 + 12 * c.rows - 1), QColor(0xB0, 0xB0, 0xB0));
    }
    ResizeView(500, 200);  // never below the classic size
    EXPECT_EQ(view().size(), QSize(802, 324));
}

TEST_F(LargerWindowTest, SizeAndFollowPlayComeBackAfterARestart) {
    EXPECT_FALSE(Locked()->edit.followPlay);  // off by default
    frame().resize(1300, 800);
    frame().Execute(cmd::kFollowPlay);
    EXPECT_TRUE(frame().close());
    Start();
    EXPECT_EQ(frame().size(), QSize(1300, 800));
    EXPECT_TRUE(Locked()->edit.followPlay);
    frame().UpdateCommandStates();
    EXPECT_TRUE(frame().action(cmd::kFollowPlay)->isChecked());
    QTest::keyClick(&view(), Qt::Key_ScrollLock);
    EXPECT_FALSE(Locked()->edit.followPlay);
}

TEST_F(LargerWindowTest, ANoteKeyIsReadByItsPlaceOnAGermanKeyboard) {
    TakeSent();
    // The key where a US keyboard has Y prints Z on a German one: A of octave 4 either way.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Z, Qt::NoModifier, 29, 0x7A, 0, "z");
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Z, Qt::NoModifier, 29, 0x7A, 0, "z");
    QApplication::sendEvent(&view(), &press);
    QApplication::sendEvent(&view(), &release);
    EXPECT_EQ(TakeSent(), (std::vector<std::string>{"90 45 64@0", "80 45 64@0"}));
}

}  // namespace
}  // namespace tarvel::testing
