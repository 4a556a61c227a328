// Editing many stations at once: the same bytes as editing them one after the other, spares left alone,
// all or nothing, the controls seen together, the review in words and one undo step for all.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "Bulk_edit.h"
#include "Document_commands.h"
#include "Document_history.h"
#include "Lib_trace.h"
#include "Setup.h"
#include "Station_duplicate.h"
#include "example_document.h"
#include "random_documents.h"

namespace {

std::vector<Tstation*> stations_of(Tsetup& setup) {
    std::vector<Tstation*> out;
    for_each_item<Tstation>(setup.stations.list, [&](Tstation& s) { out.push_back(&s); });
    return out;
}

std::vector<int> all_positions(Tsetup& setup) {
    std::vector<int> out;
    for (int i = 0; i < setup.stations.list.count(); ++i)
        out.push_back(i);
    return out;
}

// What editing each station alone gives: open it, set the changes in order, OK. The positions (from 0)
// of the stations that refuse; a refused station is left as it was.
std::set<int> edit_one_by_one(Tsetup& setup, const std::vector<int>& positions,
                              const std::vector<Control_change>& changes, bool include_spares) {
    std::set<int> refused;
    const std::vector<Tstation*> stations = stations_of(setup);
    for (const int p : positions) {
        Tstation& s = *stations[static_cast<size_t>(p)];
        if (!include_spares && bytes_used(s.configuration) == 0) continue;
        const Tstation before = s;
        Station_editor editor;
        editor.open(&s);
        std::string problem;
        bool taken = true;
        for (const Control_change& c : changes)
            taken = taken && apply_control_change(editor, c, &problem);
        if (!taken || !editor.ok().stored) {
            refused.insert(p);
            s = before;
        }
    }
    return refused;
}

// A change of a control that stations can take together, with a value of its kind: ticks, indexes from -1
// to 2, numbers as a user types them, SMS numbers of up to 17 characters (those past 15 refuse).
Control_change random_change(std::mt19937& rng) {
    static const Form_model form;
    std::uniform_int_distribution<int> pick(0, static_cast<int>(form.controls().size()) - 1);
    int control = pick(rng);
    while (is_identity_control(form, control))
        control = pick(rng);
    const Control& c = form.at(control);
    switch (c.kind) {
    case Control_kind::CHECK_BOX:
        return {c.name, rng() % 2 ? "1" : "0"};
    case Control_kind::CHOICE_LIST:
        return {c.name, std::to_string(static_cast<int>(rng() % 4) - 1)};
    default:
        break;
    }
    if (control == form.general().sms)
        return {c.name, "+4179" + std::to_string(rng() % 100000000) + std::to_string(rng() % 10000)};
    static const char* const numbers[] = {"0", "1", "12.5", "7,25", "-3", "1e39", "abc", "", "600", "0.33"};
    return {c.name, numbers[rng() % 10]};
}

} // namespace

TEST(BulkEditProperty, TheSameBytesAsEditingEachStationAlone) {
    std::mt19937 rng(20240916);
    int compared = 0, refusals_seen = 0;
    for (int round = 0; round < 300; ++round) {
        const unsigned seed = static_cast<unsigned>(rng());
        Tsetup together, alone;
        std::mt19937 a(seed), b(seed);
        random_document(a, together);
        random_document(b, alone);
        ASSERT_EQ(written(together), written(alone));
        const int count = together.stations.list.count();
        if (count == 0) continue;
        std::vector<int> positions;
        for (int p = 0; p < count; ++p)
            if (rng() % 3 != 0) positions.push_back(p);
        std::vector<Control_change> changes;
        for (int i = static_cast<int>(rng() % 5); i >= 0; --i)
            changes.push_back(random_change(rng));
        Bulk_options options;
        options.include_spares = rng() % 2 == 0;

        const std::string before = written(together);
        Bulk_plan plan = plan_bulk_edit(together, positions, changes, options);
        ASSERT_TRUE(plan.problem.empty()) << plan.problem;
        EXPECT_EQ(written(together), before) << "planning changes nothing";
        const std::set<int> refused = edit_one_by_one(alone, positions, changes, options.include_spares);
        std::set<int> plan_refused;
        for (const Bulk_station& s : plan.stations)
            if (s.outcome == Bulk_outcome::REFUSED) plan_refused.insert(s.position);
        ASSERT_EQ(plan_refused, refused) << "round " << round;

        if (!refused.empty()) {
            ++refusals_seen;
            // All or nothing: no step, the document as it was; then the others alone, as one by one did.
            EXPECT_EQ(bulk_edit_command(together, std::move(plan)), nullptr);
            EXPECT_EQ(written(together), before);
            std::vector<int> rest;
            for (const int p : positions)
                if (refused.count(p) == 0) rest.push_back(p);
            plan = plan_bulk_edit(together, rest, changes, options);
            ASSERT_FALSE(plan.refused());
        }
        const std::unique_ptr<Document_command> step = bulk_edit_command(together, std::move(plan));
        if (step != nullptr) {
            ASSERT_TRUE(step->apply(together));
        }
        EXPECT_EQ(written(together), written(alone)) << "round " << round;
        ++compared;
    }
    EXPECT_GT(compared, 200);
    EXPECT_GT(refusals_seen, 10); // the property met stations that refuse, not only easy cases
}

