// The GUI helpers: the error display and its full-stop rule, the message
// boxes, colours, the panel, fonts, text conversion and memo lines.

#include "gui_test_env.h"

#include "platform/exception.h"
#include "platform/guard.h"
#include "platform/qt/colors.h"
#include "platform/qt/fonts.h"
#include "platform/qt/gui_text.h"
#include "platform/qt/guarded_slot.h"
#include "platform/qt/label.h"
#include "platform/qt/memo.h"
#include "platform/qt/message_boxes.h"
#include "platform/qt/panel.h"
#include "platform/sjis.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <stdexcept>

using namespace Qt::Literals::StringLiterals;

// --- the error display ------------------------------------------------------

TEST(ErrorDisplayText, AppendsAFullStopOnlyAfterBytesThatSortAfterIt)
{
    struct Case {
        std::string message;
        std::string shown;
    };
    const Case cases[] = {
        {"", ""},
        {"Authentication failed", "Authentication failed."},
        {"Not Connected.", "Not Connected."},          // '.' itself
        {"-ERR no such message\r\n", "-ERR no such message\r\n"},
        {"a-", "a-"},                                  // 0x2D
        {"a,", "a,"},                                  // 0x2C
        {"a/", "a/."},                                 // 0x2F
        {"10054:Connection reset by peer", "10054:Connection reset by peer."},
        {"'abc' is not a valid integer value", "'abc' is not a valid integer value."},
        {"\x82\xa0", "\x82\xa0."},                     // high bytes count unsigned
    };
    for (const Case& c : cases)
        EXPECT_EQ(ErrorDisplayText(c.message), c.shown) << c.message;
}

TEST(ErrorDisplay, AnExceptionLeavingAHandlerShowsTheCriticalBoxAndTheLoopGoesOn)
{
    BoxRecorder boxes;
    QPushButton button;
    QObject::connect(&button, &QPushButton::clicked,
                     Guarded([] { throw Exception("Connection Failed"); }));
    bool laterRan = false;
    QObject::connect(&button, &QPushButton::clicked, [&] { laterRan = true; });

    button.click();

    ASSERT_EQ(boxes.Boxes().size(), 1u);
    const SeenBox& box = boxes.Boxes().front();
    EXPECT_EQ(box.text, u"Connection Failed."_s);
    EXPECT_EQ(box.title, ApplicationTitle());
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_TRUE(laterRan);
}

TEST(ErrorDisplay, ShowsShiftJisMessagesAndForeignExceptionsAsPlainText)
{
    BoxRecorder boxes;
    RunGuarded([] { throw Exception(Utf8ToSjis("受信エラー")); });
    RunGuarded([] { throw std::runtime_error("<b>bold</b>"); });

    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.Boxes()[0].text, u"受信エラー."_s);
    EXPECT_EQ(boxes.Boxes()[1].text, u"<b>bold</b>."_s);
}

TEST(ErrorDisplay, TitleIsTheProgramFileNameWithoutExtension)
{
    EXPECT_EQ(ApplicationTitle(), u"test_app"_s);
}

// --- colours and the panel --------------------------------------------------

TEST(Colors, DesignerValuesAreBlueGreenRedFromTheHighByteDown)
{
    EXPECT_EQ(clLime, 65280);
    EXPECT_EQ(clGray, 8421504);
    EXPECT_EQ(clSilver, 12632256);
    struct Case {
        TColor value;
        QColor colour;
    };
    const Case cases[] = {{clLime, QColor(0, 255, 0)},
                          {clGray, QColor(128, 128, 128)},
                          {clSilver, QColor(192, 192, 192)},
                          {0x000000FF, QColor(255, 0, 0)},
                          {0x00FF0000, QColor(0, 0, 255)},
                          {clBtnFace, QApplication::palette().color(QPalette::Button)}};
    for (const Case& c : cases)
        EXPECT_EQ(ToQColor(c.value), c.colour) << c.value;
}

