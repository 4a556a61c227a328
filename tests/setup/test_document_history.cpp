// The document's history: what each command does and undoes, the names of the steps, the saved state,
// and the bounds on how much is kept.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Document_commands.h"
#include "Document_history.h"
#include "random_documents.h"
#include "setup_fixture.h"

namespace {

// A document with stations 100, 101, ... and both default ports.
void fill(Tsetup& setup, int stations) {
    setup.clear();
    setup.set_defaults();
    for (int i = 0; i < stations; ++i)
        setup.stations.append(new_station(100 + i, ("station " + std::to_string(100 + i)).c_str()));
}

std::vector<int32_t> ids(Tsetup& setup) {
    std::vector<int32_t> out;
    for (const Tstation* s : stations_of(setup))
        out.push_back(s->id);
    return out;
}

std::vector<int32_t> ids_from(int first, int count) {
    std::vector<int32_t> out;
    for (int i = 0; i < count; ++i)
        out.push_back(first + i);
    return out;
}

Tstation record(int32_t id) {
    Tstation s;
    s.id = id;
    return s;
}

// A small step: the BIN path becomes "d" and the number.
std::unique_ptr<Document_command> path_step(Tsetup& setup, int n) {
    auto c = change_path_command(setup, Data_path::BIN, "d" + std::to_string(n));
    EXPECT_NE(c, nullptr);
    return c;
}

} // namespace

TEST(DocumentCommands, NamesSayWhatTheStepDidWithStationIds) {
    Tsetup setup;
    fill(setup, 130);
    Tstation changed = *stations_of(setup)[3];
    copy_text(changed.description, "moved", sizeof changed.description);
    EXPECT_EQ(edit_station_command(setup, 3, *stations_of(setup)[3], changed)->name(), "Edit station 103");
    changed.id = 203;
    EXPECT_EQ(edit_station_command(setup, 3, *stations_of(setup)[3], changed)->name(),
              "Edit station 203 (was 103)");
    EXPECT_EQ(add_station_command(setup, 130, Tstation())->name(), "Add station 0");
    Tstation copy = *stations_of(setup)[1];
    copy.id = 102;
    EXPECT_EQ(duplicate_stations_command(setup, {1}, {copy})->name(), "Duplicate station 101 as 102");
    EXPECT_EQ(duplicate_stations_command(setup, {5, 0, 2}, {copy, copy, copy})->name(),
              "Duplicate 3 stations (100, 102, 105)");
    EXPECT_EQ(delete_stations_command(setup, {7})->name(), "Delete station 107");
    EXPECT_EQ(delete_stations_command(setup, {3, 1, 2})->name(), "Delete 3 stations (101, 102, 103)");
    std::vector<int> many;
    for (int i = 10; i < 130; ++i)
        many.push_back(i);
    EXPECT_EQ(delete_stations_command(setup, many)->name(), "Delete 120 stations (110, 111, 112, ...)");
    std::vector<int> reversed;
    for (int i = 129; i >= 0; --i)
        reversed.push_back(i);
    EXPECT_EQ(sort_stations_command(setup, reversed)->name(), "Sort into file order");
    EXPECT_EQ(change_path_command(setup, Data_path::BIN, "d:\\bin")->name(), "Change path to BIN directory");
    EXPECT_EQ(change_path_command(setup, Data_path::XML, "d:\\xml")->name(), "Change path to XML directory");
    EXPECT_EQ(change_comport_command(setup, COMPORT_DIRECT, "COM7")->name(),
              "Change COM port for direct (cable) connection");
    EXPECT_EQ(change_comport_command(setup, COMPORT_MODEM, "COM8")->name(),
              "Change COM port for modem connection");
    EXPECT_EQ(station_ids_text({}), "");
    EXPECT_EQ(station_ids_text({-7}), "-7");
}