TEST(BulkEdit, SparesAreLeftAloneUnlessIncluded) {
    Tsetup setup;
    read_example(setup);
    const std::vector<Control_change> changes = {{"cb_r_0", "1"}};
    const Bulk_plan plan = plan_bulk_edit(setup, all_positions(setup), changes);
    ASSERT_EQ(plan.stations.size(), 5u);
    EXPECT_EQ(plan.stations[4].outcome, Bulk_outcome::SPARE);
    EXPECT_EQ(plan.stations[4].id, -1);
    EXPECT_EQ(plan.count(Bulk_outcome::CHANGED), 4u);
    EXPECT_EQ(plan.positions, (std::vector<int>{0, 1, 2, 3}));

    Bulk_options include;
    include.include_spares = true;
    const Bulk_plan with_spare = plan_bulk_edit(setup, all_positions(setup), changes, include);
    EXPECT_EQ(with_spare.count(Bulk_outcome::CHANGED), 5u);
    EXPECT_EQ(with_spare.count(Bulk_outcome::SPARE), 0u);
}

TEST(BulkEdit, OneStationThatRefusesStopsAllAndSaysWhyWithItsPlace) {
    Tsetup setup;
    read_example(setup);
    // Station 2 holds an SMS number longer than the station keeps, as a file may hold one; the others
    // take the change.
    Tstation& second = *stations_of(setup)[1];
    const std::string number = "+417912345678901234";
    second.configuration.clear();
    second.configuration.add_byte(tag::SMS_NUMBER);
    second.configuration.add_byte(static_cast<uint8_t>(number.size()));
    for (const char c : number)
        second.configuration.add_byte(static_cast<uint8_t>(c));
    second.configuration.add_byte(tag::END);
    const std::string before = written(setup);

    Bulk_plan plan = plan_bulk_edit(setup, all_positions(setup), {{"ed_acq_interval0", "30"}});
    EXPECT_TRUE(plan.refused());
    ASSERT_EQ(plan.count(Bulk_outcome::REFUSED), 1u);
    const Bulk_station& refused = plan.stations[1];
    EXPECT_EQ(refused.outcome, Bulk_outcome::REFUSED);
    EXPECT_EQ(refused.position, 1);
    EXPECT_EQ(refused.id, 102);
    EXPECT_EQ(refused.refusal, "The SMS number has 19 characters, but the station keeps at most 15.");
    EXPECT_EQ(bulk_edit_command(setup, std::move(plan)), nullptr);
    EXPECT_EQ(written(setup), before);

    // A value one station's edit refuses: ed_sms takes more than 15 characters only where the loaded
    // number was longer, so here every other station refuses 17 characters.
    const Bulk_plan typed = plan_bulk_edit(setup, {0, 1}, {{"ed_sms", "+4179123456789012"}});
    EXPECT_EQ(typed.stations[0].outcome, Bulk_outcome::REFUSED);
    EXPECT_EQ(typed.stations[0].refusal, "ed_sms holds at most 15 characters; \"+4179123456789012\" has 17");
    EXPECT_EQ(typed.stations[1].outcome, Bulk_outcome::REFUSED); // taken, but 17 > 15 at OK
}

