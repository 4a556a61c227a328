// The station editor window. Its repeated rows come from the channel table; every control is a view of
// one named value of the form model, and every user change goes back into the model.
#include "Wedit_zevo4k.h"

#include <QAccessible>

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "Announce.h"
#include "Choice_list.h"
#include "Editor_texts.h"
#include "Gsm_timing_diagram.h"
#include "Latin1_edit.h"
#include "Memory_listing.h"
#include "Memory_page.h"
#include "Message_box.h"
#include "Scroll_page.h"
#include "Text_bridge.h"
#include "Window_place.h"

namespace {

const QColor memo_colour(251, 254, 197);
const QColor tint_colour(227, 223, 217);
const char* const place_key = "editor/geometry";

// The letter of each page's caption that Alt (with the letter) goes to: "&General", "GS&M timing", ...
const int page_mnemonics[EDITOR_PAGE_COUNT] = {0, 2, 0, 0, 0, 0};

QString page_tab_text(int page) {
    return QString(editor_page_captions[page]).insert(page_mnemonics[page], '&');
}

// The memo's text is a read-only text that Tab reaches, named after what it informs about.
QWidget* memo(const Memo_text& text, const QString& subject, QWidget* parent) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(text.name);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setAutoFillBackground(true);
    QPalette palette = frame->palette();
    palette.setColor(QPalette::Window, memo_colour);
    frame->setPalette(palette);
    auto* layout = new QVBoxLayout(frame);
    auto* heading = new QLabel("INFORMATION", frame);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    heading->setAlignment(Qt::AlignHCenter);
    auto* body = new QLabel(text.lines.join('\n'), frame);
    body->setObjectName(QString(text.name) + "_text");
    body->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    body->setFocusPolicy(Qt::StrongFocus);
    body->setAccessibleName("Information about " + subject);
    body->setAccessibleDescription(text.lines.join(' ').simplified());
    layout->addWidget(heading);
    layout->addWidget(body);
    layout->addStretch(1);
    frame->setAccessibleName("INFORMATION");
    frame->setMaximumWidth(340);
    frame->setAccessibleDescription(body->accessibleDescription());
    return frame;
}

QGroupBox* group(const char* name, const QString& caption, QWidget* parent, bool tinted = false) {
    auto* g = new QGroupBox(caption, parent);
    g->setObjectName(name);
    if (tinted) {
        g->setAutoFillBackground(true);
        QPalette palette = g->palette();
        palette.setColor(QPalette::Window, tint_colour);
        g->setPalette(palette);
    }
    return g;
}

QLabel* label(const QString& text, QWidget* parent) {
    return new QLabel(text, parent);
}

// A page of one group of fields with its information memo at the right; the fields go into the grid.
QGridLayout* fields_page(QWidget* page, const char* page_name, const char* group_name, const QString& caption,
                         const Memo_text& text, int tab) {
    page->setObjectName(page_name);
    auto* layout = new QHBoxLayout(page);
    QGroupBox* box = group(group_name, caption, page);
    layout->addWidget(box, 1);
    layout->addWidget(memo(text, editor_page_captions[tab], page));
    return new QGridLayout(box);
}

const char* const sequence_group_names[2][4] = {{"GroupBox1", "GroupBox2", "GroupBox14", "GroupBox15"},
                                                {"GroupBox4", "GroupBox5", "GroupBox6", "GroupBox7"}};

} // namespace