TEST(DocumentCommands, EditingSeveralStationsIsOneStepNamedByTheStationsChanged) {
    Tsetup setup;
    fill(setup, 6);
    const std::vector<Tstation*> s = stations_of(setup);
    std::vector<Tstation> before, after;
    for (int p : {5, 1, 3, 0}) {
        before.push_back(*s[static_cast<size_t>(p)]);
        after.push_back(before.back());
        copy_text(after.back().description, "moved", sizeof after.back().description);
    }
    after[3] = before[3]; // station 100 left as it was: no part of the step
    const auto several = edit_stations_command(setup, {5, 1, 3, 0}, before, after);
    ASSERT_NE(several, nullptr);
    EXPECT_EQ(several->name(), "Edit 3 stations (101, 103, 105)");
    // One station changed is named as an edit of one; none changed is no step.
    EXPECT_EQ(edit_stations_command(setup, {5, 0}, {before[0], before[3]}, {before[0], after[3]}), nullptr);
    const auto one = edit_stations_command(setup, {5, 1}, {before[0], before[1]}, {before[0], after[1]});
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->name(), "Edit station 101");
    // Lists that do not go together, a position past the end or given twice: no step.
    EXPECT_EQ(edit_stations_command(setup, {5, 1}, before, after), nullptr);
    EXPECT_EQ(edit_stations_command(setup, {6, 1}, {before[0], before[1]}, {after[0], after[1]}), nullptr);
    EXPECT_EQ(edit_stations_command(setup, {1, 1}, {before[1], before[1]}, {after[1], after[1]}), nullptr);
}

TEST(DocumentCommands, NoStepForAChangeOfNothingOrOneThatDoesNotFit) {
    Tsetup setup;
    fill(setup, 3);
    const Tstation& first = *stations_of(setup)[0];
    EXPECT_EQ(edit_station_command(setup, 0, first, first), nullptr);
    Tstation other = first;
    other.description[std::strlen(first.description) + 1] =
        'X'; // behind the text's end: Save does not write it
    EXPECT_EQ(edit_station_command(setup, 0, first, other), nullptr);
    other.configuration.add_byte(0x42);
    EXPECT_NE(edit_station_command(setup, 0, first, other), nullptr);
    other = first;
    other.id = 1;
    EXPECT_EQ(edit_station_command(setup, 3, first, other), nullptr); // past the end
    EXPECT_EQ(add_station_command(setup, 4, other), nullptr);
    EXPECT_EQ(add_station_command(setup, -1, other), nullptr);
    EXPECT_EQ(duplicate_stations_command(setup, {3}, {other}), nullptr);
    EXPECT_EQ(duplicate_stations_command(setup, {1, 1}, {other, other}), nullptr);
    EXPECT_EQ(duplicate_stations_command(setup, {1, 2}, {other}), nullptr);
    EXPECT_EQ(delete_stations_command(setup, {}), nullptr);
    EXPECT_EQ(delete_stations_command(setup, {0, 3}), nullptr);
    EXPECT_EQ(sort_stations_command(setup, {0, 1, 2}), nullptr); // already in that order
    EXPECT_EQ(sort_stations_command(setup, {0, 0, 1}), nullptr);
    EXPECT_EQ(sort_stations_command(setup, {1, 0}), nullptr);
    EXPECT_EQ(change_path_command(setup, Data_path::BIN, setup.path_data_bin), nullptr);
    EXPECT_EQ(change_path_command(setup, Data_path::XML, std::string(512, 'x')), nullptr);
    EXPECT_NE(change_path_command(setup, Data_path::XML, std::string(511, 'x')), nullptr);
    EXPECT_EQ(change_path_command(setup, Data_path::XML, std::string("a\0b", 3)), nullptr);
    EXPECT_EQ(change_comport_command(setup, COMPORT_DIRECT, "COM1"), nullptr);
    EXPECT_EQ(change_comport_command(setup, COMPORT_DIRECT, std::string(32, 'C')), nullptr);
    EXPECT_NE(change_comport_command(setup, COMPORT_DIRECT, std::string(31, 'C')), nullptr);
    setup.comports.clear();
    EXPECT_EQ(change_comport_command(setup, COMPORT_MODEM, ""), nullptr); // no port, none to add
}

