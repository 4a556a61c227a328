// The station editor for a keyboard and a screen reader: every page passes the accessibility check,
// the meter and the hints say their changes, and a station is edited and stored with key presses only.
#include "editor_window_fixture.h"

#include <QAccessible>
#include <QPlainTextEdit>
#include <QScrollArea>

#include "Announce.h"
#include "Latin1_edit.h"
#include "Station.h"
#include "Station_editor.h"
#include "accessibility_check.h"

namespace {

// The accessibility events sent while a test runs, and the name of each event's object as it was sent.
std::vector<std::pair<QObject*, QAccessible::Event>> sent;
QStringList sent_names;

bool was_sent(QObject* object, QAccessible::Event type) {
    return std::find(sent.begin(), sent.end(), std::make_pair(object, type)) != sent.end();
}

std::string lines(const QStringList& problems) {
    return problems.join('\n').toStdString();
}

} // namespace

class Editor_access_test : public Editor_window_test {
  protected:
    void SetUp() override {
        Editor_window_test::SetUp();
        ASSERT_TRUE(window->open_file(VEMORA_EXAMPLES "/setup.xml"));
        station = model()->station_at(2); // thresholds on, outputs and an SMS box: most controls enabled
    }

    QWidget* focused() const { return editor->focusWidget(); }
    QString focused_name() const { return focused() != nullptr ? focused()->objectName() : QString(); }
    void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(focused() != nullptr ? focused() : editor, static_cast<Qt::Key>(k), modifiers);
    }
    // Tab until the named control has the focus; false when Tab comes round without reaching it.
    bool tab_to(const char* name) {
        for (int i = 0; i < 200 && focused_name() != name; ++i)
            key(Qt::Key_Tab);
        return focused_name() == name;
    }
    std::string threshold_161() const {
        Station_editor logic;
        logic.open(station);
        return logic.form.text(logic.form.find("ed_s_161"));
    }

    Tstation* station = nullptr;
};

TEST_F(Editor_access_test, EveryPagePassesTheAccessibilityCheck) {
    while_open([this] {
        int stops = 0;
        for (int p = 0; p < pages()->count(); ++p) {
            pages()->setCurrentIndex(p);
            const QStringList problems = accessibility_problems(editor);
            EXPECT_TRUE(problems.isEmpty()) << pages()->tabText(p).toStdString() << ":\n" << lines(problems);
            stops += static_cast<int>(focus_stops(editor).size());
        }
        // The check saw every control: the 148 of the form, the memos, the Memory page's list and hex view,
        // the tabs, the meter and the buttons (these last four once per page).
        EXPECT_EQ(pages()->count(), 7);
        EXPECT_GE(stops, 148 + 8 + 2 + 7 * 4);
        press("Button2");
    });
    EXPECT_FALSE(editor->edit_station(station));
}

TEST_F(Editor_access_test, TheCheckFindsWhatAUserWouldMeet) {
    // A window with each fault once: the check is no check unless it names them.
    QWidget bad;
    bad.setObjectName("bad");
    auto* unnamed = new QLineEdit(&bad);
    unnamed->setObjectName("ed_unnamed");
    auto* by_item = new QComboBox(&bad);
    by_item->setObjectName("cbb_by_item");
    by_item->addItems({"Keep", "Force 0"});
    auto* twin1 = new QCheckBox("Same", &bad);
    twin1->setObjectName("cb_twin1");
    auto* twin2 = new QCheckBox("Same", &bad);
    twin2->setObjectName("cb_twin2");
    auto* trap = new QPlainTextEdit(&bad); // takes Tab as a character
    trap->setObjectName("ed_trap");
    trap->setAccessibleName("Notes");
    auto* after = new QPushButton("After", &bad);
    after->setObjectName("bt_after");
    after->setEnabled(false); // disabled: still to be reached while the check walks
    bad.show();
    const QStringList problems = accessibility_problems(&bad);
    EXPECT_TRUE(problems.contains("ed_unnamed has no accessible name")) << lines(problems);
    EXPECT_TRUE(problems.contains("cbb_by_item is announced by its item \"Keep\", not by what it is"))
        << lines(problems);
    EXPECT_TRUE(problems.contains("cb_twin1 and cb_twin2 have the same name \"Same\"")) << lines(problems);
    EXPECT_TRUE(problems.contains("Tab does not leave ed_trap")) << lines(problems);
    EXPECT_TRUE(problems.contains("Tab never reaches bt_after")) << lines(problems);
    EXPECT_FALSE(after->isEnabled()); // disabled again after the walk
    // Mended, the same window passes.
    unnamed->setAccessibleName("Unnamed no more");
    twin2->setAccessibleName("Same, second");
    trap->setTabChangesFocus(true);
    delete by_item;
    EXPECT_TRUE(accessibility_problems(&bad).isEmpty()) << lines(accessibility_problems(&bad));
    bad.hide();
}

