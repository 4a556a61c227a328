// The main window: COM ports, the station list and the data directories of the one setup document.
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Document_history.h"
#include "Setup.h"
#include "Together_request.h"

class QAction;
class QDragEnterEvent;
class QDropEvent;
class QPoint;
class QLabel;
class QMenu;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableView;
class Latin1_edit;
class Station_grid_model;
class Station_list_view;
class TFabout;
class TFproblems;
class TFcompare;
class TFhistory;
class TFversions;
class Disk_bar;
class Disk_watch;
class Reading_collector;

// Receives every finished trace line of the program and drops it: the windows show reading problems
// themselves, after Open.
void trace_sink(const char* text, void* context);

class TFmain : public QMainWindow {
    Q_OBJECT
  public:
    explicit TFmain(QWidget* parent = nullptr);
    ~TFmain() override;

    Tsetup& document() { return setup_; }
    const std::string& file_name() const { return file_name_; }

    // Opens a setup file as File > Open does after its dialog; false (with a message) when it cannot be read
    // or the user cancelled it in the progress dialog (then nothing changed).
    bool open_file(const std::string& path);

    // The station editor, once it exists: true when the user confirmed with OK. adding is true for a new
    // station, which OK stores even when nothing was changed.
    void set_station_editor(std::function<bool(Tstation*, bool adding)> edit_station) {
        edit_station_ = std::move(edit_station);
    }
    // The station editor's way of editing several stations together.
    void set_together_editor(Together_editor edit_together) { edit_together_ = std::move(edit_together); }
    void set_about_box(TFabout* about) { about_ = about; }

    // The window's size and place of the last run, when one is stored and fits a screen of this run.
    void restore_place();

    void refresh(bool grid_only);
    // Whether the document or the edits differ from what was last opened, created or saved: the history
    // is away from the saved state, or a field holds text it has not stored yet.
    bool is_modified() const;
    // The steps of the document since New or Open, undone ones included.
    const Document_history& history() const { return history_; }
    // The reading problems of the last Open, in words, errors first: one entry per note, each whole.
    const QStringList& problems() const { return problems_; }
    // How many of them belong to the station (0 for one added since).
    int station_problems(const Tstation* station) const;
    // Opened read-only (another editor holds the file's lock): Save is off, Save As stays.
    bool is_read_only() const { return read_only_; }
    // Compares the file on disk with what the document was read from or saved to, and shows the bar above
    // the pages the first time a content (or the file's absence) is seen. When the window is activated and
    // the file system reports a change.
    void check_disk();

  public slots:
    void New1Click();
    void Open1Click();
    void Save1Click();
    void SaveAs1Click();
    void Quit1Click();
    void AboutKorvandel1Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void Button7Click();
    void Button8Click();
    void EditTogether1Click();
    void ExportCsv1Click();
    void SaveAsTemplate1Click();
    void NewFromTemplate1Click();
    void ApplyTemplate1Click();
    void TemplateLibrary1Click();
    void ImportCsv1Click();
    void Undo1Click();
    void Redo1Click();
    void History1Click();
    void SortIntoFileOrder1Click();
    void CompareStations1Click();
    void CompareWithFile1Click();
    void PrintSheet1Click();
    void SaveWithLabel1Click();
    void Versions1Click();
    void SaveRedacted1Click();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void build_menu();
    void build_station_actions();
    void fill_recent_menu();
    void open_recent(const QString& path);
    void show_grid_menu(const QPoint& at);
    void fit_columns();
    // The phone column widened for the stations a step inserted or changed, as fit_columns sizes it.
    void fit_phone_column(const Document_change& change);
    void update_title();
    QWidget* build_com_ports_page();
    QWidget* build_stations_page();
    QWidget* build_directories_page();
    void build_bottom_panel();