// Each command's apply and revert, on the stations' order and on what Save writes.
TEST(DocumentCommands, EachStepUndoesToTheSameFileAndRedoesToTheSameChange) {
    Tsetup setup;
    fill(setup, 6);
    const std::string opened = written(setup);
    Document_history history(setup);
    const auto step = [&](std::unique_ptr<Document_command> command, const std::vector<int32_t>& expected) {
        ASSERT_NE(command, nullptr);
        const std::string name = command->name();
        const std::string before = written(setup);
        ASSERT_TRUE(history.push(std::move(command))) << name;
        EXPECT_EQ(ids(setup), expected) << name;
        const std::string after = written(setup);
        EXPECT_NE(after, before) << name;
        ASSERT_TRUE(history.undo());
        EXPECT_EQ(written(setup), before) << name;
        ASSERT_TRUE(history.redo());
        EXPECT_EQ(written(setup), after) << name;
        EXPECT_EQ(ids(setup), expected) << name;
    };
    Tstation edited = *stations_of(setup)[2];
    edited.id = 555;
    edited.configuration.add_byte(0x42);
    step(edit_station_command(setup, 2, *stations_of(setup)[2], edited), {100, 101, 555, 103, 104, 105});
    EXPECT_EQ(stations_of(setup)[2]->configuration, edited.configuration);
    std::vector<Tstation> was, is;
    for (int p : {4, 0, 5}) {
        was.push_back(*stations_of(setup)[static_cast<size_t>(p)]);
        is.push_back(was.back());
        is.back().configuration.add_byte(static_cast<uint8_t>(p));
    }
    step(edit_stations_command(setup, {4, 0, 5}, was, is), {100, 101, 555, 103, 104, 105});
    EXPECT_EQ(stations_of(setup)[5]->configuration, is[2].configuration);
    step(add_station_command(setup, 6, record(7)), {100, 101, 555, 103, 104, 105, 7});
    step(add_station_command(setup, 0, Tstation()), {0, 100, 101, 555, 103, 104, 105, 7});
    const Tstation a = record(1), b = record(2), c = record(3);
    // Each copy right after its source, whatever order the sources come in.
    step(duplicate_stations_command(setup, {7, 1, 3}, {c, a, b}),
         {0, 100, 1, 101, 555, 2, 103, 104, 105, 7, 3});
    step(delete_stations_command(setup, {10, 0, 4, 5}), {100, 1, 101, 103, 104, 105, 7});
    step(sort_stations_command(setup, {6, 0, 5, 1, 4, 2, 3}), {7, 100, 105, 1, 104, 101, 103});
    step(delete_stations_command(setup, {0, 1, 2, 3, 4, 5, 6}), {});
    step(change_path_command(setup, Data_path::BIN, "e:\\bin"), {});
    step(change_path_command(setup, Data_path::XML, ""), {});
    step(change_comport_command(setup, COMPORT_MODEM, "COM9"), {});
    while (history.undo()) {
    }
    EXPECT_EQ(written(setup), opened);
    EXPECT_TRUE(history.is_clean());
}