TFedit_zevo4k::TFedit_zevo4k(QWidget* parent) : QDialog(parent) {
    setObjectName("Fedit_zevo4k");
    setWindowTitle("Station configuration Editor");
    setModal(true);
    widgets_.assign(editor_.form.controls().size(), nullptr);
    labels_ = control_labels(editor_.form);

    // Resizable: each page scrolls inside the tab widget when the window is smaller than the page, while
    // the notices, the meter and the buttons below stay in sight.
    auto* layout = new QVBoxLayout(this);
    pages_ = new QTabWidget(this);
    pages_->setObjectName("PageControl1");
    pages_->setAccessibleName("Editor pages");
    pages_->tabBar()->setAccessibleName("Editor pages");
    QWidget* const built[EDITOR_PAGE_COUNT] = {build_general_page(),     build_gsm_page(),
                                               build_acquisition_page(), build_sequence_page(0),
                                               build_sequence_page(1),   build_remote_page()};
    for (int page = 0; page < EDITOR_PAGE_COUNT; ++page)
        pages_->addTab(new Scroll_page(built[page]), page_tab_text(page));
    memory_ = new Memory_page;
    memory_scroll_ = new Scroll_page(memory_);
    pages_->addTab(memory_scroll_, "M&emory");
    connect(pages_, &QTabWidget::currentChanged, this, [this] { update_memory_page(); });
    layout->addWidget(pages_, 1);

    dropped_ = new QLabel(this);
    dropped_->setObjectName("lb_dropped");
    dropped_->setWordWrap(true);
    dropped_->setAccessibleName("Commands OK will drop");
    dropped_->setFocusPolicy(Qt::TabFocus); // a screen reader can reach the notice
    dropped_->setVisible(false);
    layout->addWidget(dropped_);
    hint_ = new QLabel(this);
    hint_->setObjectName("lb_hint");
    hint_->setWordWrap(true);
    hint_->setVisible(false); // shown with a hint
    layout->addWidget(hint_);
    auto* bottom = new QHBoxLayout;
    meter_ = new QLabel(this);
    meter_->setObjectName("lb_memory");
    meter_->setWordWrap(true);
    meter_->setFocusPolicy(Qt::TabFocus); // a screen reader user can go and read the figure
    ok_ = new QPushButton("&OK", this);
    ok_->setObjectName("Button1");
    cancel_ = new QPushButton("&Cancel", this);
    cancel_->setObjectName("Button2");
    // Enter in a field is the field's own business: there is no default button, and only OK itself
    // (clicked, or Space or Return while it has the focus) stores.
    for (QPushButton* b : {ok_, cancel_}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    connect(ok_, &QPushButton::clicked, this, &TFedit_zevo4k::Button1Click);
    connect(cancel_, &QPushButton::clicked, this, &TFedit_zevo4k::Button2Click);
    include_spares_ = new QCheckBox(this);
    include_spares_->setObjectName("cb_include_spares");
    include_spares_->setVisible(false); // only when several stations are edited together
    connect(include_spares_, &QCheckBox::toggled, this, [this] { update_together_meter(); });
    together_meter_timer_.setSingleShot(true);
    together_meter_timer_.setInterval(150);
    connect(&together_meter_timer_, &QTimer::timeout, this, [this] { update_together_meter(); });
    bottom->addWidget(meter_, 1);
    bottom->addWidget(include_spares_);
    bottom->addWidget(ok_);
    bottom->addWidget(cancel_);
    layout->addLayout(bottom);

    // The window sees every key before its controls: Escape cancels whatever has the focus.
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
    installEventFilter(this);
    editor_.open(nullptr);
    show_values();
    show_enabled_states();
}

QCheckBox* TFedit_zevo4k::check_box(int control, const QString& caption, QWidget* parent) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(to_qstring(editor_.form.at(control).name));
    // A caption shared by two boxes of a page gets a name that tells them apart.
    const QString name = to_qstring(labels_[static_cast<size_t>(control)].name);
    if (name != caption.simplified()) box->setAccessibleName(name);
    widgets_[static_cast<size_t>(control)] = box;
    connect(box, &QCheckBox::toggled, this, [this, control, box](bool checked) {
        if (showing_) return;
        box->setTristate(false); // a mixed box, once clicked, is ticked or not for every station
        editor_.set_checked(control, checked);
        together_changed(control);
        show_enabled_states();
    });
    return box;
}

