// The IP address control, typed into field by field.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

#include "ui/qt/ip_address_edit.h"

namespace quelvar::ui::qt {
namespace {

using Octets = IpAddressEdit::Octets;

class IpAddressEditTest : public ::testing::Test {
  protected:
    void SetUp() override {
        edit.show();
        edit.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&edit));
        edit.setFocus(Qt::TabFocusReason);
    }
    // Key by key to whichever field has the focus, as a user's typing goes.
    void type(const QString& keys) {
        for (QChar c : keys) QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
    }
    void press(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }
    QStringList fields() const {
        QStringList texts;
        for (int i = 0; i < 4; ++i) texts << edit.field(i)->text();
        return texts;
    }

    IpAddressEdit edit;
};

TEST_F(IpAddressEditTest, DotMovesOnAndBlankFieldsReadAsZero) {
    EXPECT_TRUE(edit.isBlank());
    EXPECT_EQ(edit.octets(), (Octets{0, 0, 0, 0}));
    type("10.1.");
    EXPECT_EQ(fields(), QStringList({"10", "1", "", ""}));
    EXPECT_EQ(edit.octets(), (Octets{10, 1, 0, 0}));
    type("7");
    EXPECT_EQ(edit.octets(), (Octets{10, 1, 7, 0}));
}

TEST_F(IpAddressEditTest, ThreeDigitsMoveOnAndNumbersAbove255AreCutTo255) {
    type("192168");
    EXPECT_EQ(fields(), QStringList({"192", "168", "", ""}));
    type("999");
    EXPECT_EQ(fields(), QStringList({"192", "168", "255", ""}));
    type("300");
    EXPECT_EQ(edit.octets(), (Octets{192, 168, 255, 255}));
}

TEST_F(IpAddressEditTest, TakesDigitsOnlyAndBackspaceInAnEmptyFieldGoesBack) {
    type("1a-b 2");
    EXPECT_EQ(fields(), QStringList({"12", "", "", ""}));
    type(".");
    EXPECT_EQ(QApplication::focusWidget(), edit.field(1));
    press(Qt::Key_Backspace);
    EXPECT_EQ(QApplication::focusWidget(), edit.field(0));
    press(Qt::Key_Backspace);
    EXPECT_EQ(fields(), QStringList({"1", "", "", ""}));
}

TEST_F(IpAddressEditTest, SetClearAndDisableAsAWhole) {
    edit.setOctets({127, 0, 0, 2});
    EXPECT_EQ(fields(), QStringList({"127", "0", "0", "2"}));
    EXPECT_EQ(edit.octets(), (Octets{127, 0, 0, 2}));
    edit.clear();
    EXPECT_TRUE(edit.isBlank());
    edit.setEnabled(false);
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(edit.field(i)->isEnabled());
}

}  // namespace
}  // namespace quelvar::ui::qt