    void set_file_name(const std::string& name);
    // Writes the document to the file, keeping the file it replaces as a version (with the steps since
    // the last save and the label, when given) unless the preferences turn versions off.
    bool save_to(const std::string& name, const std::string& label = std::string());
    // Before Save over the document's own file: true to go on. A file changed on disk since it was read or
    // saved asks first (Compare, Save As, Replace, Cancel).
    bool disk_allows_save();
    // Before Open: the file's lock. False for Cancel; read_only when the user opens it so, take_over when
    // the lock is to be replaced (a stale one, or Open Anyway).
    bool ask_lock(const std::string& path, bool* read_only, bool* take_over);
    // After Open or Save: the file is the document's, watched and (unless read-only) locked.
    void own_file(const std::string& path, bool take_over);
    void reload_from_disk();
    // The document beside another (the file on disk, a version): the compare window.
    void show_comparison_with(Tsetup& other, const QString& title, const QString& there,
                              const QString& named);
    // A version of the document's file read; false with a message when it cannot be.
    bool read_version(int index, Tsetup& into);
    void set_read_only(bool on);
    // A field's text into the document as one step, when it differs from what the field showed (on focus
    // loss), or, with every_field, whenever the document does not hold it (before Save and Compare: a
    // port the edit shows but the file holds none of is then added, as Save always did).
    void commit_edit(Latin1_edit* edit, bool every_field = false);
    void commit_edits(bool every_field);
    // Makes the command the newest step of the history and shows the document as it is then; false when
    // there was no command (nothing to change) or it could not be applied.
    bool push(std::unique_ptr<Document_command> command);
    // The grid follows the step pushed last, station by station (after push, in place of refresh).
    void show_step();
    // The fields shown again from the document, as refresh shows them.
    void show_fields();
    void history_moved(const QString& told, const Document_change& change);
    // A line in the status bar for a while, told to a screen reader too.
    void tell(const QString& text, int milliseconds = 10000);
    void update_history_actions();
    // Selects these rows of the grid (clamped to the rows shown) and makes the first current.
    void select_positions(const std::vector<int>& positions);
    void select_row(int row);
    // The station at this file position (from 0) stays in the grid while the filter stays as it is.
    void keep_visible_at(int position);
    // The template library the preferences name, read; false (with a message) when it cannot be read.
    bool read_templates(class Template_library* library);
    // One template of the library, chosen by the user; -1 when cancelled or there is none.
    int choose_template(const Template_library& library, const QString& title);
    // The stations of the selected rows, in file order whatever the view's, with their positions from 1.
    std::vector<std::pair<int, Tstation*>> selected_stations() const;
    TFcompare* compare_window();
    void browse(Latin1_edit* edit);
    Tstation* selected_station(bool* has_row) const;
    // Whether Save has a file to write: one given by Open or Save As and not taken away by New.
    bool has_file() const;
    bool maybe_save();
    // New and Open: an empty history, the document as it is counted as saved.
    void mark_unchanged();
    void update_modified();
    void show_problems();
    void set_problems(const Reading_collector& notes);
    QStringList edit_texts() const;

    Tsetup setup_;
    std::string file_name_; // empty for an untitled document
    std::function<bool(Tstation*, bool)> edit_station_;
    Together_editor edit_together_;
    TFabout* about_ = nullptr;
    QStringList problems_;
    TFproblems* problems_window_ = nullptr;

    Document_history history_{setup_};
    Document_change step_change_ = Document_change::all(); // what the step pushed last did
    QString history_start_; // the state before the first step, as the History list names it
    TFhistory* history_window_ = nullptr;
    // What the paths' and ports' fields showed of the document: a field that differs holds unstored text.
    QStringList shown_edits_;

    QTabWidget* pages_ = nullptr;
    QWidget* com_ports_page_ = nullptr;
    Latin1_edit* ed_COM_direct_ = nullptr;
    Latin1_edit* ed_COM_modem_ = nullptr;
    Latin1_edit* ed_path_bin_ = nullptr;
    Latin1_edit* ed_path_xml_ = nullptr;
    QTableView* grid_ = nullptr;
    Station_grid_model* grid_model_ = nullptr;
    Station_list_view* station_view_ = nullptr; // the filter box, sort clicks and kept selection
    QLabel* lb_filename_ = nullptr;
    QLabel* lb_hint_ = nullptr;
    QPushButton* bt_problems_ = nullptr;
    QAction* save_ = nullptr;
    QAction* edit_selected_ = nullptr;
    QAction* add_station_ = nullptr;
    QAction* delete_station_ = nullptr;
    QAction* compare_stations_ = nullptr;
    QAction* duplicate_station_ = nullptr;
    QAction* edit_together_action_ = nullptr;
    QAction* undo_ = nullptr;
    QAction* sort_descending_ = nullptr;
    QAction* sort_into_file_order_ = nullptr;
    QMenu* edit_menu_ = nullptr;
    QAction* redo_ = nullptr;
    TFcompare* compare_window_ = nullptr;
    QMenu* recent_menu_ = nullptr;
    Disk_watch* disk_ = nullptr;
    Disk_bar* disk_bar_ = nullptr;
    TFversions* versions_window_ = nullptr;
    bool read_only_ = false;
    long disk_stations_ = -1;         // stations in the file on disk when it was read or saved
    bool widths_set_by_user_ = false; // once the user sized a column, the program sizes none
    bool sizing_columns_ = false;
};