QComboBox* TFedit_zevo4k::choice_list(int control, QWidget* parent) {
    const Control& c = editor_.form.at(control);
    auto* list = new Choice_list(parent);
    list->setObjectName(to_qstring(c.name));
    for (int i = 0; i < ITEM_COUNT; ++i)
        list->addItem(to_qstring(c.items[i]));
    list->setAccessibleName(to_qstring(labels_[static_cast<size_t>(control)].name));
    widgets_[static_cast<size_t>(control)] = list;
    connect(list, &QComboBox::currentIndexChanged, this, [this, control](int index) {
        if (showing_) return;
        editor_.set_index(control, index);
        together_changed(control);
        show_enabled_states();
    });
    return list;
}

QWidget* TFedit_zevo4k::edit(int control, QWidget* parent) {
    const Control& c = editor_.form.at(control);
    auto* e = new Latin1_edit(to_qstring(c.name), c.max_length, parent);
    e->setAccessibleName(to_qstring(labels_[static_cast<size_t>(control)].name));
    e->setAccessibleDescription(unit_description(control));
    if (c.name == "ed_sms")
        e->setFixedWidth(160);
    else if (c.max_length <= NUMBER_EDIT_MAX && c.name != "ed_phone_nbr" && c.name != "ed_pin")
        e->setFixedWidth(90); // a number: thresholds, intervals, the station ID
    widgets_[static_cast<size_t>(control)] = e;
    connect(e, &QLineEdit::textChanged, this, [this, control, e](const QString& text) {
        if (showing_) return;
        editor_.set_text(control, to_latin1(text));
        // A text loaded longer than the edit's maximum may be shortened, never lengthened again.
        e->setMaxLength(editor_.form.longest_text(control));
        show_number_hint(control, e);
        together_changed(control);
        update_meter();
    });
    connect(e, &Latin1_edit::refused_character, this, [this] {
        announce(hint_, Latin1_edit::refused_hint());
        QTimer::singleShot(6000, hint_, [this] { announce(hint_, QString()); });
    });
    return e;
}

void TFedit_zevo4k::show_number_hint(int control, QWidget* edit) {
    // A number read only up to a bad character is stored as read: the user sees what before OK, the edit
    // is marked and a screen reader hears the hint.
    const QString hint = to_qstring(editor_.number_hint(control));
    const bool partly_read = !hint.isEmpty();
    if (edit->property("partly_read").toBool() != partly_read) {
        edit->setProperty("partly_read", partly_read);
        edit->setStyleSheet(partly_read ? "QLineEdit { background: #fff3c4; border: 1px solid #c08000; }"
                                        : "");
    }
    const QString unit = unit_description(control);
    edit->setAccessibleDescription(unit.isEmpty() || hint.isEmpty() ? unit + hint : unit + ". " + hint);
    if (partly_read) {
        announce(hint_, hint);
    } else if (hint_->property("from_control").toInt() == control + 1) {
        announce(hint_, QString());
    } else {
        return;
    }
    hint_->setProperty("from_control", partly_read ? control + 1 : 0);
}

QString TFedit_zevo4k::unit_description(int control) const {
    const std::string& unit = labels_[static_cast<size_t>(control)].unit;
    return unit.empty() ? QString() : "Unit: " + to_qstring(unit);
}

void TFedit_zevo4k::field_row(QGridLayout* grid, int row, int control, const char* name_label) {
    QWidget* parent = grid->parentWidget();
    const Control_label& l = labels_[static_cast<size_t>(control)];
    QLabel* field = label(to_qstring(l.label), parent);
    QWidget* e = edit(control, parent);
    field->setBuddy(e);
    grid->addWidget(field, row, 0);
    grid->addWidget(e, row, 1);
    if (!l.unit.empty()) grid->addWidget(label(to_qstring(l.unit), parent), row, 2);
    if (name_label != nullptr) grid->addWidget(label(name_label, parent), row, 3);
}

