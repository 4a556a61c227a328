// Compare, Compare with File and Print Station Sheet in the main window, on the example's stations.
#include "gui_fixture.h"

#include <QCheckBox>
#include <QFile>
#include <QPrinter>

#include "Setup.h"
#include "Station.h"
#include "Station_sheet_print.h"
#include "Wcompare.h"
#include "accessibility_check.h"

namespace {

int pdf_pages(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return -1;
    const QByteArray pdf = file.readAll();
    if (!pdf.startsWith("%PDF")) return -1;
    int pages = 0;
    for (qsizetype at = pdf.indexOf("/Type /Page"); at >= 0; at = pdf.indexOf("/Type /Page", at + 1))
        if (pdf.mid(at + 11, 1) != "s") ++pages; // "/Type /Pages" is the page tree, not a page
    return pages;
}

} // namespace

class Compare_test : public Gui_test {
  protected:
    void SetUp() override {
        Gui_test::SetUp();
        ASSERT_TRUE(window->open_file(VEMORA_EXAMPLES "/setup.xml"));
    }
    void TearDown() override {
        Print_dialog::set_responder(nullptr);
        Gui_test::TearDown();
    }
    TFcompare* compare() const { return window->findChild<TFcompare*>("Fcompare"); }
    QString verdict() const { return compare()->findChild<QLabel*>("lb_compare_verdict")->text(); }
};

TEST_F(Compare_test, TwoStationsSideBySideOnlyTheDifferencesUnlessAllAreAsked) {
    // One station: the command says what it needs.
    select_rows(0, 0);
    action("CompareStations1")->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.startsWith("Select two stations")) << messages[0].text.toStdString();
    EXPECT_EQ(compare(), nullptr);

    select_rows(0, 0);
    grid()->selectionModel()->select(model()->index(2, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    action("CompareStations1")->trigger();
    ASSERT_NE(compare(), nullptr);
    EXPECT_TRUE(compare()->isVisible());
    EXPECT_TRUE(verdict().contains("station 1 (id 101)")) << verdict().toStdString();
    EXPECT_TRUE(verdict().contains("station 3 (id 203)"));
    const QString differing = compare()->shown_text();
    EXPECT_TRUE(differing.contains("Identity / Station ID: 101 -> 203") ||
                differing.contains("Station ID: 101 -> 203"))
        << differing.toStdString();
    // Every setting line shown differs; with the switch the equal ones come too.
    const int only_differing = compare()->shown_rows();
    compare()->findChild<QCheckBox*>("cb_compare_all")->setChecked(true);
    EXPECT_GT(compare()->shown_rows(), only_differing);
    compare()->findChild<QCheckBox*>("cb_compare_all")->setChecked(false);
    EXPECT_EQ(compare()->shown_rows(), only_differing);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(compare()));
    const QStringList problems = accessibility_problems(compare());
    EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();
    compare()->close();
}

TEST_F(Compare_test, TwoEqualStationsAreSaidEqualAndShowNoLine) {
    const std::string path = write_setup(
        "twins.xml", "<SETUP><STATIONS><STATION id='7' phone_nbr='1' pin='2' description='d'/>"
                     "<STATION id='7' phone_nbr='1' pin='2' description='d'/></STATIONS></SETUP>");
    ASSERT_TRUE(window->open_file(path));
    select_rows(0, 1);
    action("CompareStations1")->trigger();
    ASSERT_NE(compare(), nullptr);
    EXPECT_TRUE(verdict().contains("are equal")) << verdict().toStdString();
    EXPECT_EQ(compare()->shown_rows(), 0);
    compare()->close();
}

TEST_F(Compare_test, CompareWithFileTakesTheUnsavedChangesAndNamesBothSides) {
    // The same file: equal.
    chosen.push_back(VEMORA_EXAMPLES "/setup.xml");
    action("CompareWithFile1")->trigger();
    ASSERT_NE(compare(), nullptr);
    EXPECT_TRUE(verdict().contains("are equal")) << verdict().toStdString();

    // Another file: one station gone, one description changed; and a port typed but not saved here.
    Tsetup other;
    ASSERT_EQ(other.read_file(VEMORA_EXAMPLES "/setup.xml"), 0);
    auto* second = static_cast<Tstation*>(other.stations.list.node_at(1)->item);
    copy_text(second->description, "changed on disk", sizeof second->description);
    other.stations.remove(static_cast<Tstation*>(other.stations.list.node_at(3)->item));
    const std::string path = dir.file("other.xml");
    ASSERT_EQ(other.write_file(path.c_str()), 0);
    edit("ed_COM_modem")->setText("/dev/ttyS9");
    chosen.push_back(QString::fromStdString(path));
    action("CompareWithFile1")->trigger();
    EXPECT_TRUE(verdict().contains("differ")) << verdict().toStdString();
    const QString shown = compare()->shown_text();
    EXPECT_TRUE(shown.contains("changed on disk")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("/dev/ttyS9")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("station 4 (id 304) only in this document")) << shown.toStdString();
    // Neither the file nor the window's file name changed.
    EXPECT_EQ(window->file_name(), VEMORA_EXAMPLES "/setup.xml");
    compare()->close();

    // A file that cannot be read says why and shows nothing new.
    chosen.push_back(QString::fromStdString(write_setup("bad.xml", "<SETUP>")));
    action("CompareWithFile1")->trigger();
    ASSERT_FALSE(messages.empty());
    EXPECT_TRUE(messages.back().text.contains("could not be read")) << messages.back().text.toStdString();
    EXPECT_FALSE(compare()->isVisible());
}

TEST_F(Compare_test, PrintStationSheetMakesOnePagePerStation) {
    select_rows(1, 2);
    const std::string pdf = dir.file("sheets.pdf");
    int asked = 0;
    Print_dialog::set_responder([&](QPrinter* printer) {
        ++asked;
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(QString::fromStdString(pdf));
        return true;
    });
    action("PrintSheet1")->trigger();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(pdf_pages(pdf), 2);
    // Nothing selected: nothing printed, the user is told.
    grid()->clearSelection();
    action("PrintSheet1")->trigger();
    EXPECT_EQ(asked, 1);
    ASSERT_EQ(messages.size(), 1u);
    // A file that cannot be written: the reason, no success.
    select_rows(0, 0);
    Print_dialog::set_responder([&](QPrinter* printer) {
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(QString::fromStdString(dir.file("no/such/folder/x.pdf")));
        return true;
    });
    action("PrintSheet1")->trigger();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[1].text.contains("could not be printed")) << messages[1].text.toStdString();
}
