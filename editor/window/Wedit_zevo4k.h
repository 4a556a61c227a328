// The station editor window: six pages over the editor logic's form model, and a seventh, read-only,
// that shows the memory OK would write.
#pragma once

#include <QDialog>
#include <QTimer>
#include <vector>

#include "Control_labels.h"
#include "Station_editor.h"
#include "Together_request.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class QTabWidget;
class Memory_page;
class Scroll_page;

class TFedit_zevo4k : public QDialog {
    Q_OBJECT
  public:
    explicit TFedit_zevo4k(QWidget* parent = nullptr);

    // Opens the editor modally on the station: reset, load, display conditions, the "General" page.
    // True only when the user confirmed with OK, after the controls were stored into the record.
    // adding: a new station, stored as shown even when nothing was changed; an existing one that OK
    // confirms unchanged stays as it was, byte for byte.
    bool edit_station(Tstation* station, bool adding = false);
    // The part of edit_station before the window is shown: reset, load, display conditions, "General".
    void load(Tstation* station, bool adding = false);

    // Opens the editor modally on several stations at once ("Edit 312 stations"): a control equal on every
    // station shows its value, one that differs a mixed state (a partly ticked box, an empty edit saying
    // "mixed: 3 values", a list showing "(mixed)"); the identity fields are disabled. The meter shows the
    // worst case. True when the user pressed OK and no station refuses the changes; *changes are the
    // controls the user changed, in the form's order.
    bool edit_together(const Together_request& request, std::vector<Control_change>* changes,
                       bool* include_spares);
    // The controls changed so far in a together edit, as NAME=VALUE changes.
    std::vector<Control_change> together_changes() const;

    // The logic behind the window (the form model, load and store), for tests and the command line.
    Station_editor& logic() { return editor_; }
    QWidget* widget_of(int control) const { return widgets_[static_cast<size_t>(control)]; }

    void done(int result) override; // also keeps the window's size and place for the next time

  public slots:
    void Button1Click();
    void Button2Click();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

  private:
    void FormKeyDown(int key);

    QWidget* build_general_page();
    QWidget* build_gsm_page();
    QWidget* build_acquisition_page();
    QWidget* build_sequence_page(int page);
    QWidget* build_remote_page();
    QGroupBox* build_vbat_group(int page, const char* group_name);
    QGroupBox* build_channel_group(int page, const char* group_name, const char* caption, bool fluorometer);
    QGroupBox* build_actions_group(int page, const char* group_name);

    // A widget for a form control, named after it and fed back into the model on every user change.
    QCheckBox* check_box(int control, const QString& caption, QWidget* parent);
    QComboBox* choice_list(int control, QWidget* parent);
    QWidget* edit(int control, QWidget* parent);
    void field_row(QGridLayout* grid, int row, int control, const char* name_label = nullptr);
    QString unit_description(int control) const; // "Unit: [V]", or empty

    void show_number_hint(int control, QWidget* edit);
    void show_values();         // model -> widgets, after a load
    void show_enabled_states(); // after every change: the display conditions and the memory meter
    void update_meter();
    // The Memory page follows every change while it is shown; hidden, it is brought up to date when it
    // is shown again.
    void update_memory_page();

    Station_editor editor_;
    std::vector<QWidget*> widgets_;
    std::vector<Control_label> labels_; // each control's label, accessible name and unit
    QTabWidget* pages_ = nullptr;
    QLabel* meter_ = nullptr;
    Memory_page* memory_ = nullptr;
    Scroll_page* memory_scroll_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QLabel* hint_ = nullptr;    // says why a typed or pasted character was refused
    QLabel* kept_ = nullptr;    // the records kept as read, on the General page
    QLabel* dropped_ = nullptr; // what OK will drop, above the buttons
    bool showing_ = false;      // while the model's values are put into the widgets, nothing goes back

    // Editing several stations together: the request, the controls the user changed, the spares' choice.
    void show_together_values();
    void together_changed(int control);
    void update_together_meter();
    const Together_request* together_ = nullptr;
    Tstation together_station_; // what the logic is opened on: a copy, never stored anywhere
    std::vector<bool> touched_;
    QCheckBox* include_spares_ = nullptr;
    QTimer together_meter_timer_;
};
