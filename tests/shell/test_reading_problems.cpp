// The main window's reading problems: the same notes `vemora-cli check` prints, each one whole, in words
// that name the station by position and id and say what Save will do.
#include <QListWidget>
#include <filesystem>

#include "Station.h"
#include "cli_fixture.h"
#include "gui_fixture.h"

namespace {

size_t count_lines(const std::string& text) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

QListWidget* problems_list(TFmain* window) {
    auto* list = window->findChild<QListWidget*>("ListBox_problems");
    return list != nullptr && list->isVisible() ? list : nullptr;
}

// The window's problems and check's lines for the same file: as many, in the same order, each warning
// about the same owner (check writes "station 2 (id 7)", the window "Station 2 (id 7)").
void expect_same_problems(TFmain* window, const std::string& path) {
    const Cli_result check = cli({"check", path});
    const QStringList& problems = window->problems();
    ASSERT_EQ(static_cast<size_t>(problems.size()), count_lines(check.out)) << path << "\n" << check.out;
    std::istringstream lines(check.out);
    std::string line;
    for (const QString& problem : problems) {
        std::getline(lines, line);
        EXPECT_FALSE(problem.contains('\n')) << problem.toStdString();
        EXPECT_FALSE(problem.contains("Teeprom_configurer")) << problem.toStdString();
        EXPECT_TRUE(problem.contains("Save ")) << problem.toStdString();
        if (line.rfind("WARNING : ", 0) != 0) continue;
        const std::string owner = line.substr(10, line.find(": ", 10) - 10);
        EXPECT_EQ(
            problem.toLower().toStdString().rfind(QString::fromStdString(owner).toLower().toStdString(), 0),
            0u)
            << problem.toStdString() << "\n"
            << line;
    }
}

} // namespace

TEST_F(Gui_test, ReadingProblemsAreListedWholeInWordsBesideTheWindow) {
    const std::string path = write_setup(
        "p.xml", "<SETUP><STATIONS><STATON id='3'/><STATION id='7'><CONFIGURATION><X/>"
                 "<ACQUISITION_SEQUENCE value='9'/><ACQUISITION_SEQUENCE><WAIT timeout='60'/>"
                 "</ACQUISITION_SEQUENCE></CONFIGURATION></STATION><STATION id='8'/></STATIONS></SETUP>");
    ASSERT_TRUE(window->open_file(path));
    QPushButton* button = find<QPushButton>("bt_problems");
    EXPECT_TRUE(button->isVisibleTo(window));
    EXPECT_EQ(button->text(), "Opened with 4 &problems"); // Alt+P shows them
    EXPECT_TRUE(messages.empty());                        // no modal interruption
    expect_same_problems(window, path);
    const QStringList& problems = window->problems();
    ASSERT_EQ(problems.size(), 4);
    EXPECT_EQ(problems[0],
              "Station 1 (id 7): unknown element \"X\" in the configuration was skipped. Save will "
              "not keep this element.");
    EXPECT_EQ(problems[2], "STATIONS: unknown element \"STATON\" before any station is ignored. Save will "
                           "not keep this element.");
    EXPECT_EQ(problems[3],
              "Station 1 (id 7): WAIT timeout 60 in the slow sequence is outside what the station keeps "
              "(0 to 31); 28 was used. Save will write what was used.");
    const std::vector<Tstation*> stations = [this] {
        std::vector<Tstation*> out;
        for_each_item<Tstation>(window->document().stations.list, [&out](Tstation& s) { out.push_back(&s); });
        return out;
    }();
    ASSERT_EQ(stations.size(), 2u);
    EXPECT_EQ(window->station_problems(stations[0]), 3);
    EXPECT_EQ(window->station_problems(stations[1]), 0);

    // A click shows them in a window of their own, one item per problem, while the main window stays usable.
    QTest::mouseClick(button, Qt::LeftButton);
    QListWidget* list = problems_list(window);
    ASSERT_NE(list, nullptr);
    EXPECT_FALSE(list->window()->isModal());
    ASSERT_EQ(list->count(), 4);
    for (int i = 0; i < list->count(); ++i)
        EXPECT_EQ(list->item(i)->text(), problems[i]);

    // Opening a clean file takes the problems away, and their window with them.
    ASSERT_TRUE(window->open_file(VEMORA_EXAMPLES "/setup.xml"));
    EXPECT_FALSE(button->isVisibleTo(window));
    EXPECT_EQ(problems_list(window), nullptr);
    EXPECT_TRUE(window->problems().isEmpty());
}

TEST_F(Gui_test, ALineBreakInAFileNameNeverSplitsAProblem) {
    const std::string name = dir.file("a\nb.xml");
    std::string attribute = name;
    attribute.replace(attribute.find('\n'), 1, "&#x0a;");
    const std::string path = write_setup("p.xml", "<SETUP><STATIONS><STATION id='1'><CONFIGURATION file='" +
                                                      attribute + "'/></STATION></STATIONS></SETUP>");
    ASSERT_TRUE(window->open_file(path));
    ASSERT_EQ(window->problems().size(), 1);
    EXPECT_TRUE(window->problems()[0].contains("a\\x0ab.xml\" could not be read (No such file or directory)"))
        << window->problems()[0].toStdString();
    expect_same_problems(window, path);
}

// Every hostile file and every case of check's data shows the same problems in the window as in check.
TEST_F(Gui_test, TheWindowAndCheckShowTheSameProblemsForEveryTestFile) {
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(VEMORA_TEST_DATA "/hostile"))
        files.push_back(e.path().string());
    for (const auto& e : std::filesystem::directory_iterator(VEMORA_TEST_DATA "/check"))
        files.push_back((e.path() / "setup.xml").string());
    std::sort(files.begin(), files.end());
    int opened = 0;
    for (const std::string& file : files) {
        if (!window->open_file(file)) {
            messages.clear(); // a broken file: check refuses it too
            EXPECT_EQ(cli({"check", file}).code, 1) << file;
            continue;
        }
        ++opened;
        expect_same_problems(window, file);
    }
    EXPECT_GT(opened, 20);
}