TEST(BulkEdit, TheWorstCaseIsTheStationThatNeedsTheMostBytes) {
    Tsetup setup;
    read_example(setup);
    // Ticking the slow page's pulse counters adds commands; station 3 (id 203) holds the most already.
    std::vector<Control_change> changes;
    for (const char* n : {"172", "173", "174", "175"}) {
        changes.push_back({std::string("cb_s_") + n, "1"});
        changes.push_back({std::string("cbb_s_") + n, "1"});
    }
    const Bulk_plan plan = plan_bulk_edit(setup, all_positions(setup), changes);
    ASSERT_GE(plan.worst, 0);
    int most = 0;
    for (const Bulk_station& s : plan.stations)
        most = std::max(most, s.bytes_needed);
    const Bulk_station& worst = plan.stations[static_cast<size_t>(plan.worst)];
    EXPECT_EQ(worst.bytes_needed, most);
    EXPECT_GT(most, 106);
    // The meter of that station, opened and changed alone, says the same.
    Tstation copy = *stations_of(setup)[static_cast<size_t>(worst.position)];
    Station_editor editor;
    editor.open(&copy);
    std::string problem;
    for (const Control_change& c : changes)
        ASSERT_TRUE(apply_control_change(editor, c, &problem)) << problem;
    EXPECT_EQ(editor.bytes_needed(), most);
}

TEST(BulkEdit, ChangesNoStationCanTakeAreAProblemOfThePlan) {
    Tsetup setup;
    read_example(setup);
    const struct {
        Control_change change;
        std::string problem;
    } cases[] = {
        {{"cb_nothing", "1"}, "the editor has no control \"cb_nothing\""},
        {{"cb_s_0", "2"}, "cb_s_0 is a check box: 0 or 1, not \"2\""},
        {{"cbb_s_1", "3"}, "cbb_s_1 is a choice list: an index from -1 to 2, not \"3\""},
        {{"ed_ID", "5"},
         "ed_ID is one station's own (its ID, phone number, PIN or description); edit it station by station"},
        {{"ed_description", "x"},
         "ed_description is one station's own (its ID, phone number, PIN or description); edit it station by "
         "station"},
    };
    for (const auto& c : cases) {
        const Bulk_plan plan = plan_bulk_edit(setup, all_positions(setup), {{"cb_s_0", "1"}, c.change});
        EXPECT_EQ(plan.problem, c.problem);
        EXPECT_TRUE(plan.stations.empty());
        EXPECT_TRUE(plan.refused());
    }
}

TEST(BulkEditTogether, EqualControlsShowTheirValueAndMixedOnesCountTheirValues) {
    Tsetup setup;
    read_example(setup);
    const Together_view view = together_view(setup, all_positions(setup));
    EXPECT_EQ(view.stations, 4); // the spare is not shown
    const Form_model form;
    const auto control = [&](const char* name) {
        return view.controls[static_cast<size_t>(form.find(name))];
    };
    // Every configured station sends its SMS to the same number.
    EXPECT_FALSE(control("ed_sms").mixed());
    EXPECT_EQ(control("ed_sms").value.text, "+41797654321");
    EXPECT_EQ(mixed_text(control("ed_sms")), "");
    // Four stations, four descriptions, four IDs: identity fields, which are not edited together.
    EXPECT_EQ(control("ed_description").values, 4);
    EXPECT_EQ(mixed_text(control("ed_description")), "mixed: 4 values");
    EXPECT_TRUE(control("ed_description").identity);
    EXPECT_TRUE(control("ed_ID").identity);
    EXPECT_FALSE(control("ed_sms").identity);
    // Uranine delta on the slow page: ticked on station 101 only, with its threshold >= 5.50; the others
    // show the value before loading, 5.0, disabled.
    EXPECT_TRUE(control("cb_s_1").mixed());
    EXPECT_EQ(control("cb_s_1").values, 2);
    EXPECT_EQ(control("cbb_s_1").enabled, 1);
    EXPECT_EQ(control("ed_s_1").enabled, 1);
    EXPECT_EQ(control("ed_s_1").values, 2);
    EXPECT_EQ(control("ed_s_1").value.text, "5.50"); // the first station's

    Bulk_options include;
    include.include_spares = true;
    const Together_view all = together_view(setup, all_positions(setup), include);
    EXPECT_EQ(all.stations, 5);
    const Together_control sms = all.controls[static_cast<size_t>(form.find("ed_sms"))];
    EXPECT_EQ(sms.values, 2); // the spare has none
    EXPECT_EQ(mixed_text(sms), "mixed: 2 values");

    const Together_view one = together_view(setup, {2});
    EXPECT_EQ(one.stations, 1);
    for (const Together_control& c : one.controls)
        EXPECT_FALSE(c.mixed()) << c.value.name;
}

