// The progress dialog of Open and Save, its Cancel, and a file named at start opened after the window is
// painted.
#include "gui_fixture.h"

#include <QProgressDialog>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "Application.h"
#include "File_progress.h"
#include "Station.h"

namespace {

// The dialog shows at the first report past its start, so that a test file of a few thousand stations
// shows it on any machine; the usual half second comes back afterwards.
class Quick_dialog {
  public:
    Quick_dialog() : before_(File_progress::minimum_duration()) { File_progress::set_minimum_duration(0); }
    ~Quick_dialog() { File_progress::set_minimum_duration(before_); }

  private:
    int before_;
};

std::string write_stations(const Temp_dir& dir, const std::string& name, int stations) {
    Tsetup setup;
    setup.set_defaults();
    for (int i = 0; i < stations; ++i) {
        auto* s = new Tstation;
        s->id = i + 1;
        std::snprintf(s->description, sizeof s->description, "station %d of the progress test", i + 1);
        s->configuration.add_tag_long(tag::STATION_ID, i + 1);
        s->configuration.add_byte(tag::END);
        setup.stations.append(s);
    }
    const std::string path = dir.file(name);
    return setup.write_file(path.c_str()) == 0 ? path : std::string();
}

size_t files_in(const std::filesystem::path& folder) {
    return static_cast<size_t>(
        std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()));
}

// Watches, from the event loop, for the progress dialog while it is shown: each turn of the loop inside
// the work is counted, and `act` runs once on the dialog at its first sight.
class Dialog_watch {
  public:
    explicit Dialog_watch(QWidget* window, std::function<void(QProgressDialog*)> act = nullptr)
        : window_(window), act_(std::move(act)) {
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, [this] { look(); });
        timer_.start();
    }
    int turns = 0;       // loop turns while the dialog was visible
    QString first_label; // the label at its first sight
    QStringList labels;  // every label seen
    bool window_modal = false;
    QString accessible_name;

  private:
    void look() {
        auto* dialog = window_->findChild<QProgressDialog*>("dlg_progress");
        if (dialog == nullptr || !dialog->isVisible()) return;
        if (turns++ == 0) {
            first_label = dialog->labelText();
            window_modal = dialog->windowModality() == Qt::WindowModal;
            accessible_name = dialog->accessibleName();
            if (act_) act_(dialog);
        }
        if (labels.isEmpty() || labels.back() != dialog->labelText()) labels << dialog->labelText();
    }
    QWidget* window_;
    std::function<void(QProgressDialog*)> act_;
    QTimer timer_;
};

void press_cancel(QProgressDialog* dialog) {
    int pressed = 0;
    for (QPushButton* b : dialog->findChildren<QPushButton*>())
        if (b->text() == "&Cancel") { // Alt+C presses it too
            QTest::mouseClick(b, Qt::LeftButton);
            ++pressed;
        }
    EXPECT_EQ(pressed, 1);
}

} // namespace

TEST_F(Gui_test, OpenOfALargeFileShowsItsProgressAndEndsWithTheDocumentOpen) {
    const std::string path = write_stations(dir, "large.xml", 6000);
    ASSERT_FALSE(path.empty());
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    Quick_dialog quick;
    Dialog_watch watch(window);
    ASSERT_TRUE(window->open_file(path));
    EXPECT_GT(watch.turns, 0) << "the event loop turned while the file was read";
    EXPECT_TRUE(watch.window_modal);
    EXPECT_EQ(watch.accessible_name, "Opening large.xml");
    EXPECT_TRUE(
        watch.labels.filter(QRegularExpression("^Reading stations\\.\\.\\. [0-9,. ]+ of 6.?000$")).size() >=
        1)
        << watch.labels.join(" | ").toStdString();
    EXPECT_EQ(window->findChild<QProgressDialog*>("dlg_progress"), nullptr)
        << "the dialog goes with the work";
    EXPECT_EQ(model()->station_count(), 6000);
    EXPECT_EQ(window->file_name(), path);
    EXPECT_TRUE(action("Save1")->isEnabled());
    EXPECT_FALSE(window->is_modified());
    EXPECT_TRUE(messages.empty());
}

TEST_F(Gui_test, AQuickOpenNeverShowsTheDialog) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    Dialog_watch watch(window);
    ASSERT_TRUE(window->open_file(write_setup("small.xml", three_stations)));
    EXPECT_EQ(watch.turns, 0);
    EXPECT_EQ(model()->station_count(), 3);
}