TEST(DocumentCommands, APortTheFileDidNotHoldIsAddedAndTakenAwayExactly) {
    Tsetup setup;
    fill(setup, 1);
    // Two direct ports and no modem port: the modem port's edit adds one, both direct ports change.
    setup.comports.clear();
    for (const char* name : {"COM1", "COM3"}) {
        auto* port = new Tcomport;
        copy_text(port->port, name, sizeof port->port);
        port->rate = 115200;
        setup.comports.append(port);
    }
    const std::string opened = written(setup);
    Document_history history(setup);
    ASSERT_TRUE(history.push(change_comport_command(setup, COMPORT_MODEM, "COM4")));
    ASSERT_EQ(comports_of(setup).size(), 3u);
    EXPECT_EQ(comports_of(setup)[2]->type, COMPORT_MODEM);
    EXPECT_STREQ(comports_of(setup)[2]->port, "COM4");
    EXPECT_EQ(comports_of(setup)[2]->rate, 9600);
    EXPECT_STREQ(comports_of(setup)[2]->description, "standard analog modem");
    ASSERT_TRUE(history.push(change_comport_command(setup, COMPORT_DIRECT, "COM5")));
    EXPECT_STREQ(comports_of(setup)[0]->port, "COM5");
    EXPECT_STREQ(comports_of(setup)[1]->port, "COM5");
    ASSERT_TRUE(history.undo());
    EXPECT_STREQ(comports_of(setup)[0]->port, "COM1"); // each port its own name again
    EXPECT_STREQ(comports_of(setup)[1]->port, "COM3");
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(written(setup), opened);
    EXPECT_TRUE(history.is_clean());
    ASSERT_TRUE(history.redo());
    ASSERT_TRUE(history.redo());
    EXPECT_EQ(comports_of(setup).size(), 3u);
    EXPECT_STREQ(comports_of(setup)[1]->port, "COM5");
}

TEST(DocumentHistory, CleanFollowsTheSavedStateThroughUndoAndRedo) {
    Tsetup setup;
    fill(setup, 2);
    Document_history history(setup);
    EXPECT_TRUE(history.is_clean());
    EXPECT_FALSE(history.can_undo());
    EXPECT_FALSE(history.can_redo());
    EXPECT_FALSE(history.undo());
    EXPECT_FALSE(history.redo());
    ASSERT_TRUE(history.push(path_step(setup, 1)));
    ASSERT_TRUE(history.push(path_step(setup, 2)));
    EXPECT_FALSE(history.is_clean());
    history.set_clean(); // saved after two steps
    ASSERT_TRUE(history.push(path_step(setup, 3)));
    EXPECT_FALSE(history.is_clean());
    ASSERT_TRUE(history.undo());
    EXPECT_TRUE(history.is_clean());
    ASSERT_TRUE(history.undo()); // past the save
    EXPECT_FALSE(history.is_clean());
    EXPECT_EQ(history.redo_name(), "Change path to BIN directory");
    ASSERT_TRUE(history.redo());
    EXPECT_TRUE(history.is_clean());
    ASSERT_TRUE(history.move_to(3));
    EXPECT_FALSE(history.is_clean());
    ASSERT_TRUE(history.move_to(0));
    EXPECT_STREQ(setup.path_data_bin, "c:\\korvandel\\data_bin");
    EXPECT_FALSE(history.move_to(4));
    EXPECT_EQ(history.index(), 0u);
    // A push after undoing past the save: the saved state is gone for good, also where the steps count
    // as many as they did at the save.
    ASSERT_TRUE(history.push(path_step(setup, 4)));
    EXPECT_FALSE(history.is_clean());
    ASSERT_TRUE(history.push(path_step(setup, 5)));
    EXPECT_EQ(history.index(), 2u);
    EXPECT_FALSE(history.is_clean());
    ASSERT_TRUE(history.undo());
    EXPECT_FALSE(history.is_clean());
    ASSERT_TRUE(history.redo());
    EXPECT_FALSE(history.is_clean());
    // New and Open: an empty history of a document as saved.
    history.clear();
    EXPECT_TRUE(history.is_clean());
    EXPECT_EQ(history.size(), 0u);
    EXPECT_EQ(history.bytes(), 0u);
    EXPECT_FALSE(history.can_undo());
}

