// Property: a few hundred random changes of an opened document, as the windows make them (edits through
// the station editor's controls, adds, duplicates, deletes, paths and ports, a new order), with undos and
// redos among them. Every undo and redo gives the document that step left, undoing all of them gives the
// opened one (clean, and saved as the opened file's bytes), and redoing all gives the last one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "Document_commands.h"
#include "Document_history.h"
#include "Station_editor.h"
#include "random_documents.h"
#include "setup/setup_fixture.h"

namespace {

int station_count(Tsetup& setup) {
    return setup.stations.list.count();
}

Tstation& station_at(Tsetup& setup, int position) {
    return *static_cast<Tstation*>(setup.stations.list.node_at(position)->item);
}

// Changes a few of the editor's controls as a user would: ticks, choices, numbers and texts, some of
// which the controls refuse (too long) and some of which make the configuration too large to store.
void random_controls(std::mt19937& rng, Station_editor& editor) {
    const General_controls& general = editor.form.general();
    const int changes = std::uniform_int_distribution<int>(1, 12)(rng);
    std::uniform_int_distribution<int> control(0, static_cast<int>(editor.form.controls().size()) - 1);
    for (int k = 0; k < changes; ++k) {
        const int i = control(rng);
        switch (editor.form.at(i).kind) {
        case Control_kind::CHECK_BOX:
            editor.set_checked(i, rng() % 2 == 0);
            break;
        case Control_kind::CHOICE_LIST:
            editor.set_index(i, static_cast<int>(rng() % 4) - 1);
            break;
        case Control_kind::EDIT:
            if (i == general.phone_nbr || i == general.pin || i == general.description)
                editor.set_text(i, random_text(rng, 40));
            else if (rng() % 2 == 0)
                editor.set_text(i, std::to_string(static_cast<int>(rng() % 20000) - 1000));
            else
                editor.set_text(i, std::to_string(rng() % 10000 / 100.0));
            break;
        }
    }
}

// Distinct positions of the list, ascending: one to a third of it.
std::vector<int> random_positions(std::mt19937& rng, int count) {
    std::vector<int> all(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        all[static_cast<size_t>(i)] = i;
    std::shuffle(all.begin(), all.end(), rng);
    all.resize(static_cast<size_t>(std::uniform_int_distribution<int>(1, std::max(1, count / 3))(rng)));
    return all;
}

struct Random_session {
    Tsetup& setup;
    Document_history& history;
    std::mt19937& rng;
    // What Save writes after each step held: states[i] is the document with i steps done.
    std::vector<std::string> states;
    int pushed = 0, undone = 0, refused = 0;

    void push(std::unique_ptr<Document_command> command) {
        if (!command) return;
        const std::string name = command->name();
        ASSERT_TRUE(history.push(std::move(command))) << name;
        states.resize(history.index());
        states.push_back(written(setup));
        ++pushed;
    }

    void edit() {
        if (station_count(setup) == 0) return;
        const int p = static_cast<int>(rng() % static_cast<unsigned>(station_count(setup)));
        Tstation scratch = station_at(setup, p);
        Station_editor editor;
        editor.open(&scratch);
        random_controls(rng, editor);
        if (!editor.ok().stored) { // too large for the station: the window keeps the editor open
            ++refused;
            return;
        }
        push(edit_station_command(setup, p, station_at(setup, p), scratch));
    }

    void add() {
        Tstation fresh;
        Station_editor editor;
        editor.open(&fresh, true);
        random_controls(rng, editor);
        if (!editor.ok().stored) {
            ++refused;
            return;
        }
        push(add_station_command(setup, station_count(setup), fresh));
    }

    void duplicate() {
        if (station_count(setup) == 0) return;
        std::vector<int> sources = random_positions(rng, station_count(setup));
        std::vector<Tstation> copies;
        for (int p : sources) {
            Tstation copy = station_at(setup, p);
            copy.id += 1;
            copy.phone_nbr[0] = 0;
            copy.pin[0] = 0;
            copies.push_back(copy);
        }
        push(duplicate_stations_command(setup, sources, copies));
    }

    void remove() {
        if (station_count(setup) == 0) return;
        push(delete_stations_command(setup, random_positions(rng, station_count(setup))));
    }

    void sort() {
        std::vector<int> order(static_cast<size_t>(station_count(setup)));
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = static_cast<int>(i);
        std::shuffle(order.begin(), order.end(), rng);
        push(sort_stations_command(setup, order));
    }

    void undo_or_redo() {
        const bool undo = rng() % 3 != 0;
        if (undo ? !history.undo() : !history.redo()) return;
        ++undone;
        ASSERT_EQ(written(setup), states[history.index()]) << "after " << (undo ? "undo" : "redo");
    }

    void act() {
        switch (rng() % 11) {
        case 0:
        case 1:
        case 2:
            return edit();
        case 3:
            return add();
        case 4:
            return duplicate();
        case 5:
            return remove();
        case 6:
            return push(change_path_command(setup, rng() % 2 ? Data_path::BIN : Data_path::XML,
                                            random_text(rng, 80)));
        case 7:
            return push(change_comport_command(setup, static_cast<uint8_t>(rng() % 2), random_text(rng, 31)));
        case 8:
            return sort();
        default:
            return undo_or_redo();
        }
    }
};

} // namespace

TEST(HistoryProperty, UndoAllGivesTheOpenedFileAndRedoAllTheLastChange) {
    Temp_dir dir;
    const std::string opened_path = dir.file("opened.xml"), saved_path = dir.file("saved.xml");
    int pushed = 0, undone = 0, refused = 0;
    for (int seed = 0; seed < 12; ++seed) {
        std::mt19937 rng(static_cast<unsigned>(seed) + 15000);
        {
            Tsetup generated;
            // Several generated documents in one: a few dozen stations, and often two ports of a type.
            for (int part = 0; part < 4; ++part)
                random_document(rng, generated);
            ASSERT_EQ(generated.write_file(opened_path.c_str()), 0);
        }
        const std::string opened_bytes = read_bytes(opened_path);
        Tsetup setup;
        ASSERT_EQ(setup.read_file(opened_path.c_str()), 0);
        Document_history history(setup, 1000);
        Random_session run{setup, history, rng, {written(setup)}};
        ASSERT_EQ(run.states[0], opened_bytes) << "seed " << seed;
        for (int action = 0; action < 300; ++action) {
            run.act();
            ASSERT_FALSE(HasFailure()) << "seed " << seed << ", action " << action;
        }
        // Steps still undone at the end are redone first: the last change is the newest step.
        while (history.can_redo()) {
            ASSERT_TRUE(history.redo()) << "seed " << seed;
            ASSERT_EQ(written(setup), run.states[history.index()]) << "seed " << seed;
        }
        const std::string final_text = written(setup);
        ASSERT_EQ(final_text, run.states.back());
        EXPECT_FALSE(history.is_clean()) << "seed " << seed;

        while (history.can_undo()) {
            ASSERT_TRUE(history.undo()) << "seed " << seed;
            ASSERT_EQ(written(setup), run.states[history.index()]) << "seed " << seed;
        }
        EXPECT_TRUE(history.is_clean()) << "seed " << seed;
        ASSERT_EQ(setup.write_file(saved_path.c_str()), 0);
        EXPECT_EQ(read_bytes(saved_path), opened_bytes) << "seed " << seed;

        while (history.can_redo())
            ASSERT_TRUE(history.redo()) << "seed " << seed;
        EXPECT_EQ(written(setup), final_text) << "seed " << seed;
        EXPECT_FALSE(history.is_clean());
        pushed += run.pushed;
        undone += run.undone;
        refused += run.refused;
    }
    // The actions did happen: most of them changed the document, and undos and redos came between them.
    EXPECT_GT(pushed, 12 * 150);
    EXPECT_GT(undone, 12 * 20);
    std::printf("%d steps pushed, %d undone or redone among them, %d edits refused as too large\n", pushed,
                undone, refused);
}