QWidget* TFedit_zevo4k::build_general_page() {
    auto* page = new QWidget;
    QGridLayout* grid =
        fields_page(page, "TabSheet6", "GroupBox10", "Identification && Communication", memo_general(), 0);
    const General_controls& g = editor_.form.general();
    const struct {
        int control;
        const char* explanation;
    } rows[] = {{g.id, "Unique number to identify the station. Chosen by the user"},
                {g.phone_nbr, "Phone number to call the station (SIM number)"},
                {g.pin, "PIN code of the SIM card in the module"},
                {g.description, "Free text that describes the station"}};
    int row = 0;
    for (const auto& r : rows) {
        field_row(grid, row, r.control);
        grid->addWidget(label(r.explanation, grid->parentWidget()), row++, 2);
    }
    // Records of the configuration that no field shows, listed read-only so that the user knows they exist.
    kept_ = new QLabel(grid->parentWidget());
    kept_->setObjectName("lb_kept");
    kept_->setAccessibleName("Records kept as read");
    kept_->setFocusPolicy(Qt::TabFocus);
    kept_->setWordWrap(true);
    kept_->setVisible(false);
    grid->addWidget(kept_, row++, 0, 1, 3);
    grid->setRowStretch(row, 1);
    return page;
}

QWidget* TFedit_zevo4k::build_gsm_page() {
    auto* page = new QWidget;
    QGridLayout* grid = fields_page(page, "TabSheet5", "GroupBox9", "GSM", memo_gsm(), 1);
    const General_controls& g = editor_.form.general();
    field_row(grid, 0, g.sms);
    field_row(grid, 1, g.gsm_interval, "GSM_INTERVAL");
    field_row(grid, 2, g.gsm_duration, "GSM_DURATION");
    auto* diagram = new QLabel(grid->parentWidget());
    diagram->setObjectName("Image1");
    diagram->setPixmap(gsm_timing_diagram());
    diagram->setFixedSize(348, 129);
    diagram->setAccessibleName(
        "GSM timing: GSM_DURATION is how long the GSM is on, GSM_INTERVAL the time from one "
        "switch-on to the next");
    grid->addWidget(diagram, 3, 0, 1, 4, Qt::AlignLeft);
    grid->setRowStretch(4, 1);
    return page;
}

QWidget* TFedit_zevo4k::build_acquisition_page() {
    auto* page = new QWidget;
    QGridLayout* grid = fields_page(page, "TabSheet7", "GroupBox8", "Acquisition", memo_acquisition(), 2);
    const General_controls& g = editor_.form.general();
    field_row(grid, 0, g.acq_interval0, "ACQ Interval #0");
    field_row(grid, 1, g.acq_interval1, "ACQ Interval #1");
    grid->setRowStretch(2, 1);
    return page;
}

QGroupBox* TFedit_zevo4k::build_vbat_group(int page, const char* group_name) {
    const Page_controls& c = editor_.form.page(page);
    QGroupBox* box = group(group_name, "VBat Measure", nullptr);
    auto* grid = new QGridLayout(box);
    grid->addWidget(check_box(c.vbat, to_qstring(labels_[static_cast<size_t>(c.vbat)].label), box), 0, 0);
    if (c.vbat_eol >= 0) {
        grid->addWidget(
            check_box(c.vbat_eol, to_qstring(labels_[static_cast<size_t>(c.vbat_eol)].label), box), 1, 0);
        grid->addWidget(edit(c.vbat_threshold, box), 1, 1);
        grid->addWidget(label(to_qstring(labels_[static_cast<size_t>(c.vbat_threshold)].unit), box), 1, 2);
    }
    return box;
}

QGroupBox* TFedit_zevo4k::build_channel_group(int page, const char* group_name, const char* caption,
                                              bool fluorometer) {
    const Page_controls& c = editor_.form.page(page);
    QGroupBox* box = group(group_name, caption, nullptr, fluorometer && sequence_pages[page].full);
    auto* grid = new QGridLayout(box);
    int row = 0;
    for (int n = 0; n < CHANNEL_COUNT; ++n) {
        const Channel& channel = channel_table[n];
        if ((channel.command == Channel_command::FLUO) != fluorometer) continue;
        grid->addWidget(check_box(c.check[n], to_qstring(channel.caption), box), row, 0);
        if (c.compare[n] >= 0) {
            grid->addWidget(choice_list(c.compare[n], box), row, 1);
            grid->addWidget(edit(c.threshold[n], box), row, 2);
            grid->addWidget(label(to_qstring(channel.unit), box), row, 3);
        }
        ++row;
    }
    return box;
}

