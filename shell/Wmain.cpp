// The main window: File menu, COM ports, station grid, data directories.
#include "Wmain.h"

#include <QAccessible>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sstream>

#include "Announce.h"
#include "Bulk_edit.h"
#include "Compare.h"
#include "Disk_bar.h"
#include "Disk_watch.h"
#include "Document_commands.h"
#include "File_dialogs.h"
#include "File_progress.h"
#include "Latin1_edit.h"
#include "Lib_32.h"
#include "Lib_text.h"
#include "Lib_trace.h"
#include "Message_box.h"
#include "Preferences.h"
#include "Reading_report.h"
#include "Safe_save.h"
#include "Station_csv.h"
#include "Station_duplicate.h"
#include "Station_grid.h"
#include "Station_list_view.h"
#include "Station_settings.h"
#include "Station_sheet.h"
#include "Station_sheet_print.h"
#include "Template_library.h"
#include "Text_bridge.h"
#include "Wabout.h"
#include "Wcompare.h"
#include "Whistory.h"
#include "Wproblems.h"
#include "Wversions.h"

void trace_sink(const char*, void*) {}

namespace {

const char caption[] = "Vemora Editor V1.0";
const char proposed_name[] = "setup.xml"; // what the Open dialog proposes while the document has no file
constexpr int PATH_MAX_LENGTH = 511;      // the document's paths hold 512 bytes with their terminator
constexpr int PORT_MAX_LENGTH = 31;

// A label whose text carries a mnemonic ("&"): Alt and the letter move the focus to its field.
QLabel* field_label(const QString& text, QWidget* buddy, QWidget* parent, const char* name) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setBuddy(buddy);
    buddy->setAccessibleName(QString(text).remove('&')); // a screen reader announces the field by its label
    return label;
}

QLabel* example_label(const QString& text, QWidget* parent, const char* name) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    QFont font = label->font();
    font.setItalic(true);
    label->setFont(font);
    return label;
}

// The file's own name, without its folder, for the progress dialog's title.
QString shown_name(const std::string& path) {
    return QFileInfo(file_text(path)).fileName();
}

QPushButton* button(const QString& text, QWidget* parent, const char* name) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(true); // Return presses the focused button, as Space does
    return b;
}

} // namespace

TFmain::TFmain(QWidget* parent) : QMainWindow(parent) {
    setObjectName("Fmain");
    setGeometry(133, 81, 523, 485);
    setAcceptDrops(true); // a setup file dropped on the window is opened
    set_trace_sink(&trace_sink, nullptr);

    build_station_actions();
    build_menu();
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    pages_ = new QTabWidget(central);
    pages_->setObjectName("PageControl1");
    com_ports_page_ = build_com_ports_page();
    pages_->setAccessibleName("Setup pages");
    pages_->addTab(com_ports_page_, "&COM ports");
    pages_->addTab(build_stations_page(), "S&tations");
    pages_->addTab(build_directories_page(), "Di&rectories");
    pages_->setCurrentIndex(1); // "Stations" at start
    disk_ = new Disk_watch(this);
    disk_bar_ = new Disk_bar(central);
    layout->addWidget(disk_bar_);
    connect(disk_, &Disk_watch::touched, this, &TFmain::check_disk);
    connect(disk_bar_, &Disk_bar::reload_wanted, this, &TFmain::reload_from_disk);
    connect(disk_bar_, &Disk_bar::compare_wanted, this, [this] {
        Tsetup other;
        std::string reason;
        if (other.read_file(file_name_.c_str(), &reason) != 0) {
            Message_box::warn(this, "Compare",
                              QString("The file on disk could not be read: %1.").arg(to_qstring(reason)));
            return;
        }
        commit_edits(true);
        show_comparison_with(other, "Compare with the File on Disk", "on disk", "the file on disk");
    });
    connect(disk_bar_, &Disk_bar::save_wanted, this, &TFmain::Save1Click);
    connect(disk_bar_, &Disk_bar::save_as_wanted, this, &TFmain::SaveAs1Click);
    edit_menu_->addSeparator();
    edit_menu_->addAction(station_view_->find_action());
    // The template column is shown on demand; the library is read when it or a query first needs it.
    grid_->setColumnHidden(Station_grid_model::TEMPLATE, true);
    grid_model_->set_library_source([this]() -> std::shared_ptr<const Template_library> {
        auto library = std::make_shared<Template_library>();
        if (!read_templates(library.get())) return nullptr;
        return library;
    });
    layout->addWidget(pages_);
    setCentralWidget(central);
    build_bottom_panel();
    layout->addWidget(findChild<QWidget*>("Panel1"));

    // The program starts on a new, untitled document.
    setup_.set_defaults();
    set_file_name("");
    refresh(false);
    mark_unchanged();
    statusBar()->setObjectName("StatusBar1");
    for (Latin1_edit* edit : {ed_COM_direct_, ed_COM_modem_, ed_path_bin_, ed_path_xml_}) {
        connect(edit, &QLineEdit::textChanged, this, &TFmain::update_modified);
        // One step of the history per field, when the user leaves it (or presses Return) with new text.
        connect(edit, &QLineEdit::editingFinished, this, [this, edit] { commit_edit(edit); });
        connect(edit, &Latin1_edit::refused_character, this, [this] {
            lb_hint_->setText(Latin1_edit::refused_hint());
            QTimer::singleShot(6000, lb_hint_, [this] { lb_hint_->clear(); });
        });
    }
}

TFmain::~TFmain() = default;

void TFmain::build_station_actions() {
    // One action per station command, shared by the Station menu, the buttons' handlers and the grid's
    // context menu; Return and Delete act on the grid only, where they mean the selected station.
    edit_selected_ = new QAction("Ed&it Selected", this);
    edit_selected_->setObjectName("EditSelected1");
    connect(edit_selected_, &QAction::triggered, this, &TFmain::Button7Click);
    add_station_ = new QAction("&Add a new station", this);
    add_station_->setObjectName("AddStation1");
    connect(add_station_, &QAction::triggered, this, &TFmain::Button5Click);
    delete_station_ = new QAction("&Delete selected station", this);
    delete_station_->setObjectName("DeleteStation1");
    connect(delete_station_, &QAction::triggered, this, &TFmain::Button6Click);
    compare_stations_ = new QAction("&Compare", this);
    compare_stations_->setObjectName("CompareStations1");
    compare_stations_->setStatusTip("Compare the two selected stations setting by setting");
    connect(compare_stations_, &QAction::triggered, this, &TFmain::CompareStations1Click);
    edit_together_action_ = new QAction("Edit Selected &Together", this);
    edit_together_action_->setObjectName("EditTogether1");
    edit_together_action_->setShortcut(QKeySequence("Ctrl+Shift+E"));
    edit_together_action_->setStatusTip("Change settings of every selected station at once");
    connect(edit_together_action_, &QAction::triggered, this, &TFmain::EditTogether1Click);
    duplicate_station_ = new QAction("D&uplicate", this);
    duplicate_station_->setObjectName("DuplicateStation1");
    duplicate_station_->setShortcut(QKeySequence("Ctrl+D"));
    duplicate_station_->setStatusTip(
        "Copy the selected stations, each with an ID of its own and no phone number "
        "or PIN");
    connect(duplicate_station_, &QAction::triggered, this, &TFmain::Button8Click);
    undo_ = new QAction("&Undo", this);
    undo_->setObjectName("Undo1");
    undo_->setShortcuts(QKeySequence::Undo);
    connect(undo_, &QAction::triggered, this, &TFmain::Undo1Click);
    redo_ = new QAction("&Redo", this);
    redo_->setObjectName("Redo1");
    redo_->setShortcuts(QKeySequence::Redo); // every binding the desktop has
    connect(redo_, &QAction::triggered, this, &TFmain::Redo1Click);
}