TEST(BulkEditReview, EachChangedSettingInWordsWithItsOldValuesAndStations) {
    Tsetup setup;
    read_example(setup);
    // Station 2 already sends its SMS to the new number: it is not counted.
    Tstation& second = *stations_of(setup)[1];
    Station_editor editor;
    editor.open(&second);
    std::string problem;
    ASSERT_TRUE(apply_control_change(editor, {"ed_sms", "+41797654399"}, &problem));
    ASSERT_TRUE(editor.ok().stored);

    const Bulk_plan plan =
        plan_bulk_edit(setup, all_positions(setup), {{"ed_sms", "+41797654399"}, {"ed_acq_interval0", "60"}});
    ASSERT_FALSE(plan.refused());
    const std::vector<Review_line> review = bulk_review(plan);
    std::vector<std::string> texts;
    for (const Review_line& l : review)
        texts.push_back(l.text);
    const std::vector<std::string> expected = {
        "GSM timing / Phone number where to send the SMS: \"+41797654321\" -> \"+41797654399\" on 3 stations",
        "Acquisition timing / Interval between two acquisition in slow mode: 15 minutes (2), 10 minutes (1) "
        "-> 60 minutes on 3 stations",
    };
    EXPECT_EQ(texts, expected);
    ASSERT_EQ(review.size(), 2u);
    EXPECT_EQ(review[1].was,
              (std::vector<std::pair<std::string, int>>{{"15 minutes", 2}, {"10 minutes", 1}}));
    EXPECT_EQ(review[1].value, "60 minutes");
}

TEST(BulkEditUndo, OneStepEditsEveryStationAndItsUndoRestoresEveryOne) {
    Tsetup setup;
    read_example(setup);
    const std::string opened = written(setup);
    Document_history history(setup);
    Bulk_plan plan = plan_bulk_edit(setup, all_positions(setup), {{"ed_sms", "+41797654399"}});
    ASSERT_TRUE(history.push(bulk_edit_command(setup, std::move(plan))));
    EXPECT_EQ(history.size(), 1u);
    EXPECT_EQ(history.undo_name(), "Edit 4 stations (101, 102, 203, ...)");
    const std::string edited = written(setup);
    for (const Tstation* s : stations_of(setup))
        if (s->id != -1) {
            EXPECT_EQ(s->configuration.get_sms_number(), "+41797654399");
        }
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(written(setup), opened);
    ASSERT_TRUE(history.redo());
    EXPECT_EQ(written(setup), edited);
}

TEST(BulkReview, StationsThatShareAConfigurationAreCountedEachAndOthersApart) {
    // Station 1 (15 minutes) twice more under IDs of their own, and station 4 (60 minutes): the review
    // compares the copies once, but counts every station and keeps the other's old value apart.
    Tsetup setup;
    std::string reason;
    ASSERT_EQ(setup.read_file(example.c_str(), &reason), 0) << reason;
    const Tstation* first = static_cast<Tstation*>(setup.stations.list.node_at(0)->item);
    for (int32_t id : {901, 902}) {
        Station_copy copy = duplicate_station(*first, id);
        ASSERT_TRUE(copy.station);
        ASSERT_TRUE(setup.stations.append(copy.station.release()));
    }
    const Bulk_plan plan = plan_bulk_edit(setup, {0, 3, 5, 6}, {{"ed_acq_interval0", "30"}});
    ASSERT_FALSE(plan.refused());
    ASSERT_EQ(plan.count(Bulk_outcome::CHANGED), 4u);
    const std::vector<Review_line> lines = bulk_review(plan);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].stations, 4);
    ASSERT_EQ(lines[0].was.size(), 2u);
    EXPECT_EQ(lines[0].was[0].second, 3); // the most frequent old value first
    EXPECT_EQ(lines[0].was[1].second, 1);
    EXPECT_NE(lines[0].was[0].first, lines[0].was[1].first);
}