QGroupBox* TFedit_zevo4k::build_actions_group(int page, const char* group_name) {
    const Page_controls& c = editor_.form.page(page);
    QGroupBox* box = group(group_name, "Conditional actions", nullptr, true);
    auto* grid = new QGridLayout(box);
    const auto caption = [this](int control) {
        return to_qstring(labels_[static_cast<size_t>(control)].label);
    };
    grid->addWidget(check_box(c.sms, caption(c.sms), box), 0, 0, 1, 5);
    for (int k = 3; k >= 0; --k) // the column labels "S3" to "S0"
        grid->addWidget(label(caption(c.output[0][k]), box), 1, 1 + (3 - k), Qt::AlignHCenter);
    for (int a = 0; a < 2; ++a) {
        grid->addWidget(check_box(c.action[a], caption(c.action[a]), box), 2 + a, 0);
        for (int k = 3; k >= 0; --k)
            grid->addWidget(choice_list(c.output[a][k], box), 2 + a, 1 + (3 - k));
    }
    return box;
}

QWidget* TFedit_zevo4k::build_sequence_page(int page) {
    auto* widget = new QWidget;
    widget->setObjectName(page == 0 ? "TabSheet1" : "TabSheet3");
    auto* layout = new QHBoxLayout(widget);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    const char* const* names = sequence_group_names[page];
    QGroupBox* vbat = build_vbat_group(page, names[0]);
    QGroupBox* fluorometer = build_channel_group(page, names[1], "Fluorometer", true);
    QGroupBox* probes = build_channel_group(page, names[2], "Probes", false);
    QGroupBox* actions = build_actions_group(page, names[3]);
    for (QGroupBox* g : {vbat, fluorometer, probes, actions})
        g->setParent(widget);
    left->addWidget(vbat);
    left->addWidget(fluorometer);
    left->addWidget(actions);
    left->addStretch(1);
    right->addWidget(probes);
    const QString caption = editor_page_captions[sequence_page_tab(page)];
    right->addWidget(memo(memo_sequence(page), caption, widget));
    right->addWidget(memo(memo_actions(page), "Conditional actions of " + caption, widget));
    right->addStretch(1);
    layout->addLayout(left);
    layout->addLayout(right);
    return widget;
}

QWidget* TFedit_zevo4k::build_remote_page() {
    auto* widget = new QWidget;
    widget->setObjectName("TabSheet8");
    auto* layout = new QHBoxLayout(widget);
    auto* left = new QVBoxLayout;
    QGroupBox* vbat = build_vbat_group(2, "GroupBox11");
    QGroupBox* fluorometer = build_channel_group(2, "GroupBox12", "Fluorometer", true);
    QGroupBox* probes = build_channel_group(2, "GroupBox13", "Probes", false);
    for (QGroupBox* g : {vbat, fluorometer, probes}) {
        g->setParent(widget);
        left->addWidget(g);
    }
    left->addStretch(1);
    layout->addLayout(left);
    layout->addWidget(memo(memo_sequence(2), editor_page_captions[sequence_page_tab(2)], widget), 0,
                      Qt::AlignTop);
    return widget;
}

void TFedit_zevo4k::show_values() {
    showing_ = true;
    for (size_t i = 0; i < widgets_.size(); ++i) {
        const Control& c = editor_.form.at(static_cast<int>(i));
        switch (c.kind) {
        case Control_kind::CHECK_BOX:
            static_cast<QCheckBox*>(widgets_[i])->setChecked(c.checked);
            break;
        case Control_kind::CHOICE_LIST:
            static_cast<QComboBox*>(widgets_[i])->setCurrentIndex(c.index);
            break;
        case Control_kind::EDIT: {
            // The whole text, also one loaded longer than a user may type: a cut would show another value.
            auto* e = static_cast<QLineEdit*>(widgets_[i]);
            e->setMaxLength(editor_.form.longest_text(static_cast<int>(i)));
            e->setText(to_qstring(c.text));
            break;
        }
        }
    }
    showing_ = false;
}