void TFmain::build_menu() {
    menuBar()->setObjectName("MainMenu1");
    QMenu* file = menuBar()->addMenu("&File");
    file->setObjectName("File1");
    QAction* new_item = file->addAction("&New", this, &TFmain::New1Click);
    new_item->setObjectName("New1");
    new_item->setShortcut(QKeySequence::New);
    QAction* open = file->addAction("&Open", this, &TFmain::Open1Click);
    open->setObjectName("Open1");
    open->setShortcut(QKeySequence::Open);
    recent_menu_ = file->addMenu("Open &Recent");
    recent_menu_->setObjectName("OpenRecent1");
    connect(recent_menu_, &QMenu::aboutToShow, this, &TFmain::fill_recent_menu);
    fill_recent_menu();
    file->addSeparator();
    save_ = file->addAction("&Save", this, &TFmain::Save1Click);
    save_->setObjectName("Save1");
    save_->setShortcut(QKeySequence::Save);
    save_->setEnabled(false);
    QAction* save_as = file->addAction("Save &As ...", this, &TFmain::SaveAs1Click);
    save_as->setObjectName("SaveAs1");
    save_as->setShortcut(QKeySequence::SaveAs);
    QAction* save_label = file->addAction("Save with &Label...", this, &TFmain::SaveWithLabel1Click);
    save_label->setObjectName("SaveWithLabel1");
    QAction* redacted = file->addAction("Save Re&dacted Copy...", this, &TFmain::SaveRedacted1Click);
    redacted->setObjectName("SaveRedacted1");
    QAction* versions = file->addAction("&Versions...", this, &TFmain::Versions1Click);
    versions->setObjectName("Versions1");
    QMenu* sharing = file->addMenu("S&haring");
    sharing->setObjectName("Sharing1");
    QAction* keep_versions = sharing->addAction("Keep a &Version of Each Save");
    keep_versions->setObjectName("KeepVersions1");
    keep_versions->setCheckable(true);
    keep_versions->setChecked(Preferences::keep_versions());
    connect(keep_versions, &QAction::toggled, this, [](bool on) { Preferences::set_keep_versions(on); });
    QAction* lock_files = sharing->addAction("&Lock Files While Open");
    lock_files->setObjectName("LockFiles1");
    lock_files->setCheckable(true);
    lock_files->setChecked(Preferences::lock_files());
    connect(lock_files, &QAction::toggled, this, [this](bool on) {
        Preferences::set_lock_files(on);
        if (!on)
            disk_->release_lock();
        else if (has_file() && !read_only_)
            own_file(file_name_, false);
    });
    file->addSeparator();
    QMenu* export_menu = file->addMenu("E&xport");
    export_menu->setObjectName("Export1");
    QAction* export_csv = export_menu->addAction("Stations as &CSV...", this, &TFmain::ExportCsv1Click);
    export_csv->setObjectName("ExportCsv1");
    QMenu* import_menu = file->addMenu("&Import");
    import_menu->setObjectName("Import1");
    QAction* import_csv =
        import_menu->addAction("&Update Stations from CSV...", this, &TFmain::ImportCsv1Click);
    import_csv->setObjectName("ImportCsv1");
    file->addSeparator();
    QAction* compare_file = file->addAction("Compare with &File...", this, &TFmain::CompareWithFile1Click);
    compare_file->setObjectName("CompareWithFile1");
    QAction* print = file->addAction("&Print Station Sheet...", this, &TFmain::PrintSheet1Click);
    print->setObjectName("PrintSheet1");
    print->setShortcut(QKeySequence::Print);
    file->addSeparator();
    QAction* quit = file->addAction("&Quit", this, &TFmain::Quit1Click);
    quit->setObjectName("Quit1");
    // Some desktops bind no key to Quit; Ctrl+Q is what people expect there.
    const QList<QKeySequence> quit_keys = QKeySequence::keyBindings(QKeySequence::Quit);
    quit->setShortcuts(quit_keys.isEmpty() ? QList<QKeySequence>{QKeySequence("Ctrl+Q")} : quit_keys);
    quit->setMenuRole(QAction::QuitRole);
    QMenu* edit = menuBar()->addMenu("&Edit");
    edit->setObjectName("Edit1");
    edit->addAction(undo_);
    edit->addAction(redo_);
    edit->addSeparator();
    QAction* history = edit->addAction("&History...", this, &TFmain::History1Click);
    history->setObjectName("History1");
    history->setShortcut(QKeySequence("Ctrl+H"));
    edit_menu_ = edit; // Find joins it once the Stations page exists
    // The grid's orders, for the keyboard as for the header's clicks; they change the view, not the file.
    QMenu* view = menuBar()->addMenu("&View");
    view->setObjectName("View1");
    auto* orders = new QActionGroup(this);
    const struct {
        const char* text;
        const char* name;
        int column;
    } sorts[] = {{"&File Order", "SortFileOrder1", -1},
                 {"Sort by &ID", "SortById1", Station_grid_model::ID},
                 {"Sort by &Phone Number", "SortByPhone1", Station_grid_model::PHONE},
                 {"Sort by PI&N code", "SortByPin1", Station_grid_model::PIN},
                 {"Sort by &Memory used", "SortByMemory1", Station_grid_model::MEMORY},
                 {"Sort by P&roblems", "SortByProblems1", Station_grid_model::PROBLEMS},
                 {"Sort by &Description", "SortByDescription1", Station_grid_model::DESCRIPTION}};
    for (const auto& sort : sorts) {
        QAction* a = view->addAction(sort.text);
        a->setObjectName(sort.name);
        a->setCheckable(true);
        a->setChecked(sort.column < 0);
        a->setData(sort.column);
        orders->addAction(a);
        const int column = sort.column;
        connect(a, &QAction::triggered, this, [this, column] {
            station_view_->sort_by(column,
                                   sort_descending_->isChecked() ? Qt::DescendingOrder : Qt::AscendingOrder);
        });
        if (sort.column < 0) view->addSeparator();
    }
    view->addSeparator();
    sort_descending_ = view->addAction("Desc&ending");
    view->addSeparator();
    QAction* template_column = view->addAction("Show &Template Column");
    template_column->setObjectName("ShowTemplateColumn1");
    template_column->setCheckable(true);
    template_column->setStatusTip(
        "The template each station equals, or the nearest one and how many settings "
        "differ");
    connect(template_column, &QAction::toggled, this, [this, template_column](bool shown) {
        if (shown && !grid_model_->has_library() && !grid_model_->load_library()) {
            const QSignalBlocker quiet(template_column);
            template_column->setChecked(false);
            return;
        }
        grid_->setColumnHidden(Station_grid_model::TEMPLATE, !shown);
    });
    sort_descending_->setObjectName("SortDescending1");
    sort_descending_->setCheckable(true);
    connect(sort_descending_, &QAction::toggled, this, [this](bool descending) {
        const int column = grid_model_->order_column();
        if (column >= 0)
            station_view_->sort_by(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    });
    // The menu shows the order in force, whichever way it was chosen.
    connect(view, &QMenu::aboutToShow, this, [this, view] {
        const int column = grid_model_->order_column();
        for (QAction* a : view->actions())
            if (a->actionGroup() != nullptr) a->setChecked(a->data().toInt() == column);
        const QSignalBlocker quiet(sort_descending_);
        sort_descending_->setChecked(column >= 0 && grid_model_->order() == Qt::DescendingOrder);
        sort_into_file_order_->setEnabled(column >= 0);
    });
    QMenu* station = menuBar()->addMenu("&Station");
    station->setObjectName("Station1");
    station->addAction(edit_selected_);
    station->addAction(edit_together_action_);
    station->addAction(add_station_);
    station->addAction(duplicate_station_);
    station->addAction(delete_station_);
    station->addSeparator();
    QAction* save_template = station->addAction("Save as Te&mplate...", this, &TFmain::SaveAsTemplate1Click);
    save_template->setObjectName("SaveAsTemplate1");
    QAction* new_template = station->addAction("&New from Template...", this, &TFmain::NewFromTemplate1Click);
    new_template->setObjectName("NewFromTemplate1");
    QAction* apply_template =
        station->addAction("A&pply Template to Selected...", this, &TFmain::ApplyTemplate1Click);
    apply_template->setObjectName("ApplyTemplate1");
    QAction* library = station->addAction("Template &Library...", this, &TFmain::TemplateLibrary1Click);
    library->setObjectName("TemplateLibrary1");
    library->setStatusTip(
        "Choose the setup file that holds the templates (a shared folder works for a team)");
    station->addSeparator();
    sort_into_file_order_ =
        station->addAction("Sort into File &Order", this, &TFmain::SortIntoFileOrder1Click);
    sort_into_file_order_->setObjectName("SortIntoFileOrder1");
    sort_into_file_order_->setStatusTip(
        "Make the order the list is sorted in the order of the stations in the file");
    connect(station, &QMenu::aboutToShow, this,
            [this] { sort_into_file_order_->setEnabled(grid_model_->order_column() >= 0); });
    station->addSeparator();
    station->addAction(compare_stations_);
    QMenu* help = menuBar()->addMenu("&Help");
    help->setObjectName("About1");
    QAction* about = help->addAction("&About Korvandel", this, &TFmain::AboutKorvandel1Click);
    about->setObjectName("AboutKorvandel1");
}

void TFmain::fill_recent_menu() {
    recent_menu_->clear();
    const QStringList files = Preferences::recent_files();
    int number = 0;
    for (const QString& path : files) {
        // "&1 setup.xml", the whole path in the status tip; a file that is gone is shown, not offered.
        const QString shown = QString("&%1 %2").arg(++number).arg(QFileInfo(path).fileName());
        QAction* item = recent_menu_->addAction(shown, this, [this, path] { open_recent(path); });
        item->setStatusTip(path);
        item->setToolTip(path);
        item->setEnabled(QFileInfo(path).isFile());
    }
    if (!files.isEmpty()) recent_menu_->addSeparator();
    QAction* clear = recent_menu_->addAction("&Clear Menu", this, [this] {
        Preferences::clear_recent_files();
        fill_recent_menu();
    });
    clear->setObjectName("ClearRecent1");
    clear->setEnabled(!files.isEmpty());
    recent_menu_->setEnabled(true);
}

void TFmain::open_recent(const QString& path) {
    if (!maybe_save()) return;
    open_file(file_bytes(path));
}

QWidget* TFmain::build_com_ports_page() {
    auto* page = new QWidget;
    page->setObjectName("TabSheet1");
    auto* grid = new QGridLayout(page);
    ed_COM_direct_ = new Latin1_edit("ed_COM_direct", PORT_MAX_LENGTH, page);
    ed_COM_modem_ = new Latin1_edit("ed_COM_modem", PORT_MAX_LENGTH, page);
    grid->addWidget(field_label("COM port for &direct (cable) connection", ed_COM_direct_, page, "Label3"), 0,
                    0);
    grid->addWidget(ed_COM_direct_, 1, 0);
    grid->addWidget(example_label("for example \"COM1\"", page, "Label4"), 1, 1);
    grid->addWidget(field_label("COM port for &modem connection", ed_COM_modem_, page, "Label5"), 2, 0);
    grid->addWidget(ed_COM_modem_, 3, 0);
    grid->addWidget(example_label("for example \"COM2\"", page, "Label6"), 3, 1);
    grid->setRowStretch(4, 1);
    return page;
}

QWidget* TFmain::build_stations_page() {
    auto* page = new QWidget;
    page->setObjectName("TabSheet2");
    auto* outer = new QVBoxLayout(page);
    auto* group = new QGroupBox("Stations list", page);
    group->setObjectName("GroupBox1");
    auto* layout = new QVBoxLayout(group);
    grid_ = new QTableView(group);
    grid_->setObjectName("StringGrid_stations");
    grid_->setAccessibleName("Stations list");
    grid_->setAccessibleDescription("Return opens the selected station, Delete deletes it, the menu key "
                                    "offers the station commands");
    grid_model_ = new Station_grid_model(grid_);
    grid_->setModel(grid_model_);
    station_view_ = new Station_list_view(grid_, grid_model_, group, this);
    connect(station_view_, &Station_list_view::filter_wanted, this,
            [this, page] { pages_->setCurrentWidget(page); });
    layout->addLayout(station_view_->filter_row());
    grid_->verticalHeader()->setVisible(false); // no fixed column
    grid_->verticalHeader()->setDefaultSectionSize(18);
    grid_->horizontalHeader()->setVisible(false);           // no header texts until the first refresh
    grid_->horizontalHeader()->setStretchLastSection(true); // the description takes what is left
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setWordWrap(false);
    grid_->setTabKeyNavigation(false); // Tab leaves the grid for the buttons; arrows move between rows
    fit_columns();
    // The description's width follows the window; any other width that changes, the user set.
    connect(grid_->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column) {
        if (!sizing_columns_ && column + 1 < Station_grid_model::COLUMNS) widths_set_by_user_ = true;
    });
    connect(grid_, &QTableView::doubleClicked, this, [this] { Button7Click(); });
    // Return and Delete mean the selected station while the grid has the focus, and nowhere else.
    edit_selected_->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter),
                                  QKeySequence(Qt::KeypadModifier | Qt::Key_Enter)});
    delete_station_->setShortcut(QKeySequence::Delete);
    for (QAction* a : {edit_selected_, delete_station_}) {
        a->setShortcutContext(Qt::WidgetShortcut);
        grid_->addAction(a);
    }
    grid_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid_, &QWidget::customContextMenuRequested, this, &TFmain::show_grid_menu);
    layout->addWidget(grid_);
    auto* buttons = new QHBoxLayout;
    QPushButton* edit = button("Ed&it Selected", group, "Button7");
    QPushButton* add = button("&Add a new station", group, "Button5");
    QPushButton* duplicate = button("D&uplicate", group, "Button8");
    duplicate->setAccessibleName("Duplicate the selected stations");
    QPushButton* remove = button("&Delete selected station", group, "Button6");
    connect(edit, &QPushButton::clicked, this, &TFmain::Button7Click);
    connect(add, &QPushButton::clicked, this, &TFmain::Button5Click);
    connect(remove, &QPushButton::clicked, this, &TFmain::Button6Click);
    connect(duplicate, &QPushButton::clicked, this, &TFmain::Button8Click);
    buttons->addWidget(edit);
    buttons->addWidget(add);
    buttons->addWidget(duplicate);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    outer->addWidget(group);
    setTabOrder(station_view_->filter_box(), grid_);
    setTabOrder(grid_, edit);
    setTabOrder(edit, add);
    setTabOrder(add, duplicate);
    setTabOrder(duplicate, remove);
    return page;
}