TEST(DocumentHistory, APushAfterUndoDropsTheStepsUndone) {
    Tsetup setup;
    fill(setup, 4);
    Document_history history(setup);
    ASSERT_TRUE(history.push(delete_stations_command(setup, {0})));
    ASSERT_TRUE(history.push(delete_stations_command(setup, {0})));
    ASSERT_TRUE(history.push(delete_stations_command(setup, {0})));
    const size_t one = history.bytes() / 3;
    ASSERT_TRUE(history.undo());
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(history.undo_name(), "Delete station 100");
    EXPECT_EQ(history.redo_name(), "Delete station 101");
    ASSERT_TRUE(history.push(path_step(setup, 1)));
    EXPECT_EQ(history.names(),
              (std::vector<std::string>{"Delete station 100", "Change path to BIN directory"}));
    EXPECT_EQ(history.index(), 2u);
    EXPECT_FALSE(history.can_redo());
    EXPECT_EQ(history.redo_name(), "");
    EXPECT_LT(history.bytes(), 2 * one); // the dropped steps' copies are no longer counted
    EXPECT_EQ(ids(setup), (std::vector<int32_t>{101, 102, 103}));
    ASSERT_TRUE(history.undo());
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(ids(setup), (std::vector<int32_t>{100, 101, 102, 103}));
    EXPECT_TRUE(history.is_clean());
}

TEST(DocumentHistory, AStepThatCannotApplyIsNotPushedAndTheUndoneStepsStay) {
    Tsetup setup;
    fill(setup, 5);
    Document_history history(setup);
    ASSERT_TRUE(history.push(path_step(setup, 1)));
    ASSERT_TRUE(history.undo());
    // Made for the document with five stations, pushed when it has two.
    auto late = delete_stations_command(setup, {4});
    ASSERT_NE(late, nullptr);
    for (int i = 0; i < 3; ++i)
        setup.stations.remove(stations_of(setup).back());
    const std::string before = written(setup);
    EXPECT_FALSE(history.push(std::move(late)));
    EXPECT_FALSE(history.push(nullptr));
    EXPECT_EQ(written(setup), before);
    EXPECT_EQ(history.size(), 1u);
    EXPECT_TRUE(history.can_redo());
}

TEST(DocumentHistory, KeepsTheLastHundredSteps) {
    Tsetup setup;
    fill(setup, 1);
    Document_history history(setup);
    EXPECT_EQ(history.max_steps(), 100u);
    for (int n = 1; n <= 150; ++n)
        ASSERT_TRUE(history.push(path_step(setup, n)));
    EXPECT_EQ(history.size(), 100u);
    EXPECT_EQ(history.index(), 100u);
    while (history.undo()) {
    }
    EXPECT_STREQ(setup.path_data_bin, "d50"); // as step 50 left it: the fifty before are gone
    EXPECT_FALSE(history.is_clean());         // the opened document can no longer be reached
    while (history.redo()) {
    }
    EXPECT_STREQ(setup.path_data_bin, "d150");
    EXPECT_FALSE(history.is_clean());
    // A save within the steps kept stays reachable as the oldest steps go.
    ASSERT_TRUE(history.move_to(1));
    history.set_clean();
    ASSERT_TRUE(history.move_to(100));
    ASSERT_TRUE(history.push(path_step(setup, 151))); // drops the oldest step: the save is now index 0
    ASSERT_TRUE(history.move_to(0));
    EXPECT_TRUE(history.is_clean());
    ASSERT_TRUE(history.move_to(100));
    ASSERT_TRUE(history.push(path_step(setup, 152))); // and now the save goes too
    ASSERT_TRUE(history.move_to(0));
    EXPECT_FALSE(history.is_clean());
}