void TFedit_zevo4k::show_enabled_states() {
    for (size_t i = 0; i < widgets_.size(); ++i) {
        bool enabled = editor_.form.at(static_cast<int>(i)).enabled;
        if (together_ != nullptr) {
            // Together: enabled where any station shows it enabled; an identity field belongs to one station.
            const Together_control& t = together_->view.controls[i];
            enabled = !t.identity && (enabled || t.enabled > 0);
        }
        widgets_[i]->setEnabled(enabled);
    }
    update_meter();
}

void TFedit_zevo4k::update_meter() {
    if (together_ != nullptr) {
        together_meter_timer_.start(); // the selection's worst case, once the typing pauses
        return;
    }
    update_memory_page();
    const int needed = editor_.bytes_needed();
    const bool fits = needed <= IMAGE_USABLE;
    const QString text =
        fits ? QString("%1 of %2 bytes").arg(needed).arg(IMAGE_USABLE)
             : QString("%1 of %2 bytes: %3 too many, the station cannot hold this configuration")
                   .arg(needed)
                   .arg(IMAGE_USABLE)
                   .arg(needed - IMAGE_USABLE);
    if (text == meter_->text()) return;
    meter_->setText(text);
    meter_->setStyleSheet(fits ? QString() : "color: #b00000; font-weight: bold");
    // The figure is the meter's name, so a screen reader says it on Tab and hears each change.
    meter_->setAccessibleName("Configuration memory: " + text);
    send_accessible_event(meter_, QAccessible::NameChanged);
}

void TFedit_zevo4k::update_memory_page() {
    if (memory_ == nullptr || pages_->currentWidget() != memory_scroll_) return;
    // The image OK would write, built aside: the station stays as it is until OK.
    Teeprom_configurer image;
    const Image_listing listing = would_be_listing(editor_, &image);
    QString summary = to_qstring(listing_summary(listing));
    const int needed = editor_.bytes_needed();
    const std::string& sms = editor_.form.text(editor_.form.general().sms);
    const Store_refusal refusal = needed > IMAGE_USABLE        ? Store_refusal::TOO_LARGE
                                  : !editor_.sms_number_fits() ? Store_refusal::SMS_NUMBER_TOO_LONG
                                                               : Store_refusal::NONE;
    if (refusal != Store_refusal::NONE)
        summary +=
            ". OK will refuse to store this: " + to_qstring(refusal_text({false, needed, refusal}, sms));
    memory_->show_image(image, listing, summary);
}

void TFedit_zevo4k::load(Tstation* station, bool adding) {
    announce(hint_, QString());
    editor_.open(station, adding);
    const std::vector<std::string> kept = editor_.kept_lines();
    QStringList kept_lines;
    for (const std::string& line : kept)
        kept_lines << to_qstring(line);
    kept_->setText(kept_lines.isEmpty() ? QString()
                                        : "Kept as read (no field shows them; OK writes them back):\n" +
                                              kept_lines.join('\n'));
    kept_->setVisible(!kept_lines.isEmpty());
    QStringList notices;
    for (const std::string& notice : editor_.dropped_notices())
        notices << to_qstring(notice) + ".";
    dropped_->setText(notices.join('\n'));
    dropped_->setVisible(!notices.isEmpty());
    show_values();
    hint_->setProperty("from_control", 0);
    for (size_t i = 0; i < widgets_.size(); ++i)
        if (editor_.form.at(static_cast<int>(i)).kind == Control_kind::EDIT && widgets_[i] != nullptr)
            show_number_hint(static_cast<int>(i), widgets_[i]);
    announce(hint_, QString());
    show_enabled_states();
    pages_->setCurrentIndex(0); // always the "General" page
    // The keyboard starts in the first field, whatever had the focus when the editor last closed.
    widgets_[static_cast<size_t>(editor_.form.general().id)]->setFocus(Qt::OtherFocusReason);
}