QWidget* TFmain::build_directories_page() {
    auto* page = new QWidget;
    page->setObjectName("TabSheet3");
    auto* grid = new QGridLayout(page);
    ed_path_bin_ = new Latin1_edit("ed_path_bin", PATH_MAX_LENGTH, page);
    ed_path_xml_ = new Latin1_edit("ed_path_xml", PATH_MAX_LENGTH, page);
    QPushButton* browse_bin = button("&Browse...", page, "Button3");
    QPushButton* browse_xml = button("Br&owse...", page, "Button4");
    browse_bin->setAccessibleName("Browse for the BIN directory");
    browse_xml->setAccessibleName("Browse for the XML directory");
    connect(browse_bin, &QPushButton::clicked, this, &TFmain::Button3Click);
    connect(browse_xml, &QPushButton::clicked, this, &TFmain::Button4Click);
    grid->addWidget(field_label("Path to B&IN directory (flash downloaded file, binary format)", ed_path_bin_,
                                page, "Label1"),
                    0, 0, 1, 2);
    grid->addWidget(ed_path_bin_, 1, 0);
    grid->addWidget(browse_bin, 1, 1);
    grid->addWidget(field_label("Path to &XML directory (flash downloaded file, XML format)", ed_path_xml_,
                                page, "Label2"),
                    2, 0, 1, 2);
    grid->addWidget(ed_path_xml_, 3, 0);
    grid->addWidget(browse_xml, 3, 1);
    grid->setRowStretch(4, 1);
    setTabOrder(ed_path_bin_, browse_bin);
    setTabOrder(browse_bin, ed_path_xml_);
    setTabOrder(ed_path_xml_, browse_xml);
    return page;
}

void TFmain::build_bottom_panel() {
    auto* panel = new QWidget(centralWidget());
    panel->setObjectName("Panel1");
    panel->setFixedHeight(41);
    auto* layout = new QHBoxLayout(panel);
    lb_filename_ = new QLabel("-----", panel);
    lb_filename_->setObjectName("lb_filename");
    lb_filename_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    lb_filename_->setFocusPolicy(Qt::TabFocus); // a screen reader can reach the file's name
    lb_hint_ = new QLabel(panel);
    lb_hint_->setObjectName("lb_hint");
    lb_hint_->setWordWrap(true);
    bt_problems_ = button(QString(), panel, "bt_problems");
    bt_problems_->setVisible(false);
    connect(bt_problems_, &QPushButton::clicked, this, &TFmain::show_problems);
    layout->addWidget(lb_filename_);
    layout->addWidget(lb_hint_, 1);
    layout->addWidget(bt_problems_);
}

QStringList TFmain::edit_texts() const {
    return {ed_COM_direct_->text(), ed_COM_modem_->text(), ed_path_bin_->text(), ed_path_xml_->text()};
}

bool TFmain::is_modified() const {
    return !history_.is_clean() || edit_texts() != shown_edits_;
}

void TFmain::update_modified() {
    const bool modified = is_modified();
    setWindowModified(modified);
    // Save also acts on a new document with changes: it asks for a name as Save As does.
    save_->setEnabled((has_file() || modified) && !read_only_);
}

void TFmain::update_title() {
    const QString name =
        file_name_.empty() ? QString("Untitled") : QFileInfo(file_text(file_name_)).fileName();
    // "[*]" shows the modified mark; a literal "[*]" in a file name is doubled so that it stays text.
    setWindowTitle(QString("%1[*]%2 - %3")
                       .arg(QString(name).replace("[*]", "[*][*]"),
                            read_only_ ? QString(" (read-only)") : QString(), caption));
}

void TFmain::restore_place() {
    if (Preferences::restore_geometry(this, "main/geometry")) return;
    // A first run: wide enough for every column and a readable description, within the screen.
    int wanted = 220; // the description's share
    for (int c = 0; c + 1 < Station_grid_model::COLUMNS; ++c)
        wanted += grid_->columnWidth(c);
    wanted += 80; // the page's and the group's margins, the frames and the scroll bar
    const QScreen* screen = this->screen();
    const int room = screen != nullptr ? screen->availableGeometry().width() - 40 : wanted;
    if (width() < wanted) resize(std::min(wanted, std::max(room, width())), height());
}

void TFmain::mark_unchanged() {
    history_.clear();
    history_start_ = has_file() ? QString("Opened %1").arg(QFileInfo(file_text(file_name_)).fileName())
                                : QString("New document");
    shown_edits_ = edit_texts();
    update_history_actions();
}

void TFmain::show_fields() {
    const Tcomport* direct = setup_.comports.find_by_type(COMPORT_DIRECT);
    const Tcomport* modem = setup_.comports.find_by_type(COMPORT_MODEM);
    ed_COM_direct_->setText(direct != nullptr ? to_qstring(direct->port) : QString("COM1"));
    ed_COM_modem_->setText(modem != nullptr ? to_qstring(modem->port) : QString("COM2"));
    ed_path_bin_->setText(to_qstring(setup_.path_data_bin));
    ed_path_xml_->setText(to_qstring(setup_.path_data_xml));
}

void TFmain::show_step() {
    station_view_->follow(step_change_);
    if (step_change_.everything)
        fit_columns();
    else
        fit_phone_column(step_change_);
    step_change_ = Document_change::all();
}

void TFmain::refresh(bool grid_only) {
    if (!grid_only) show_fields();
    // The stations selected before stay selected, and the current one current, as long as they are shown.
    station_view_->fill(setup_);
    fit_columns();
}

namespace {
constexpr int column_padding = 24; // the header's margins and a sort mark
} // namespace