TEST(DocumentHistory, DropsTheOldestStepsBeyondTheByteBoundButKeepsTheNewest) {
    Tsetup setup;
    fill(setup, 3000);
    // A delete of 1,000 stations holds their copies: more than 1000 * sizeof(Tstation).
    const size_t bound = 1500 * sizeof(Tstation);
    Document_history history(setup, 100, bound);
    std::vector<int> thousand;
    for (int i = 0; i < 1000; ++i)
        thousand.push_back(i);
    ASSERT_TRUE(history.push(delete_stations_command(setup, thousand)));
    const size_t one = history.bytes();
    EXPECT_GE(one, 1000 * sizeof(Tstation));
    EXPECT_LT(one, 1100 * sizeof(Tstation));
    ASSERT_TRUE(history.push(path_step(setup, 1)));
    EXPECT_EQ(history.size(), 2u);
    ASSERT_TRUE(history.push(delete_stations_command(setup, thousand))); // two deletes: beyond the bound
    EXPECT_EQ(history.names(), (std::vector<std::string>{"Change path to BIN directory",
                                                         "Delete 1000 stations (1100, 1101, 1102, ...)"}));
    EXPECT_LE(history.bytes(), bound);
    while (history.undo()) {
    }
    EXPECT_EQ(ids(setup), ids_from(1100, 2000)); // the first delete was dropped
    EXPECT_FALSE(history.is_clean());

    // One step larger than the bound on its own is kept, as the only one, and undoes.
    Document_history small(setup, 100, 1000);
    ASSERT_TRUE(small.push(path_step(setup, 2)));
    ASSERT_TRUE(small.push(delete_stations_command(setup, thousand)));
    EXPECT_EQ(small.size(), 1u);
    EXPECT_GT(small.bytes(), small.max_bytes());
    EXPECT_EQ(ids(setup), ids_from(2100, 1000));
    ASSERT_TRUE(small.undo());
    EXPECT_EQ(ids(setup), ids_from(1100, 2000));
    EXPECT_FALSE(small.can_undo());
}

TEST(DocumentHistory, TheDefaultBoundHoldsAHundredEditsAndSaysItsFigure) {
    EXPECT_EQ(Document_history::BYTES_KEPT, size_t{64} << 20);
    Tsetup setup;
    fill(setup, 1);
    Document_history history(setup);
    Tstation record = *stations_of(setup)[0];
    for (int n = 0; n < 120; ++n) {
        Tstation next = record;
        next.id = n + 1000;
        ASSERT_TRUE(history.push(edit_station_command(setup, 0, record, next)));
        record = next;
    }
    EXPECT_EQ(history.size(), 100u);
    // Two copies of the record and little else per edit.
    EXPECT_GE(history.bytes(), 100 * 2 * sizeof(Tstation));
    EXPECT_LT(history.bytes(), 100 * 3 * sizeof(Tstation));
}

TEST(DocumentCommands, StepsMadeOneApplyTogetherOrNotAtAll) {
    Tsetup setup;
    fill(setup, 3);
    const std::string path = setup.path_data_bin;
    std::vector<std::unique_ptr<Document_command>> steps;
    steps.push_back(path_step(setup, 1));
    steps.push_back(append_stations_command(setup, {record(7), record(8)}));
    steps.push_back(nullptr);
    auto step = combined_command("Update 3 things", std::move(steps));
    ASSERT_NE(step, nullptr);
    EXPECT_EQ(step->name(), "Update 3 things");
    ASSERT_TRUE(step->apply(setup));
    EXPECT_EQ(ids(setup), (std::vector<int32_t>{100, 101, 102, 7, 8}));
    EXPECT_STREQ(setup.path_data_bin, "d1");
    ASSERT_TRUE(step->revert(setup));
    EXPECT_EQ(ids(setup), ids_from(100, 3));
    EXPECT_EQ(setup.path_data_bin, path);

    // On a document it was not made for, the append fails and the path step before it is taken back.
    Tsetup other;
    fill(other, 5);
    EXPECT_FALSE(step->apply(other));
    EXPECT_EQ(ids(other), ids_from(100, 5));
    EXPECT_EQ(other.path_data_bin, path);

    // One step left is that step itself; none is no step.
    std::vector<std::unique_ptr<Document_command>> one;
    one.push_back(append_stations_command(setup, {record(9)}));
    EXPECT_EQ(combined_command("x", std::move(one))->name(), "Add station 9");
    EXPECT_EQ(combined_command("x", {}), nullptr);
    EXPECT_EQ(append_stations_command(setup, {}), nullptr);
}