TEST_F(Editor_access_test, ListsAreNamedByWhatTheyAreAndFieldsCarryTheirUnits) {
    const struct {
        const char* control;
        const char* name;
        const char* description;
    } expected[] = {
        {"cbb_s_o3", "Outputs S3 of the first conditional action", ""},
        {"cbb_f2_o0", "Outputs S0 of the second conditional action", ""},
        {"cbb_s_3", "Tinopal delta (on-off) comparison", ""},
        {"cb_s_out", "Change digital outputs if threshold pass, first action", ""},
        {"cb_f2_out", "Change digital outputs if threshold pass, second action", ""},
        {"ed_s_0", "Temperature threshold", "Unit: [\u00B0C]"},
        {"ed_f_9", "Conductivity threshold", "Unit: [-] (m1/m0 ratio)"},
        {"ed_s_172", "Pulse counter 12 (input #0, abs) threshold", "Unit: [pulse]"},
        {"ed_f_vbat_threshold", "Battery end-of-life threshold", "Unit: [V]"},
        {"ed_gsm_interval", "Interval between two GSM switch on", "Unit: hours"},
        {"ed_acq_interval1", "Interval between two acquisition in fast mode", "Unit: minutes"},
        {"Memo2_text", "Information about Conditional actions of Slow Sequence", ""},
        {"Memo7_text", "Information about Remote sequence", ""},
        {"PageControl1", "Editor pages", ""},
        {"ListBox_memory", "Records of the configuration memory", ""},
        {"Memo_hex", "Configuration memory in hex", ""},
    };
    for (const auto& e : expected) {
        QWidget* w = control<QWidget>(e.control);
        ASSERT_NE(w, nullptr) << e.control;
        EXPECT_EQ(spoken_name(w), QString(e.name)) << e.control;
        if (*e.description != '\0') {
            EXPECT_EQ(w->accessibleDescription(), QString(e.description)) << e.control;
        }
    }
    // The memo's text is what a screen reader reads out, and Tab stops on it.
    EXPECT_TRUE(
        control<QLabel>("Memo9_text")
            ->accessibleDescription()
            .startsWith("The identification information are used to access the module in you network."));
    EXPECT_TRUE(control<QLabel>("Memo9_text")->focusPolicy() & Qt::TabFocus);
    // The value a list shows follows the choice; the name stays.
    choose("cbb_s_o3", 2);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(list("cbb_s_o3"));
    EXPECT_EQ(a->text(QAccessible::Value), "Keep");
    EXPECT_EQ(a->text(QAccessible::Name), "Outputs S3 of the first conditional action");
}

TEST_F(Editor_access_test, TheMeterAndTheHintsSayTheirChanges) {
    sent.clear();
    sent_names.clear();
    set_accessible_event_listener([](QObject* object, QAccessible::Event type, const QString& name) {
        sent.emplace_back(object, type);
        sent_names << name;
    });
    Tstation blank;
    while_open([this] {
        QLabel* meter = control<QLabel>("lb_memory");
        EXPECT_EQ(spoken_name(meter), "Configuration memory: 53 of 223 bytes");
        pages()->setCurrentIndex(3);
        tick("cb_s_0");
        EXPECT_EQ(spoken_name(meter), "Configuration memory: 55 of 223 bytes");
        EXPECT_TRUE(was_sent(meter, QAccessible::NameChanged));
        EXPECT_TRUE(sent_names.contains("Configuration memory: 55 of 223 bytes"));
        // A refused character: the hint appears and is announced.
        QLabel* hint = control<QLabel>("lb_hint");
        sent.clear();
        field("ed_description")
            ->insert(QString::fromUtf8("\u20AC")); // typed or pasted, the euro sign is refused
        EXPECT_TRUE(hint->isVisible());
        EXPECT_EQ(spoken_name(hint), Latin1_edit::refused_hint());
        EXPECT_TRUE(was_sent(hint, QAccessible::NameChanged));
        EXPECT_TRUE(was_sent(hint, QAccessible::Alert));
        press("Button2");
    });
    EXPECT_FALSE(editor->edit_station(&blank));
    set_accessible_event_listener(nullptr);
}

TEST_F(Editor_access_test, AThresholdIsChangedAndStoredWithKeysOnly) {
    ASSERT_EQ(threshold_161(), "12.75");
    while_open([this] {
        // From wherever the focus is when the window opens: Ctrl+Tab to the Slow Sequence page.
        key(Qt::Key_Tab);
        for (int i = 0; i < 3; ++i)
            key(Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_EQ(pages()->currentIndex(), 3);
        key(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(pages()->currentIndex(), 2);
        key(Qt::Key_Tab, Qt::ControlModifier);
        ASSERT_TRUE(tab_to("ed_s_161"));
        key(Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(focused(), "7.5");
        key(Qt::Key_Return); // Enter in an edit stores nothing
        key(Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_TRUE(editor->isVisible());
        ASSERT_TRUE(tab_to("Button1"));
        key(Qt::Key_Return);
    });
    EXPECT_TRUE(editor->edit_station(station));
    EXPECT_EQ(threshold_161(), "7.50"); // as the editor shows a stored threshold
}

TEST_F(Editor_access_test, EscapeAndReturnOnCancelStoreNothing) {
    for (const char* way : {"Escape", "Cancel"}) {
        while_open([this, way] {
            pages()->setCurrentIndex(3);
            ASSERT_TRUE(tab_to("ed_s_161"));
            key(Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(focused(), "99");
            if (std::string(way) == "Cancel") {
                ASSERT_TRUE(tab_to("Button2"));
                key(Qt::Key_Return);
            } else {
                key(Qt::Key_Escape);
            }
        });
        EXPECT_FALSE(editor->edit_station(station)) << way;
        EXPECT_EQ(threshold_161(), "12.75") << way;
    }
    EXPECT_FALSE(window->is_modified());
}