bool TFedit_zevo4k::edit_station(Tstation* station, bool adding) {
    if (station == nullptr) return false;
    load(station, adding);
    restore_window_place(this, place_key, sizeHint());
    return exec() == 1;
}

void TFedit_zevo4k::done(int result) {
    if (isVisible()) save_window_place(this, place_key);
    QDialog::done(result);
}

void TFedit_zevo4k::show_together_values() {
    showing_ = true;
    for (size_t i = 0; i < widgets_.size(); ++i) {
        const Together_control& t = together_->view.controls[i];
        if (!t.mixed()) continue; // shown as the logic holds it: the value every station has
        const QString mixed = to_qstring(mixed_text(t));
        switch (t.value.kind) {
        case Control_kind::CHECK_BOX: {
            auto* box = static_cast<QCheckBox*>(widgets_[i]);
            box->setTristate(true);
            box->setCheckState(Qt::PartiallyChecked);
            box->setAccessibleDescription(mixed);
            break;
        }
        case Control_kind::CHOICE_LIST: {
            auto* list = static_cast<QComboBox*>(widgets_[i]);
            list->setPlaceholderText("(mixed)");
            list->setCurrentIndex(-1);
            list->setAccessibleDescription(mixed);
            break;
        }
        case Control_kind::EDIT: {
            auto* e = static_cast<QLineEdit*>(widgets_[i]);
            e->setText(QString());
            e->setPlaceholderText(mixed);
            e->setToolTip(mixed); // a narrow number edit cuts the placeholder
            e->setAccessibleDescription(mixed);
            break;
        }
        }
    }
    showing_ = false;
}

void TFedit_zevo4k::together_changed(int control) {
    if (together_ == nullptr) return;
    touched_[static_cast<size_t>(control)] = true;
    together_meter_timer_.start();
}

std::vector<Control_change> TFedit_zevo4k::together_changes() const {
    std::vector<Control_change> changes;
    if (together_ == nullptr) return changes;
    for (size_t i = 0; i < widgets_.size(); ++i) {
        if (!touched_[i]) continue;
        const Control& c = editor_.form.at(static_cast<int>(i));
        Control_change change{c.name, std::string()};
        switch (c.kind) {
        case Control_kind::CHECK_BOX:
            change.value = c.checked ? "1" : "0";
            break;
        case Control_kind::CHOICE_LIST:
            if (c.index < 0 && together_->view.controls[i].mixed()) continue; // still "(mixed)"
            change.value = std::to_string(c.index);
            break;
        case Control_kind::EDIT:
            // A mixed edit left empty keeps each station's own text.
            if (c.text.empty() && together_->view.controls[i].mixed()) continue;
            change.value = c.text;
            break;
        }
        changes.push_back(change);
    }
    return changes;
}

void TFedit_zevo4k::update_together_meter() {
    if (together_ == nullptr || !together_->check) return;
    const Together_check check =
        together_->check(together_changes(), include_spares_ != nullptr && include_spares_->isChecked());
    meter_->setText(check.meter);
    meter_->setStyleSheet(check.refused.isEmpty() ? QString() : "color: #b00000; font-weight: bold");
    meter_->setAccessibleName("Configuration memory: " + check.meter);
    send_accessible_event(meter_, QAccessible::NameChanged);
}