void TFmain::fit_phone_column(const Document_change& change) {
    if (widths_set_by_user_) return;
    int width = grid_->columnWidth(Station_grid_model::PHONE);
    for (const std::vector<int>* positions : {&change.inserted, &change.changed})
        for (int position : *positions)
            if (const Tstation* s = grid_model_->station_of(position))
                width = std::max(width, grid_->fontMetrics().horizontalAdvance(to_qstring(s->phone_nbr)) +
                                            column_padding);
    if (width == grid_->columnWidth(Station_grid_model::PHONE)) return;
    sizing_columns_ = true;
    grid_->setColumnWidth(Station_grid_model::PHONE, width);
    sizing_columns_ = false;
}

void TFmain::fit_columns() {
    // Header texts, phone numbers and memory figures are never cut: each column is at least as wide as its
    // header text, the memory column as "223 of 223", and the phone column as the longest number (by its
    // length in characters, so a large list costs one pass), until the user sizes a column. The description
    // takes what is left.
    if (widths_set_by_user_) return;
    std::string longest = "+41 79 000 00 00";
    for_each_item<Tstation>(setup_.stations.list, [&longest](const Tstation& s) {
        if (std::strlen(s.phone_nbr) > longest.size()) longest = s.phone_nbr;
    });
    const QFontMetrics header = grid_->horizontalHeader()->fontMetrics();
    const int padding = column_padding;
    sizing_columns_ = true;
    for (int c = 0; c + 1 < Station_grid_model::COLUMNS; ++c) {
        int width = std::max(
            Station_grid_model::column_widths[c],
            header.horizontalAdvance(grid_model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()) +
                padding);
        if (c == Station_grid_model::PHONE)
            width = std::max(width, grid_->fontMetrics().horizontalAdvance(to_qstring(longest)) + padding);
        if (c == Station_grid_model::MEMORY)
            width = std::max(width, grid_->fontMetrics().horizontalAdvance("223 of 223") + padding);
        grid_->setColumnWidth(c, width);
    }
    sizing_columns_ = false;
}

