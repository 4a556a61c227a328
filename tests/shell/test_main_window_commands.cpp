// Edit Selected and Add a new station of the main window, left through Cancel and Escape in the editor.
#include <QSignalSpy>

#include "Station.h"
#include "editor_window_fixture.h"

namespace {

bool same_record(const Tstation& a, const Tstation& b) {
    return a.id == b.id && std::string(a.phone_nbr) == b.phone_nbr && std::string(a.pin) == b.pin &&
           std::string(a.description) == b.description && std::string(a.display_type) == b.display_type &&
           a.configuration == b.configuration;
}

std::vector<Tstation*> stations_of(Tsetup& setup) {
    std::vector<Tstation*> list;
    for_each_item<Tstation>(setup.stations.list, [&list](Tstation& s) { list.push_back(&s); });
    return list;
}

} // namespace

TEST_F(Editor_window_test, EditSelectedThenCancelKeepsTheRecordAndRebuildsTheGrid) {
    ASSERT_TRUE(window->open_file(VEMORA_EXAMPLES "/setup.xml"));
    const std::vector<Tstation*> before = stations_of(window->document());
    ASSERT_GE(before.size(), 3u);
    Tstation* station = before[1];
    const Tstation copy = *station;
    QSignalSpy rebuilt(model(), &QAbstractItemModel::modelReset);
    select_rows(1, 1);
    bool opened = false;
    while_open([this, &opened] {
        opened = true;
        EXPECT_EQ(field("ed_ID")->text(), "102");
        type("ed_description", "changed");
        type("ed_phone_nbr", "+41 99");
        pages()->setCurrentIndex(3);
        tick("cb_s_0");
        press("Button2");
    });
    click("Button7");
    EXPECT_TRUE(opened);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_TRUE(same_record(*station, copy));
    EXPECT_EQ(stations_of(window->document()), before);
    EXPECT_EQ(rebuilt.count(), 0); // Cancel changes nothing and costs nothing
    EXPECT_EQ(model()->station_at(1), station);
    EXPECT_EQ(window->history().size(), 0u);
    EXPECT_FALSE(window->is_modified());
    EXPECT_FALSE(window->isWindowModified());
}

TEST_F(Editor_window_test, AddThenEscapeLeavesTheListAsItWas) {
    ASSERT_TRUE(window->open_file(VEMORA_EXAMPLES "/setup.xml"));
    const std::vector<Tstation*> before = stations_of(window->document());
    QSignalSpy rebuilt(model(), &QAbstractItemModel::modelReset);
    bool opened = false;
    while_open([this, &opened] {
        opened = true;
        EXPECT_EQ(field("ed_ID")->text(), "305"); // a fresh record with the next free ID
        type("ed_ID", "777");
        type("ed_description", "never added");
        QTest::keyClick(field("ed_description"), Qt::Key_Escape);
    });
    click("Button5");
    EXPECT_TRUE(opened);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(stations_of(window->document()), before);
    EXPECT_EQ(model()->rowCount(), static_cast<int>(before.size()));
    EXPECT_EQ(rebuilt.count(), 0);
    EXPECT_FALSE(window->is_modified());
    EXPECT_TRUE(messages.empty());
}