namespace {

// A step named after the station it edits: "Edit station 10n".
std::unique_ptr<Document_command> edit_step(Tsetup& setup, int position) {
    Tstation changed = *stations_of(setup)[static_cast<size_t>(position)];
    copy_text(changed.description, "changed", sizeof changed.description);
    return edit_station_command(setup, position, *stations_of(setup)[static_cast<size_t>(position)], changed);
}

} // namespace

TEST(DocumentHistory, ChangesSinceSaveNameTheStepsDoneAndUndoneSinceThen) {
    Tsetup setup;
    fill(setup, 3);
    Document_history history(setup);
    using Names = std::vector<std::string>;
    EXPECT_EQ(history.changes_since_save(), Names{});
    ASSERT_TRUE(history.push(edit_step(setup, 0)));
    ASSERT_TRUE(history.push(edit_step(setup, 1)));
    const std::string one = history.name(0), two = history.name(1);
    ASSERT_NE(one, two);
    EXPECT_EQ(history.changes_since_save(), (Names{one, two}));
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(history.changes_since_save(), (Names{one, two + " (undone)"}));
    ASSERT_TRUE(history.redo()); // back as it was done: named once, done
    EXPECT_EQ(history.changes_since_save(), (Names{one, two}));

    history.set_clean(); // saved with both steps done
    EXPECT_EQ(history.changes_since_save(), Names{});
    ASSERT_TRUE(history.undo());
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(history.changes_since_save(), (Names{two + " (undone)", one + " (undone)"}));
    ASSERT_TRUE(history.redo()); // the first step again as it was saved: no change of it
    EXPECT_EQ(history.changes_since_save(), (Names{two + " (undone)"}));
    // A new step drops the undone second one, which stays named: the saved file had it.
    ASSERT_TRUE(history.push(edit_step(setup, 2)));
    EXPECT_EQ(history.changes_since_save(), (Names{two + " (undone)", history.name(1)}));

    history.set_clean();
    ASSERT_TRUE(history.undo()); // undone before the next save, redone after it
    history.set_clean();
    ASSERT_TRUE(history.redo());
    EXPECT_EQ(history.changes_since_save(), (Names{history.name(1)}));
    history.clear();
    EXPECT_EQ(history.changes_since_save(), Names{});
}

TEST(DocumentHistory, ChangesSinceSaveSurviveTheBoundsDroppingTheirSteps) {
    Tsetup setup;
    fill(setup, 6);
    Document_history history(setup, 3);
    for (int i = 0; i < 6; ++i)
        ASSERT_TRUE(history.push(edit_step(setup, i)));
    // Six steps since the save, though only three can still be undone; a step made later never takes
    // the place of a dropped one.
    const std::vector<std::string> changes = history.changes_since_save();
    ASSERT_EQ(changes.size(), 6u);
    EXPECT_EQ(changes.front(), "Edit station 100");
    EXPECT_EQ(changes.back(), history.name(2));
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(history.changes_since_save().back(), history.name(2) + " (undone)");
    EXPECT_EQ(history.changes_since_save().size(), 6u);
}

TEST(DocumentCommands, ReplacingTheWholeDocumentIsOneStepThatUndoesExactly) {
    std::mt19937 rng(1717);
    for (int round = 0; round < 40; ++round) {
        Tsetup setup, other;
        random_document(rng, setup);
        random_document(rng, other);
        const std::string before = written(setup), after = written(other);
        Document_history history(setup);
        ASSERT_TRUE(history.push(replace_document_command(setup, other, "Restore version 1")));
        EXPECT_EQ(written(setup), after);
        EXPECT_EQ(written(other), after); // the source is only read
        ASSERT_TRUE(history.undo());
        EXPECT_EQ(written(setup), before);
        ASSERT_TRUE(history.redo());
        EXPECT_EQ(written(setup), after);
        EXPECT_EQ(history.name(0), "Restore version 1");
        EXPECT_GT(history.bytes(), 0u);
    }
}