void TFmain::set_file_name(const std::string& name) {
    file_name_ = name;
    lb_filename_->setText(file_text(name));
    const QString spoken = name.empty() ? QString("Setup file: untitled") : "Setup file: " + file_text(name);
    lb_filename_->setAccessibleName(spoken);
    QAccessibleEvent event(lb_filename_, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
    update_title();
}

void TFmain::commit_edit(Latin1_edit* edit, bool every_field) {
    const Latin1_edit* const fields[] = {ed_COM_direct_, ed_COM_modem_, ed_path_bin_, ed_path_xml_};
    const int field =
        static_cast<int>(std::find(std::begin(fields), std::end(fields), edit) - std::begin(fields));
    if (field >= 4) return;
    if (!every_field && edit->text() == shown_edits_[field]) return;
    const std::string text = to_latin1(edit->text());
    std::unique_ptr<Document_command> command;
    switch (field) {
    case 0:
        command = change_comport_command(setup_, COMPORT_DIRECT, text);
        break;
    case 1:
        command = change_comport_command(setup_, COMPORT_MODEM, text);
        break;
    case 2:
        command = change_path_command(setup_, Data_path::BIN, text);
        break;
    default:
        command = change_path_command(setup_, Data_path::XML, text);
        break;
    }
    // A text the document holds already makes no step; either way the field now shows the document.
    if (!command || history_.push(std::move(command))) shown_edits_[field] = edit->text();
    update_history_actions();
}

void TFmain::commit_edits(bool every_field) {
    for (Latin1_edit* edit : {ed_COM_direct_, ed_COM_modem_, ed_path_bin_, ed_path_xml_})
        commit_edit(edit, every_field);
}

bool TFmain::save_to(const std::string& name, const std::string& label) {
    commit_edits(true);
    std::string reason;
    int result;
    Version_keeping versions;
    versions.keep = Preferences::keep_versions();
    versions.note.label = label;
    // The note is UTF-8 text; the steps are named in the document's Latin-1.
    for (const std::string& change : history_.changes_since_save())
        versions.note.changes.push_back(to_qstring(change).toUtf8().toStdString());
    // The file replaced is the one this document was read from or saved to, unless it changed since.
    const bool same_file = name == file_name_ && disk_->state() == Disk_state::same;
    versions.note.stations = same_file ? disk_stations_ : -1;
    {
        File_progress progress(this, File_progress::Work::SAVE, shown_name(name));
        result = setup_.write_file(name.c_str(), &reason, &progress, &versions);
    }
    if (result == FILE_CANCELLED) {
        Message_box::inform(this, "Save",
                            QString("Saving was cancelled; \"%1\" was left as it was.").arg(file_text(name)));
        return false;
    }
    if (result != 0) {
        Message_box::warn(this, "Save",
                          QString("The setup file \"%1\" could not be saved: %2.\nNothing was written.")
                              .arg(file_text(name), to_qstring(reason)));
        return false;
    }
    disk_stations_ = setup_.stations.list.count();
    if (!versions.told.empty()) tell(to_qstring(versions.told), 20000);
    return true;
}

bool TFmain::open_file(const std::string& path) {
    bool read_only = false, take_over = false;
    if (!ask_lock(path, &read_only, &take_over)) return false;
    std::string reason;
    Reading_collector notes;
    int result;
    {
        File_progress progress(this, File_progress::Work::OPEN, shown_name(path));
        result = setup_.read_file(path.c_str(), &reason, &notes, &progress);
    }
    if (result == FILE_CANCELLED) {
        Message_box::inform(this, "Open", "Opening was cancelled; nothing changed.");
        return false;
    }
    if (result != 0) {
        Message_box::warn(this, "Open",
                          QString("The setup file \"%1\" could not be opened: %2.")
                              .arg(file_text(path), to_qstring(reason)));
        return false;
    }
    set_read_only(read_only);
    set_file_name(path);
    own_file(path, take_over);
    disk_stations_ = setup_.stations.list.count();
    Preferences::add_recent_file(file_text(path));
    set_problems(notes); // before the grid reads the stations' problem counts
    refresh(false);
    pages_->setCurrentWidget(com_ports_page_);
    mark_unchanged();
    return true;
}

void TFmain::set_problems(const Reading_collector& notes) {
    problems_.clear();
    for (const Reading_note& note : notes.ordered())
        problems_ << to_qstring(note_words(note));
    if (notes.not_kept() > 0)
        problems_ << QString("%1 more problems were found; only the first %2 are listed.")
                         .arg(notes.not_kept())
                         .arg(Reading_collector::NOTES_KEPT);
    // Counted per station record, so that a count follows its station through deletes, undo and redo.
    count_station_notes(notes, setup_.stations);
    bt_problems_->setVisible(!problems_.isEmpty());
    const qulonglong count = notes.size();
    bt_problems_->setText(count == 1 ? QString("Opened with 1 &problem")
                                     : QString("Opened with %1 &problems").arg(count));
    bt_problems_->setAccessibleName(QString(bt_problems_->text()).remove('&') + ": show them");
    if (problems_window_ != nullptr) {
        if (problems_.isEmpty())
            problems_window_->close();
        else
            problems_window_->show_problems(file_text(file_name_), problems_);
    }
}

int TFmain::station_problems(const Tstation* station) const {
    return station != nullptr ? station->reading_notes : 0;
}

void TFmain::show_problems() {
    if (problems_.isEmpty()) return;
    if (problems_window_ == nullptr) problems_window_ = new TFproblems(this);
    problems_window_->show_problems(file_text(file_name_), problems_);
    problems_window_->show();
    problems_window_->raise();
    problems_window_->activateWindow();
}

bool TFmain::has_file() const {
    return !file_name_.empty();
}

bool TFmain::maybe_save() {
    if (!is_modified()) return true;
    const QString name = has_file() ? file_text(file_name_) : QString("the new setup file");
    switch (Message_box::ask_save(this, "Vemora Editor", QString("Save changes to %1?").arg(name))) {
    case Answer::SAVE:
        // Before any Open or Save As the name is only the dialogs' proposal: writing to it would replace
        // whatever file of that name lies in the working folder.
        if (has_file())
            Save1Click();
        else
            SaveAs1Click();
        return !is_modified(); // a save that failed or was cancelled keeps everything as it was
    case Answer::DISCARD:
        return true;
    default:
        return false;
    }
}

void TFmain::New1Click() {
    if (!maybe_save()) return;
    setup_.clear();
    setup_.set_defaults();
    set_read_only(false);
    set_file_name("");
    own_file("", false);
    refresh(false);
    set_problems(Reading_collector());
    mark_unchanged();
}

void TFmain::Open1Click() {
    if (!maybe_save()) return;
    const QString chosen = File_dialogs::open_file(this, has_file() ? file_text(file_name_) : proposed_name);
    if (chosen.isEmpty()) return;
    open_file(file_bytes(chosen));
}

void TFmain::Save1Click() {
    if (file_name_.empty()) { // after New there is no name to save to yet
        SaveAs1Click();
        return;
    }
    if (read_only_) {
        Message_box::inform(this, "Save",
                            "This document was opened read-only: another editor holds the file. Save As "
                            "writes it to another file.");
        return;
    }
    if (!disk_allows_save()) return;
    if (save_to(file_name_)) {
        own_file(file_name_, false);
        history_.set_clean();
        update_history_actions();
    }
}

void TFmain::SaveAs1Click() {
    const QString chosen = File_dialogs::save_file(this, file_text(file_name_));
    if (chosen.isEmpty()) return;
    const std::string path = file_bytes(chosen);
    // Save As onto the document's own file is Save: a change on disk asks first there too.
    if (path == file_name_ && read_only_) {
        Message_box::inform(this, "Save As",
                            "Another editor holds this file: choose another name for your copy.");
        return;
    }
    if (path == file_name_ && !disk_allows_save()) return;
    if (!save_to(path)) return; // the document was not saved under the new name
    set_read_only(false);
    set_file_name(path);
    own_file(path, false);
    Preferences::add_recent_file(chosen);
    history_.set_clean(); // the steps stay: undo goes on from the file as it was saved under this name
    update_history_actions();
}

void TFmain::Quit1Click() {
    close(); // the unsaved-changes question comes first, as for the window's close button
}

void TFmain::AboutKorvandel1Click() {
    if (about_ == nullptr) return;
    about_->show();
    about_->raise();
    about_->activateWindow();
}

void TFmain::browse(Latin1_edit* edit) {
    char chosen[512];
    QString refused;
    switch (browse_folder(this, chosen, sizeof chosen, to_latin1(edit->text()), &refused)) {
    case Browse_result::CHOSEN:
        edit->setText(to_qstring(chosen));
        commit_edit(edit);
        break;
    case Browse_result::REFUSED:
        Message_box::warn(
            this, "Choose a Folder",
            QString("The folder \"%1\" cannot be kept in the setup file: its path must be Latin-1 text "
                    "of at most %2 characters.")
                .arg(refused, QString::number(PATH_MAX_LENGTH))); // one pass: a "%2" in a name stays
        break;
    case Browse_result::CANCELLED:
        break; // the edit keeps what the user typed
    }
}

void TFmain::Button3Click() {
    browse(ed_path_bin_);
}

void TFmain::Button4Click() {
    browse(ed_path_xml_);
}

Tstation* TFmain::selected_station(bool* has_row) const {
    // The first selected in file order, whatever order the view shows.
    int first = -1;
    bool any = false;
    for (const QModelIndex& index : grid_->selectionModel()->selectedRows()) {
        any = any || !grid_model_->is_header_row(index.row()); // the header texts' row is no station's row
        const int position = grid_model_->position_at(index.row());
        if (position >= 0 && (first < 0 || position < first)) first = position;
    }
    *has_row = any;
    return first < 0 ? nullptr : grid_model_->station_at(grid_model_->row_of_position(first));
}

namespace {

// "Ctrl+Z" as the desktop writes it, for the messages that point at Undo.
QString undo_keys() {
    return QKeySequence(QKeySequence::Undo).toString(QKeySequence::NativeText);
}

// An action's text with the step it would undo or redo; '&' in the name is no mnemonic.
QString step_text(const char* verb, const std::string& name) {
    if (name.empty()) return verb;
    return QString("%1 %2").arg(verb, to_qstring(name).replace('&', "&&"));
}

} // namespace

bool TFmain::push(std::unique_ptr<Document_command> command) {
    if (!command) return false;
    if (!history_.push(std::move(command), &step_change_)) {
        step_change_ = Document_change::all();
        Message_box::warn(this, "Vemora Editor",
                          "The change could not be made: memory is short. The document was left as it was.");
        return false;
    }
    update_history_actions();
    return true;
}

void TFmain::update_history_actions() {
    undo_->setEnabled(history_.can_undo());
    redo_->setEnabled(history_.can_redo());
    undo_->setText(step_text("&Undo", history_.undo_name()));
    redo_->setText(step_text("&Redo", history_.redo_name()));
    if (history_window_ != nullptr) {
        QStringList steps;
        for (const std::string& name : history_.names())
            steps << to_qstring(name);
        size_t saved = 0;
        history_window_->show_history(history_start_, steps, static_cast<int>(history_.index()),
                                      history_.clean_index(&saved) ? static_cast<int>(saved) : -1);
    }
    update_modified();
}

void TFmain::tell(const QString& text, int milliseconds) {
    statusBar()->showMessage(text, milliseconds);
    // A screen reader hears it as it appears: the bar's name is what it says now.
    statusBar()->setAccessibleName(text);
    send_accessible_event(statusBar(), QAccessible::Alert);
}

void TFmain::history_moved(const QString& told, const Document_change& change) {
    // The fields are shown again from the document, and the grid follows what the steps did: the
    // selection stays on its stations. When the step took the selected stations away, the row the
    // keyboard was on is selected, as after Delete.
    const int row = grid_->currentIndex().row();
    show_fields();
    step_change_ = change;
    show_step();
    shown_edits_ = edit_texts();
    if (row >= 0 && grid_->selectionModel()->selectedRows().isEmpty()) select_row(row);
    update_history_actions();
    tell(told, 10000);
}

void TFmain::Undo1Click() {
    commit_edits(false); // a field left with new text is a step of its own, undone first
    if (!history_.can_undo()) return;
    const std::string name = history_.undo_name();
    Document_change change;
    if (!history_.undo(&change)) {
        Message_box::warn(this, "Undo", "\"" + to_qstring(name) + "\" could not be undone: memory is short.");
        return;
    }
    history_moved("Undone: " + to_qstring(name), change);
}

void TFmain::Redo1Click() {
    commit_edits(false); // new text in a field is a new step, which drops the steps undone
    if (!history_.can_redo()) return;
    const std::string name = history_.redo_name();
    Document_change change;
    if (!history_.redo(&change)) {
        Message_box::warn(this, "Redo", "\"" + to_qstring(name) + "\" could not be redone: memory is short.");
        return;
    }
    history_moved("Redone: " + to_qstring(name), change);
}

void TFmain::History1Click() {
    if (history_window_ == nullptr) {
        history_window_ = new TFhistory(this);
        connect(history_window_, &TFhistory::state_chosen, this, [this](int done) {
            commit_edits(false);
            if (done < 0 || static_cast<size_t>(done) == history_.index()) return;
            const bool back = static_cast<size_t>(done) < history_.index();
            Document_change change;
            const bool moved = history_.move_to(static_cast<size_t>(done), &change);
            history_moved(moved ? QString(back ? "Went back to: %1" : "Went forward to: %1")
                                      .arg(done == 0 ? history_start_ : to_qstring(history_.name(done - 1)))
                                : QString("A step could not be undone or redone: memory is short."),
                          change);
        });
    }
    update_history_actions();
    history_window_->show();
    history_window_->raise();
    history_window_->activateWindow();
}

void TFmain::select_row(int row) {
    const int rows = grid_model_->station_count();
    if (rows == 0) return;
    row = std::max(0, std::min(row, rows - 1));
    grid_->selectionModel()->setCurrentIndex(grid_model_->index(row, 0),
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TFmain::select_positions(const std::vector<int>& positions) {
    QItemSelection selection;
    int first = -1;
    for (int position : positions) {
        const int row = grid_model_->row_of_position(position);
        if (row < 0) continue;
        if (first < 0) first = row;
        selection.select(grid_model_->index(row, 0), grid_model_->index(row, grid_model_->columnCount() - 1));
    }
    if (first < 0) return;
    grid_->selectionModel()->setCurrentIndex(grid_model_->index(first, 0), QItemSelectionModel::NoUpdate);
    grid_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    grid_->scrollTo(grid_model_->index(first, 0));
}

void TFmain::SortIntoFileOrder1Click() {
    const std::vector<int> order = grid_model_->ordered_positions();
    if (order.empty()) {
        tell("The list is in file order already: sort it by a column first (View menu or a header click).");
        return;
    }
    if (!push(sort_stations_command(setup_, order))) {
        tell("The stations are in this order in the file already.");
        return;
    }
    station_view_->sort_by(-1, Qt::AscendingOrder); // the file's order is now the one that was shown
    show_step();
    tell(QString("The stations now stand in this order in the file - %1 to undo").arg(undo_keys()));
}

void TFmain::Button6Click() {
    const std::vector<std::pair<int, Tstation*>> chosen = selected_stations();
    if (chosen.empty()) return;
    int top_row = grid_model_->station_count();
    for (const QModelIndex& index : grid_->selectionModel()->selectedRows())
        top_row = std::min(top_row, index.row());
    std::vector<int> positions;
    for (const auto& [position, station] : chosen)
        positions.push_back(position - 1);
    if (!push(delete_stations_command(setup_, positions))) return;
    show_step();
    // The row that takes the first deleted one's place is selected, so that the keyboard goes on from there.
    grid_->selectionModel()->clearSelection();
    select_row(top_row);
    tell(QString("Deleted %1 - %2 to undo")
             .arg(chosen.size() == 1 ? QString("1 station") : QString("%1 stations").arg(chosen.size()),
                  undo_keys()),
         10000);
}

void TFmain::Button7Click() {
    if (selected_stations().size() > 1) { // Return on several stations edits them together
        EditTogether1Click();
        return;
    }
    bool has_row;
    Tstation* station = selected_station(&has_row);
    if (!has_row || station == nullptr || !edit_station_) return;
    int position = -1;
    for (const auto& [p, s] : selected_stations())
        if (s == station) position = p - 1;
    const Tstation before = *station; // the editor works on the record itself
    if (!edit_station_(station, false)) return;
    const Tstation after = *station;
    *station = before; // the step makes the change, so that undo has what it was
    if (!push(edit_station_command(setup_, position, before, after))) {
        *station = after; // nothing Save writes changed; what the editor tidied stays
        return;
    }
    show_step(); // one station's facts again, not the whole fleet's; it stays shown
}

void TFmain::keep_visible_at(int position) {
    const Tlist::Tnode* node = setup_.stations.list.node_at(position);
    if (node != nullptr) grid_model_->keep_visible(static_cast<const Tstation*>(node->item));
}

namespace {

QString station_text(int position, int32_t id) {
    return QString("station %1 (id %2)").arg(position + 1).arg(id);
}

} // namespace

void TFmain::EditTogether1Click() {
    const std::vector<std::pair<int, Tstation*>> chosen = selected_stations();
    if (chosen.empty() || !edit_together_) return;
    if (chosen.size() == 1) {
        Button7Click(); // one station: the ordinary editor
        return;
    }
    std::vector<int> positions;
    int spares = 0;
    for (const auto& [position, station] : chosen) {
        positions.push_back(position - 1);
        spares += is_spare(*station) ? 1 : 0;
    }
    Together_request request;
    request.spares = spares;
    // Only spares selected: they are what the user means to edit.
    Bulk_options shown;
    shown.include_spares = spares == static_cast<int>(chosen.size());
    request.view = together_view(setup_, positions, shown);
    request.title = QString("Edit %1 stations").arg(chosen.size());
    const auto plan = [this, positions, shown](const std::vector<Control_change>& changes, bool include) {
        Bulk_options options;
        options.include_spares = include || shown.include_spares;
        return plan_bulk_edit(setup_, positions, changes, options);
    };
    request.check = [plan](const std::vector<Control_change>& changes, bool include) {
        const Bulk_plan p = plan(changes, include);
        Together_check check;
        QStringList refused;
        if (!p.problem.empty()) refused << to_qstring(p.problem);
        for (const Bulk_station& s : p.stations)
            if (s.outcome == Bulk_outcome::REFUSED)
                refused << QString("%1: %2").arg(station_text(s.position, s.id), to_qstring(s.refusal));
        check.refused = refused.join('\n');
        if (p.worst >= 0) {
            const Bulk_station& w = p.stations[static_cast<size_t>(p.worst)];
            check.meter = QString("Worst case %1 of %2 bytes, %3")
                              .arg(w.bytes_needed)
                              .arg(IMAGE_USABLE)
                              .arg(station_text(w.position, w.id));
            if (w.bytes_needed > IMAGE_USABLE) check.meter += ": too many for the station";
        }
        return check;
    };
    std::vector<Control_change> changes;
    bool include_spares = false;
    if (!edit_together_(request, &changes, &include_spares) || changes.empty()) return;
    Bulk_plan final_plan = plan(changes, include_spares);
    if (final_plan.refused()) return; // the editor refused OK already; the document is as it was
    const size_t changed = final_plan.count(Bulk_outcome::CHANGED);
    if (changed == 0) {
        tell("The changes leave every selected station as it was: nothing to do.");
        return;
    }
    QStringList lines;
    for (const Review_line& line : bulk_review(final_plan))
        lines << to_qstring(line.text);
    QString summary = QString("%1 of the %2 selected stations change:").arg(changed).arg(chosen.size());
    const size_t unchanged = final_plan.count(Bulk_outcome::UNCHANGED);
    const size_t left = final_plan.count(Bulk_outcome::SPARE);
    if (unchanged > 0) summary += QString(" %1 already hold these settings.").arg(unchanged);
    if (left > 0) summary += QString(" %1 with nothing configured are left alone.").arg(left);
    if (Message_box::review(this, request.title, summary, lines,
                            QString("&Apply to %1 stations").arg(changed), "Cancel") != Answer::OK)
        return;
    std::vector<int> edited = final_plan.positions;
    if (!push(bulk_edit_command(setup_, std::move(final_plan)))) return;
    for (int position : edited)
        keep_visible_at(position);
    show_step();
    tell(QString("Edited %1 stations - %2 to undo").arg(changed).arg(undo_keys()));
}

namespace {

QString count_text(size_t n, const char* one, const char* many) {
    return n == 1 ? QString("1 %1").arg(one) : QString("%1 %2").arg(n).arg(many);
}

QString csv_proposal(const std::string& file_name) {
    return file_name.empty() ? QString("stations.csv")
                             : QFileInfo(file_text(file_name)).completeBaseName() + "-stations.csv";
}

} // namespace

void TFmain::ExportCsv1Click() {
    // The stations the grid shows (all of them without a filter), in file order.
    std::vector<int> positions;
    for (int row = 0; row < grid_model_->station_count(); ++row)
        if (grid_model_->position_at(row) >= 0) positions.push_back(grid_model_->position_at(row));
    std::sort(positions.begin(), positions.end());
    if (positions.empty()) {
        Message_box::inform(this, "Export", "There is no station to export.");
        return;
    }
    const QString chosen = File_dialogs::save_csv(this, "Export Stations as CSV", csv_proposal(file_name_));
    if (chosen.isEmpty()) return;
    std::ostringstream csv;
    write_stations_csv(setup_, positions, Csv_encoding::UTF8, csv);
    const std::string bytes = csv.str();
    std::string reason;
    const int result = save_file(
        file_bytes(chosen).c_str(),
        [&bytes](FILE* f) { return std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() ? 0 : EIO; },
        &reason);
    if (result != 0) {
        Message_box::warn(this, "Export",
                          QString("\"%1\" could not be written: %2.\nNothing was written.")
                              .arg(chosen, to_qstring(reason)));
        return;
    }
    tell(QString("Exported %1 to %2")
             .arg(count_text(positions.size(), "station", "stations"), QFileInfo(chosen).fileName()));
}

void TFmain::ImportCsv1Click() {
    const QString chosen = File_dialogs::open_csv(this, "Update Stations from CSV", csv_proposal(file_name_));
    if (chosen.isEmpty()) return;
    QFile file(chosen);
    constexpr qint64 largest = qint64{1} << 30;
    if (!file.open(QIODevice::ReadOnly) || file.size() > largest) {
        Message_box::warn(this, "Import",
                          file.size() > largest
                              ? QString("\"%1\" is larger than 1 GB: no station list is.").arg(chosen)
                              : QString("\"%1\" could not be read: %2.").arg(chosen, file.errorString()));
        return;
    }
    const QByteArray read = file.readAll();
    const std::string bytes(read.constData(), static_cast<size_t>(read.size()));
    const std::string shown = file_bytes(QFileInfo(chosen).fileName());
    Csv_import_options options;
    Csv_import_plan plan = plan_csv_import(setup_, bytes, options);
    if (!plan.refused() && !plan.unknown.empty()) {
        QStringList ids;
        for (const Csv_unknown& u : plan.unknown)
            if (ids.size() < 10) ids << QString::number(u.id);
        if (plan.unknown.size() > 10) ids << "...";
        if (Message_box::confirm(this, "Import",
                                 QString("%1 of the spreadsheet name IDs that no station has: %2.")
                                     .arg(count_text(plan.unknown.size(), "row", "rows"), ids.join(", ")),
                                 "&Add them as new stations", "&Leave them out") == Answer::OK) {
            options.add_missing = true;
            plan = plan_csv_import(setup_, bytes, options);
        }
    }
    if (plan.refused()) {
        QStringList lines;
        for (const Csv_problem& p : plan.problems)
            if (lines.size() < 20) lines << to_qstring(csv_problem_text(shown, p));
        if (plan.problems.size() > 20) lines << QString("... and %1 more.").arg(plan.problems.size() - 20);
        Message_box::warn(this, "Import",
                          "The spreadsheet was not applied; nothing changed:\n" + lines.join('\n'));
        return;
    }
    if (plan.changes() == 0) {
        tell(QString("%1 changes no station.").arg(QFileInfo(chosen).fileName()));
        return;
    }
    QStringList lines;
    for (const Review_line& line : bulk_review(plan.edits))
        lines << to_qstring(line.text);
    for (const Tstation& added : plan.added)
        lines << QString("New station %1 \"%2\"").arg(added.id).arg(to_qstring(added.description));
    const QString summary = QString("%1 of %2 change %3 and add %4:")
                                .arg(QFileInfo(chosen).fileName(), count_text(plan.rows, "row", "rows"),
                                     count_text(plan.edits.positions.size(), "station", "stations"),
                                     count_text(plan.added.size(), "station", "stations"));
    if (Message_box::review(this, "Update Stations from CSV", summary, lines, "&Apply", "Cancel") !=
        Answer::OK)
        return;
    std::vector<int> edited = plan.edits.positions;
    const size_t changed = plan.changes();
    if (!push(csv_import_command(setup_, std::move(plan)))) return;
    for (int position : edited)
        keep_visible_at(position);
    show_step();
    tell(QString("Updated %1 from %2 - %3 to undo")
             .arg(count_text(changed, "station", "stations"), QFileInfo(chosen).fileName(), undo_keys()));
}

bool TFmain::read_templates(Template_library* library) {
    const QString path = Preferences::template_library();
    std::string problem;
    if (path.isEmpty() || !library->read(file_bytes(path), &problem)) {
        Message_box::warn(this, "Templates",
                          path.isEmpty()
                              ? QString("No template library is chosen: Station > Template Library.")
                              : QString("The template library \"%1\" could not be read: %2.")
                                    .arg(path, to_qstring(problem)));
        return false;
    }
    return true;
}

int TFmain::choose_template(const Template_library& library, const QString& title) {
    if (library.size() == 0) {
        Message_box::inform(this, title,
                            QString("The template library \"%1\" holds no template yet: select a station and "
                                    "use Station > Save as Template.")
                                .arg(Preferences::template_library()));
        return -1;
    }
    QStringList names;
    for (size_t i = 0; i < library.size(); ++i)
        names << to_qstring(library.name(i));
    bool ok = false;
    const QString name = QInputDialog::getItem(this, title, "&Template:", names, 0, false, &ok);
    return ok ? static_cast<int>(names.indexOf(name)) : -1;
}

void TFmain::SaveAsTemplate1Click() {
    const std::vector<std::pair<int, Tstation*>> chosen = selected_stations();
    if (chosen.size() != 1) {
        Message_box::inform(this, "Save as Template", "Select the one station to make a template of.");
        return;
    }
    Template_library library;
    if (!read_templates(&library)) return;
    bool ok = false;
    const QString name =
        QInputDialog::getText(this, "Save as Template", "&Name of the template:", QLineEdit::Normal,
                              to_qstring(chosen.front().second->description), &ok)
            .trimmed();
    if (!ok || name.isEmpty()) return;
    if (!is_latin1(name)) {
        Message_box::warn(this, "Save as Template", "The name must be Latin-1 text, as a description is.");
        return;
    }
    std::string problem;
    bool replaced = false;
    if (!library.put(*chosen.front().second, to_latin1(name), &problem, &replaced) ||
        !library.write(file_bytes(Preferences::template_library()), &problem)) {
        Message_box::warn(this, "Save as Template",
                          QString("The template was not saved: %1.").arg(to_qstring(problem)));
        return;
    }
    if (grid_model_->has_library()) grid_model_->load_library();
    tell(QString("%1 template \"%2\" in %3")
             .arg(replaced ? "Replaced the" : "Saved the", name,
                  QFileInfo(Preferences::template_library()).fileName()));
}

void TFmain::NewFromTemplate1Click() {
    Template_library library;
    if (!edit_station_ || !read_templates(&library)) return;
    const int chosen = choose_template(library, "New from Template");
    if (chosen < 0) return;
    // The template's configuration with an identity of its own: the next free ID, no phone number or PIN.
    Station_copy copy = duplicate_station(library.at(static_cast<size_t>(chosen)), next_free_id(setup_));
    if (!copy.station) return;
    copy.station->description[0] = '\0';
    if (!edit_station_(copy.station.get(), true)) return;
    const int position = setup_.stations.list.count();
    if (!push(add_station_command(setup_, position, *copy.station))) return;
    keep_visible_at(position);
    show_step();
    select_positions({position});
}

void TFmain::ApplyTemplate1Click() {
    const std::vector<std::pair<int, Tstation*>> chosen = selected_stations();
    if (chosen.empty()) {
        Message_box::inform(this, "Apply Template", "Select the stations to apply a template to first.");
        return;
    }
    Template_library library;
    if (!read_templates(&library)) return;
    const int index = choose_template(library, "Apply Template to Selected");
    if (index < 0) return;
    // Which parts of the template: each page, the SMS number apart.
    QDialog pages_dialog(this);
    pages_dialog.setObjectName("Fapply_template");
    pages_dialog.setWindowTitle("Apply Template to Selected");
    auto* layout = new QVBoxLayout(&pages_dialog);
    layout->addWidget(new QLabel(QString("Apply \"%1\" to %2 by these pages:")
                                     .arg(to_qstring(library.name(static_cast<size_t>(index))))
                                     .arg(count_text(chosen.size(), "station", "stations")),
                                 &pages_dialog));
    const struct {
        const char* text;
        const char* name;
        unsigned page;
    } choices[] = {{"&GSM timing", "cb_page_gsm", PAGE_GSM},
                   {"&Acquisition timing", "cb_page_acq", PAGE_ACQ},
                   {"&Slow Sequence", "cb_page_slow", PAGE_SLOW},
                   {"&Fast Sequence", "cb_page_fast", PAGE_FAST},
                   {"&Remote sequence", "cb_page_remote", PAGE_REMOTE},
                   {"SMS &number", "cb_page_sms", PAGE_SMS}};
    std::vector<std::pair<QCheckBox*, unsigned>> boxes;
    for (const auto& c : choices) {
        auto* box = new QCheckBox(c.text, &pages_dialog);
        box->setObjectName(c.name);
        box->setChecked(c.page != PAGE_SMS); // a SIM's number is changed on purpose only
        layout->addWidget(box);
        boxes.emplace_back(box, c.page);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &pages_dialog);
    connect(buttons, &QDialogButtonBox::accepted, &pages_dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &pages_dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (pages_dialog.exec() != QDialog::Accepted) return;
    unsigned pages = 0;
    for (const auto& [box, page] : boxes)
        pages |= box->isChecked() ? page : 0u;
    if (pages == 0) return;
    std::vector<int> positions;
    for (const auto& [position, station] : chosen)
        positions.push_back(position - 1);
    Bulk_plan plan =
        plan_bulk_edit(setup_, positions, template_changes(library.at(static_cast<size_t>(index)), pages));
    if (plan.refused()) {
        QStringList refused;
        if (!plan.problem.empty()) refused << to_qstring(plan.problem);
        for (const Bulk_station& st : plan.stations)
            if (st.outcome == Bulk_outcome::REFUSED)
                refused << QString("%1: %2").arg(station_text(st.position, st.id), to_qstring(st.refusal));
        Message_box::warn(this, "Apply Template",
                          "These stations cannot take the template; nothing was changed:\n" +
                              refused.join('\n'));
        return;
    }
    const size_t changed = plan.count(Bulk_outcome::CHANGED);
    if (changed == 0) {
        tell("The selected stations hold these settings of the template already: nothing to do.");
        return;
    }
    QStringList lines;
    for (const Review_line& line : bulk_review(plan))
        lines << to_qstring(line.text);
    QString summary = QString("\"%1\" changes %2 of the %3 selected:")
                          .arg(to_qstring(library.name(static_cast<size_t>(index))),
                               count_text(changed, "station", "stations"))
                          .arg(chosen.size());
    if (plan.count(Bulk_outcome::SPARE) > 0)
        summary +=
            QString(" %1 with nothing configured are left alone.").arg(plan.count(Bulk_outcome::SPARE));
    if (Message_box::review(this, "Apply Template to Selected", summary, lines,
                            QString("&Apply to %1").arg(count_text(changed, "station", "stations")),
                            "Cancel") != Answer::OK)
        return;
    std::vector<int> edited = plan.positions;
    if (!push(bulk_edit_command(setup_, std::move(plan)))) return;
    for (int position : edited)
        keep_visible_at(position);
    show_step();
    tell(QString("Applied the template to %1 - %2 to undo")
             .arg(count_text(changed, "station", "stations"), undo_keys()));
}

void TFmain::TemplateLibrary1Click() {
    const QString chosen = File_dialogs::save_file(this, Preferences::template_library());
    if (chosen.isEmpty()) return;
    Template_library library;
    std::string problem;
    if (!library.read(file_bytes(chosen), &problem)) {
        Message_box::warn(this, "Template Library",
                          QString("\"%1\" is no template library: %2.").arg(chosen, to_qstring(problem)));
        return;
    }
    Preferences::set_template_library(chosen);
    if (grid_model_->has_library()) grid_model_->load_library();
    tell(QString("Templates are kept in %1 (%2)")
             .arg(chosen, count_text(library.size(), "template", "templates")));
}

void TFmain::Button5Click() {
    if (!edit_station_) return;
    Tstation station;
    station.id = Station_ids(grid_model_->facts()).next_free(); // an ID no other station has
    if (!edit_station_(&station, true)) return;
    const int position = setup_.stations.list.count();
    if (!push(add_station_command(setup_, position, station))) return;
    keep_visible_at(position);
    show_step();
    select_positions({position});
}

void TFmain::Button8Click() {
    const std::vector<std::pair<int, Tstation*>> chosen = selected_stations();
    if (chosen.empty()) return;
    Station_ids ids(grid_model_->facts()); // the grid's facts follow every step: no pass over the stations
    std::vector<int> sources;
    std::vector<Tstation> copies;
    QStringList shortened;
    for (const auto& [position, station] : chosen) {
        int32_t id = 0;
        if (!ids.free_above(station->id, &id)) {
            Message_box::warn(this, "Duplicate",
                              QString("Station %1 (id %2) cannot be duplicated: every ID above its own is in "
                                      "use. Nothing was duplicated.")
                                  .arg(position)
                                  .arg(station->id));
            return;
        }
        ids.take(id);
        Station_copy copy = duplicate_station(*station, id);
        if (!copy.station) {
            Message_box::warn(this, "Duplicate", "Memory is short: nothing was duplicated.");
            return;
        }
        if (copy.description_shortened) shortened << QString::number(station->id);
        sources.push_back(position - 1);
        copies.push_back(*copy.station);
    }
    // One station: the editor opens on its copy, and Cancel discards it. Several are copied as they are.
    if (copies.size() == 1 && edit_station_ && !edit_station_(&copies.front(), false)) return;
    if (!push(duplicate_stations_command(setup_, sources, copies))) return;
    std::vector<int> placed; // each copy right behind its source, the earlier copies moving it down
    for (size_t i = 0; i < sources.size(); ++i) {
        placed.push_back(sources[i] + static_cast<int>(i) + 1);
        keep_visible_at(placed.back());
    }
    show_step();
    select_positions(placed);
    QString told = copies.size() == 1
                       ? QString("Duplicated station %1 as %2 - %3 to undo")
                             .arg(chosen.front().second->id)
                             .arg(copies.front().id)
                             .arg(undo_keys())
                       : QString("Duplicated %1 stations - %2 to undo").arg(copies.size()).arg(undo_keys());
    if (!shortened.isEmpty())
        told += QString(". The description of the copy of %1 was shortened to fit 255 characters.")
                    .arg(shortened.join(", "));
    tell(told, 15000);
}

void TFmain::show_grid_menu(const QPoint& at) {
    // A click outside the selection selects the row under it first; from the keyboard the menu opens at the
    // current row.
    QPoint place = at;
    const QModelIndex under = grid_->indexAt(at);
    if (under.isValid()) {
        if (!grid_->selectionModel()->isRowSelected(under.row(), QModelIndex()))
            grid_->selectRow(under.row());
    } else if (grid_->currentIndex().isValid()) {
        place = grid_->visualRect(grid_->currentIndex()).center();
    }
    QMenu menu(this);
    menu.setObjectName("StationMenu");
    menu.addAction(edit_selected_);
    menu.addAction(edit_together_action_);
    menu.addAction(add_station_);
    menu.addAction(duplicate_station_);
    menu.addAction(delete_station_);
    menu.addSeparator();
    menu.addAction(compare_stations_);
    menu.exec(grid_->viewport()->mapToGlobal(place));
}

namespace {

// The one local file a drop carries, or an empty text.
QString dropped_file(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) return QString();
    const QUrl& url = data->urls().first();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

} // namespace

void TFmain::dragEnterEvent(QDragEnterEvent* event) {
    if (!dropped_file(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TFmain::dropEvent(QDropEvent* event) {
    const QString path = dropped_file(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    // The question about unsaved changes waits until the drag has ended.
    QTimer::singleShot(0, this, [this, path] {
        if (maybe_save()) open_file(file_bytes(path));
    });
}

void TFmain::closeEvent(QCloseEvent* event) {
    if (maybe_save()) {
        Preferences::save_geometry(this, "main/geometry");
        disk_->release_lock();
        event->accept();
    } else {
        event->ignore();
    }
}

std::vector<std::pair<int, Tstation*>> TFmain::selected_stations() const {
    std::vector<std::pair<int, Tstation*>> chosen;
    for (const QModelIndex& index : grid_->selectionModel()->selectedRows())
        if (Tstation* s = grid_model_->station_at(index.row()))
            chosen.emplace_back(grid_model_->position_at(index.row()) + 1, s);
    std::sort(chosen.begin(), chosen.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return chosen;
}

TFcompare* TFmain::compare_window() {
    if (compare_window_ == nullptr) compare_window_ = new TFcompare(this);
    return compare_window_;
}

namespace {

QString station_name(int position, int32_t id) {
    return QString("station %1 (id %2)").arg(position).arg(id);
}

// The rows of two stations' comparison: a heading per group of settings, then the record lines that no
// setting explains.
void add_station_rows(const Station_comparison& c, QList<Compare_row>& rows) {
    int group = -1;
    for (const Setting_row& r : c.rows) {
        if (r.group != group) {
            group = r.group;
            rows.append({true, to_qstring(setting_group_captions[group]), {}, {}, false});
        }
        rows.append({false, to_qstring(r.label), r.in_a ? to_qstring(r.a) : QString("(not stored)"),
                     r.in_b ? to_qstring(r.b) : QString("(not stored)"), r.differs});
    }
    if (c.raw.empty()) return;
    rows.append({true, "Record lines that no setting shows", {}, {}, false});
    for (const Raw_line& line : c.raw)
        rows.append({false, "record", line.side == 'a' ? to_qstring(line.text) : QString(),
                     line.side == 'b' ? to_qstring(line.text) : QString(), true});
}

} // namespace

void TFmain::CompareStations1Click() {
    const std::vector<std::pair<int, Tstation*>> chosen = selected_stations();
    if (chosen.size() != 2) {
        Message_box::inform(
            this, "Compare",
            "Select two stations to compare: click one, then Ctrl+click the other (or Shift+Down "
            "from the keyboard).");
        return;
    }
    Compare_options options;
    options.all_rows = true; // the window shows the differing ones first, all on its switch
    const Station_comparison c = compare_stations(*chosen[0].second, *chosen[1].second, options);
    QList<Compare_row> rows;
    add_station_rows(c, rows);
    const QString left = station_name(chosen[0].first, chosen[0].second->id);
    const QString right = station_name(chosen[1].first, chosen[1].second->id);
    size_t differing = 0;
    for (const Setting_row& r : c.rows)
        differing += r.differs ? 1 : 0;
    QString verdict;
    if (c.equal)
        verdict =
            QString("%1 and %2 are equal: Save writes the same configuration for both.").arg(left, right);
    else
        verdict = QString("%1 differ between %2 (left) and %3 (right)%4.")
                      .arg(count_text(differing, "setting", "settings"), left, right,
                           c.raw.empty() ? QString() : QString(", and record lines that no setting shows"));
    TFcompare* window = compare_window();
    window->show_comparison("Compare stations", left, right, rows, verdict);
    window->show();
    window->raise();
    window->activateWindow();
}

void TFmain::CompareWithFile1Click() {
    const QString chosen = File_dialogs::open_file(this, has_file() ? file_text(file_name_) : proposed_name);
    if (chosen.isEmpty()) return;
    const std::string path = file_bytes(chosen);
    Tsetup other;
    std::string reason;
    int result;
    {
        File_progress progress(this, File_progress::Work::OPEN, shown_name(path));
        result = other.read_file(path.c_str(), &reason, nullptr, &progress);
    }
    if (result == FILE_CANCELLED) return;
    if (result != 0) {
        Message_box::warn(
            this, "Compare with File",
            QString("The setup file \"%1\" could not be read: %2.").arg(chosen, to_qstring(reason)));
        return;
    }
    commit_edits(true); // the document as Save would write it now, unsaved changes included
    show_comparison_with(other, "Compare with File", QFileInfo(chosen).fileName(), "\"" + chosen + "\"");
}

void TFmain::show_comparison_with(Tsetup& other, const QString& title, const QString& there,
                                  const QString& named) {
    Compare_options options;
    options.all_rows = true;
    const Document_comparison d = compare_documents(setup_, other, options);
    const QString here = "this document";
    QList<Compare_row> rows;
    if (!d.fields.empty()) {
        rows.append({true, "Paths and COM ports", {}, {}, false});
        for (const Field_change& f : d.fields)
            rows.append({false, to_qstring(f.label), to_qstring(f.a), to_qstring(f.b), true});
    }
    for (const Station_pair& p : d.pairs) {
        rows.append(
            {true,
             QString("%1 in %2 / %3 in %4%5")
                 .arg(station_name(p.a.position, p.a.id), here, station_name(p.b.position, p.b.id), there,
                      p.by_position ? QString(" (the id repeats: matched by position)") : QString()),
             {},
             {},
             false});
        add_station_rows(p.comparison, rows);
    }
    for (const Station_ref& s : d.only_a)
        rows.append(
            {true, QString("%1 only in %2").arg(station_name(s.position, s.id), here), {}, {}, false});
    for (const Station_ref& s : d.only_b)
        rows.append(
            {true, QString("%1 only in %2").arg(station_name(s.position, s.id), there), {}, {}, false});
    QString verdict;
    if (d.equal) {
        verdict = QString("This document and %1 are equal: Save would write the same file.").arg(named);
    } else {
        QStringList parts;
        if (!d.pairs.empty()) parts << count_text(d.pairs.size(), "station differs", "stations differ");
        if (!d.only_a.empty())
            parts << QString("%1 only here").arg(count_text(d.only_a.size(), "station", "stations"));
        if (!d.only_b.empty())
            parts << QString("%1 only in the file").arg(count_text(d.only_b.size(), "station", "stations"));
        if (!d.fields.empty()) parts << "the paths or COM ports differ";
        if (d.order_differs) parts << "the stations stand in another order";
        verdict = QString("This document (left) and %1 (right) differ: %2.").arg(named, parts.join("; "));
    }
    TFcompare* window = compare_window();
    window->show_comparison(title, here, there, rows, verdict);
    window->show();
    window->raise();
    window->activateWindow();
}

void TFmain::PrintSheet1Click() {
    const std::vector<std::pair<int, Tstation*>> chosen = selected_stations();
    if (chosen.empty()) {
        Message_box::inform(this, "Print Station Sheet", "Select the stations to print first.");
        return;
    }
    QList<Station_sheet> sheets;
    Settings_reader reader;
    Sheet_options options;
    options.compact = true; // a station a page
    for (const auto& [position, station] : chosen) {
        const std::vector<std::string> lines = station_sheet(*station, position, options, reader);
        Station_sheet sheet;
        sheet.title = to_qstring(lines.front()); // "Station 3 (id 203)"
        for (size_t i = 1; i < lines.size(); ++i)
            sheet.lines << to_qstring(lines[i]);
        sheets << sheet;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(has_file() ? QFileInfo(file_text(file_name_)).completeBaseName() + " station sheets"
                                  : QString("Station sheets"));
    if (!Print_dialog::ask(this, &printer)) return;
    QString reason;
    if (!print_station_sheets(&printer, sheets, &reason))
        Message_box::warn(this, "Print Station Sheet",
                          QString("The station sheets could not be printed: %1.").arg(reason));
}