TEST_F(Gui_test, CancelledOpenChangesNothing) {
    const std::string large = write_stations(dir, "large.xml", 6000);
    const std::string small = write_setup("small.xml", three_stations);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    ASSERT_TRUE(window->open_file(small));
    edit("ed_path_xml")->setText("/typed but not saved");
    select_rows(2, 2);
    const std::string document_before = [this] {
        std::string text;
        Text_out out(&text);
        window->document().write(&out);
        return text;
    }();
    Quick_dialog quick;
    Dialog_watch watch(window, press_cancel);
    EXPECT_FALSE(window->open_file(large));
    ASSERT_GT(watch.turns, 0);
    std::string document_after;
    {
        Text_out out(&document_after);
        window->document().write(&out);
    }
    EXPECT_EQ(document_after, document_before);
    EXPECT_EQ(window->file_name(), small);
    EXPECT_EQ(find<QLabel>("lb_filename")->text(), QString::fromStdString(small));
    EXPECT_EQ(edit("ed_path_xml")->text(), "/typed but not saved");
    EXPECT_EQ(model()->station_count(), 3);
    EXPECT_TRUE(action("Save1")->isEnabled());
    EXPECT_TRUE(window->is_modified()) << "the typed path is still unsaved";
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, Message::INFORMATION);
    EXPECT_EQ(messages[0].text, "Opening was cancelled; nothing changed.");
    EXPECT_EQ(window->findChild<QProgressDialog*>("dlg_progress"), nullptr);
}

TEST_F(Gui_test, CancelledSaveLeavesTheFileAndNoTemporaryAndTheDocumentUnsaved) {
    const std::string path = write_stations(dir, "large.xml", 6000);
    const std::string old_bytes = read_bytes(path);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    ASSERT_TRUE(window->open_file(path));
    select_rows(1, 1);
    click("Button6");
    ASSERT_TRUE(window->is_modified());
    {
        Quick_dialog quick;
        Dialog_watch watch(window, press_cancel);
        window->Save1Click();
        ASSERT_GT(watch.turns, 0);
        // Where Cancel lands depends on the machine's speed; anywhere before the file is complete it holds.
        EXPECT_TRUE(watch.first_label.startsWith("Writing stations... ") ||
                    watch.first_label == "Writing to the disk...")
            << watch.first_label.toStdString();
        EXPECT_EQ(watch.accessible_name, "Saving large.xml");
    }
    EXPECT_TRUE(read_bytes(path) == old_bytes) << "the old file changed";
    EXPECT_EQ(files_in(dir.path()), 1u);
    EXPECT_TRUE(window->is_modified());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, Message::INFORMATION);
    EXPECT_EQ(messages[0].text,
              QString("Saving was cancelled; \"%1\" was left as it was.").arg(QString::fromStdString(path)));

    // Saved without a Cancel, the file holds one station less.
    window->Save1Click();
    EXPECT_FALSE(window->is_modified());
    Tsetup saved;
    ASSERT_EQ(saved.read_file(path.c_str()), 0);
    int count = 0;
    for_each_item<Tstation>(saved.stations.list, [&count](Tstation&) { ++count; });
    EXPECT_EQ(count, 5999);
}

// A file named at start is opened from the event loop, once the window has been painted.
TEST_F(Gui_test, AFileNamedAtStartOpensAfterTheWindowIsPainted) {
    const std::string path = write_setup("start.xml", three_stations);
    struct Paint_watch : QObject {
        TFmain* window;
        bool painted = false;
        bool painted_before_open = false;
        bool eventFilter(QObject* object, QEvent* event) override {
            auto* widget = qobject_cast<QWidget*>(object);
            if (event->type() == QEvent::Paint && widget != nullptr &&
                (widget == window || window->isAncestorOf(widget)) && !painted) {
                painted = true;
                painted_before_open = window->document().stations.list.head() == nullptr;
            }
            return false;
        }
    } watch;
    watch.window = window;
    qApp->installEventFilter(&watch);
    window->show();
    open_when_painted(window, path);
    EXPECT_EQ(window->document().stations.list.head(), nullptr) << "not opened before the event loop runs";
    EXPECT_TRUE(QTest::qWaitFor([this, &path] { return window->file_name() == path; }, 5000));
    qApp->removeEventFilter(&watch);
    EXPECT_TRUE(watch.painted);
    EXPECT_TRUE(watch.painted_before_open);
    EXPECT_EQ(model()->station_count(), 3);
}