TEST(Panel, PaintsItsColourAndKeepsTheValueExactly)
{
    TPanel panel;
    panel.resize(97, 57);
    for (const TColor colour : {clLime, clGray, TColor{0x0000FF01}}) {
        panel.SetColor(colour);
        EXPECT_EQ(panel.Color(), colour);
        const QImage image = panel.grab().toImage();
        EXPECT_EQ(QColor(image.pixel(10, 10)), ToQColor(colour)) << colour;
    }
}

// --- fonts ------------------------------------------------------------------

TEST(Fonts, JapaneseCaptionsHaveGlyphsAtTheDesignedPixelSizes)
{
    struct Case {
        QFont font;
        int pixelSize;
    };
    const Case cases[] = {{ProportionalGothicFont(12), 12}, {GothicFont(24), 24}};
    for (const Case& c : cases) {
        const QFontInfo info(c.font);
        SCOPED_TRACE(info.family().toStdString());
        EXPECT_EQ(info.pixelSize(), c.pixelSize);
        const QFontMetrics metrics(c.font);
        for (const QChar ch : u"接続／切断取得総件数現取得Err既読メッセージを削除警告ホスト情報"_s)
            EXPECT_TRUE(metrics.inFont(ch)) << int(ch.unicode());
    }
    // The fixed face sets every half-width character in one cell and every
    // full-width one in two; the proportional face does not.
    const QFontMetrics fixed(GothicFont(24));
    EXPECT_EQ(fixed.horizontalAdvance(u'i'), fixed.horizontalAdvance(u'W'));
    EXPECT_EQ(2 * fixed.horizontalAdvance(u'W'), fixed.horizontalAdvance(u'接'));
    const QFontMetrics proportional(ProportionalGothicFont(24));
    EXPECT_LT(proportional.horizontalAdvance(u'i'), proportional.horizontalAdvance(u'W'));
}

// --- text at the widget boundary -------------------------------------------

TEST(GuiText, ShiftJisBytesBecomeTheirCharactersAndBack)
{
    const std::string sjis = "\x83\x65\x83\x58\x83\x67 abc";  // テスト abc
    EXPECT_EQ(FromSjis(sjis), u"テスト abc"_s);
    EXPECT_EQ(ToSjis(u"テスト abc"_s), sjis);
    EXPECT_EQ(FromSjis(""), QString());
}

// --- memos and labels -------------------------------------------------------

TEST(Memo, EachAddedTextIsOneLineAndLineBreaksInsideStartMore)
{
    QPlainTextEdit memo;
    EXPECT_TRUE(MemoLines(memo).isEmpty());
    AddLine(memo, QString());
    EXPECT_EQ(MemoLines(memo), QStringList{QString()});
    AddLine(memo, u"two"_s);
    AddLine(memo, u"-ERR x\r\n"_s);
    AddLine(memo, u"a\rb"_s);
    EXPECT_EQ(MemoLines(memo),
              (QStringList{QString(), u"two"_s, u"-ERR x"_s, QString(), u"a"_s, u"b"_s}));
    memo.clear();
    EXPECT_TRUE(MemoLines(memo).isEmpty());
}

TEST(Memo, AddingScrollsToTheLastLine)
{
    QPlainTextEdit memo;
    memo.resize(200, 60);
    memo.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&memo));
    for (int n = 0; n < 50; ++n)
        AddLine(memo, QString::number(n));
    QScrollBar* bar = memo.verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST(Label, WidensWithItsCaptionAndKeepsItsCorner)
{
    TLabel label;
    label.setFont(GothicFont(24));
    label.SetCaption(u"現取得数："_s);
    label.Place({264, 48, 120, 24});
    const int bare = label.width();

    label.SetCaption(u"現取得数：12345"_s);

    EXPECT_GT(label.width(), bare);
    EXPECT_EQ(label.pos(), QPoint(264, 48));
    EXPECT_EQ(label.height(), 24);
}
