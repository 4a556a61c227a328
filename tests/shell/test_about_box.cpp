// The About window: build date and time forms, shown without waiting, hidden by OK.
#include "gui_fixture.h"

#include <QRegularExpression>

#include "Wabout.h"

TEST(AboutBox, BuildDateAndTimeForms) {
    EXPECT_TRUE(
        QRegularExpression("^[A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4}$").match(TFabout::build_date()).hasMatch())
        << TFabout::build_date().toStdString();
    EXPECT_TRUE(
        QRegularExpression("^[0-2][0-9]:[0-5][0-9]:[0-5][0-9]$").match(TFabout::build_time()).hasMatch());
}

TEST_F(Gui_test, AboutIsShownModelesslyAndOkHidesIt) {
    TFabout about(window);
    window->set_about_box(&about);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.findChild<QLabel*>("lb_date")->text(), TFabout::build_date());
    EXPECT_EQ(about.findChild<QLabel*>("lb_time")->text(), TFabout::build_time());
    EXPECT_EQ(about.windowTitle(), "About us");
    EXPECT_EQ(about.size(), QSize(700, 255));
    EXPECT_FALSE(about.findChild<QLabel*>("Image1")->pixmap().isNull());
    action("AboutKorvandel1")->trigger();
    EXPECT_TRUE(about.isVisible());
    EXPECT_FALSE(about.isModal());
    action("New1")->trigger(); // the main window goes on working
    EXPECT_EQ(edit("ed_COM_direct")->text(), "COM1");
    QTest::mouseClick(about.findChild<QPushButton*>("Button1"), Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    action("AboutKorvandel1")->trigger(); // shown again
    EXPECT_TRUE(about.isVisible());
    about.hide();
}