bool TFedit_zevo4k::edit_together(const Together_request& request, std::vector<Control_change>* changes,
                                  bool* include_spares) {
    // The logic opens on an empty record given the first station's values, so that display conditions
    // follow the user's choices; nothing is ever stored into it.
    together_ = &request;
    touched_.assign(widgets_.size(), false);
    together_station_ = Tstation();
    load(&together_station_);
    for (size_t i = 0; i < widgets_.size(); ++i) {
        const Control& v = request.view.controls[i].value;
        Control& c = editor_.form.at(static_cast<int>(i));
        c.checked = v.checked;
        c.index = v.index;
        c.text = v.text;
    }
    editor_.setup_display_conditions();
    show_values();
    show_together_values();
    kept_->setVisible(false);
    dropped_->setVisible(false);
    pages_->setTabEnabled(pages_->indexOf(memory_scroll_), false); // one image each: none to show
    setWindowTitle(request.title);
    include_spares_->setText(
        request.spares == 1 ? QString("Include the station with nothing configured")
                            : QString("Include the %1 stations with nothing configured").arg(request.spares));
    include_spares_->setChecked(false);
    include_spares_->setVisible(request.spares > 0);
    show_enabled_states();
    update_together_meter();
    widgets_[static_cast<size_t>(editor_.form.general().sms)]->setFocus(Qt::OtherFocusReason);
    restore_window_place(this, place_key, sizeHint());
    const bool ok = exec() == 1;
    if (ok) {
        *changes = together_changes();
        *include_spares = include_spares_->isChecked();
    }
    // Back to one station at a time.
    together_ = nullptr;
    together_meter_timer_.stop();
    include_spares_->setVisible(false);
    pages_->setTabEnabled(pages_->indexOf(memory_scroll_), true);
    setWindowTitle("Station configuration Editor");
    showing_ = true;
    for (QWidget* w : widgets_) {
        if (auto* box = qobject_cast<QCheckBox*>(w)) box->setTristate(false);
        if (auto* list = qobject_cast<QComboBox*>(w)) list->setPlaceholderText(QString());
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            e->setPlaceholderText(QString());
            if (e->toolTip().startsWith("mixed: ")) e->setToolTip(QString());
        }
        w->setAccessibleDescription(QString());
    }
    showing_ = false;
    return ok;
}

void TFedit_zevo4k::Button1Click() {
    if (together_ != nullptr) {
        const Together_check check = together_->check
                                         ? together_->check(together_changes(), include_spares_->isChecked())
                                         : Together_check();
        if (!check.refused.isEmpty()) {
            Message_box::warn(this, windowTitle(),
                              "These stations cannot take the changes; nothing was changed:\n" +
                                  check.refused);
            return;
        }
        done(1);
        return;
    }
    // What the store cannot write back is asked for once, before it is lost; an unchanged station is not
    // stored at all, so nothing is lost.
    const std::vector<std::string> notices = editor_.dropped_notices();
    if (!notices.empty() && !(editor_.unchanged() && !editor_.adding)) {
        QStringList lines;
        for (const std::string& notice : notices)
            lines << to_qstring(notice) + ".";
        if (Message_box::confirm(this, "Station configuration Editor", lines.join('\n'),
                                 "Store and drop them", "Back to the editor") != Answer::OK)
            return;
    }
    const Store_result result = editor_.ok();
    if (!result.stored) {
        // Nothing was stored: the editor stays open with every choice as it was.
        const QString advice =
            result.refusal == Store_refusal::SMS_NUMBER_TOO_LONG
                ? "Shorten the SMS number on the \"GSM timing\" page, then press OK again."
                : "Untick some measurements, thresholds (4 bytes each) or conditional actions, "
                  "or shorten the SMS number, then press OK again.";
        const std::string& sms = editor_.form.text(editor_.form.general().sms);
        Message_box::warn(this, "Station configuration Editor",
                          to_qstring(refusal_text(result, sms)) + "\n\n" + advice);
        return;
    }
    done(1);
}

void TFedit_zevo4k::Button2Click() {
    done(2);
}

void TFedit_zevo4k::reject() {
    done(2);
}

void TFedit_zevo4k::FormKeyDown(int key) {
    if (key == 27) done(2);
}

bool TFedit_zevo4k::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !isVisible()) return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape) {
        FormKeyDown(27);
        return true;
    }
    // Return on a focused OK or Cancel presses it, as on any other button of the desktop; with no default
    // button, Return anywhere else does nothing.
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier &&
        (watched == ok_ || watched == cancel_)) {
        static_cast<QPushButton*>(watched)->click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
