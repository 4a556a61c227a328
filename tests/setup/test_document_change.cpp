// What each step tells about the stations it touched: followed on a copy of the list of stations, the
// account must give the document's stations, record for record, after any mix of steps, undo, redo and
// moves over several steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "Document_commands.h"
#include "Document_history.h"
#include "random_documents.h"

namespace {

std::vector<Tstation*> stations_of(Tsetup& setup) {
    std::vector<Tstation*> out;
    for_each_item<Tstation>(setup.stations.list, [&](Tstation& s) { out.push_back(&s); });
    return out;
}

// A view's copy of the stations: which record stands at each position, and the values it showed.
struct Mirror {
    std::vector<Tstation*> records;
    std::vector<Tstation> values;

    void take_all(Tsetup& setup) {
        records = stations_of(setup);
        values.clear();
        for (const Tstation* s : records)
            values.push_back(*s);
    }

    // Follows the change as a view would: only the positions it names are read from the document.
    void follow(const Document_change& change, Tsetup& setup) {
        if (change.everything) {
            take_all(setup);
            return;
        }
        for (size_t i = change.removed.size(); i-- > 0;) {
            const auto at = static_cast<size_t>(change.removed[i]);
            ASSERT_LT(at, records.size());
            records.erase(records.begin() + static_cast<long>(at));
            values.erase(values.begin() + static_cast<long>(at));
        }
        const std::vector<Tstation*> now = stations_of(setup);
        for (int p : change.inserted) {
            ASSERT_LE(static_cast<size_t>(p), records.size());
            ASSERT_LT(static_cast<size_t>(p), now.size());
            records.insert(records.begin() + p, now[static_cast<size_t>(p)]);
            values.insert(values.begin() + p, *now[static_cast<size_t>(p)]);
        }
        for (int p : change.changed) {
            ASSERT_LT(static_cast<size_t>(p), values.size());
            values[static_cast<size_t>(p)] = *records[static_cast<size_t>(p)];
        }
    }

    // The same records in the same order, each with the values the document holds.
    void expect_document(Tsetup& setup, const std::string& step) const {
        const std::vector<Tstation*> now = stations_of(setup);
        ASSERT_EQ(records.size(), now.size()) << step;
        for (size_t i = 0; i < now.size(); ++i) {
            ASSERT_EQ(records[i], now[i]) << step << ": another record at " << i;
            ASSERT_TRUE(same_station(values[i], *now[i])) << step << ": old values shown at " << i;
        }
    }
};

bool ascending(const std::vector<int>& v) {
    return std::adjacent_find(v.begin(), v.end(), [](int a, int b) { return a >= b; }) == v.end();
}

// Up to count distinct positions in a list of n, in random order.
std::vector<int> some_positions(std::mt19937& rng, int n, int count) {
    std::vector<int> all(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        all[static_cast<size_t>(i)] = i;
    std::shuffle(all.begin(), all.end(), rng);
    all.resize(static_cast<size_t>(std::min(n, count)));
    return all;
}

} // namespace

TEST(DocumentChange, FollowedOnACopyItGivesTheDocumentAfterAnyStepsUndoRedoAndMoves) {
    for (unsigned seed = 1; seed <= 12; ++seed) {
        std::mt19937 rng(seed);
        Tsetup setup;
        for (int i = 0; i < 12; ++i)
            setup.stations.append(new Tstation(random_station(rng)));
        Document_history history(setup, 40);
        Mirror mirror;
        mirror.take_all(setup);
        int narrow = 0; // changes that named positions rather than everything
        for (int round = 0; round < 150; ++round) {
            const int n = setup.stations.list.count();
            const auto pick = [&](int below) {
                return std::uniform_int_distribution<int>(0, below - 1)(rng);
            };
            std::unique_ptr<Document_command> command;
            std::string step;
            const int what = pick(13);
            if (what == 0 && n > 0) {
                step = "edit";
                const int at = pick(n);
                Tstation after = random_station(rng);
                command =
                    edit_station_command(setup, at, *stations_of(setup)[static_cast<size_t>(at)], after);
            } else if (what == 1 && n > 0) {
                step = "edit several";
                std::vector<int> at = some_positions(rng, n, 1 + pick(4));
                std::vector<Tstation> before, after;
                for (int p : at) {
                    before.push_back(*stations_of(setup)[static_cast<size_t>(p)]);
                    after.push_back(pick(4) == 0 ? before.back() : random_station(rng)); // some unchanged
                }
                command = edit_stations_command(setup, at, before, after);
            } else if (what == 2) {
                step = "add";
                command = add_station_command(setup, pick(n + 1), random_station(rng));
            } else if (what == 3) {
                step = "append";
                std::vector<Tstation> added(static_cast<size_t>(1 + pick(3)));
                for (Tstation& s : added)
                    s = random_station(rng);
                command = append_stations_command(setup, added);
            } else if (what == 4 && n > 0) {
                step = "duplicate";
                std::vector<int> sources = some_positions(rng, n, 1 + pick(3));
                std::vector<Tstation> copies;
                for (size_t i = 0; i < sources.size(); ++i)
                    copies.push_back(random_station(rng));
                command = duplicate_stations_command(setup, sources, copies);
            } else if ((what == 5 || what == 6) && n > 0) {
                step = "delete";
                command = delete_stations_command(setup, some_positions(rng, n, 1 + pick(4)));
            } else if (what == 7 && n > 1) {
                // Edits, then stations appended, as one step (an import from a spreadsheet).
                step = "combined";
                std::vector<std::unique_ptr<Document_command>> steps;
                const int at = pick(n);
                steps.push_back(edit_station_command(setup, at, *stations_of(setup)[static_cast<size_t>(at)],
                                                     random_station(rng)));
                steps.push_back(append_stations_command(setup, {random_station(rng), random_station(rng)}));
                command = combined_command("Update from a spreadsheet", std::move(steps));
            } else if (what == 8) {
                step = "path";
                command = change_path_command(setup, Data_path::BIN, random_text(rng, 20));
            } else if (what == 9 && n > 1 && pick(3) == 0) {
                step = "sort";
                std::vector<int> order = some_positions(rng, n, n);
                command = sort_stations_command(setup, order);
            }
            Document_change change;
            bool moved = false;
            if (command) {
                const bool sorting = step == "sort";
                ASSERT_TRUE(history.push(std::move(command), &change)) << step;
                EXPECT_EQ(change.everything, sorting) << step;
                moved = true;
            } else if (what == 10) {
                step = "undo";
                moved = history.undo(&change);
            } else if (what == 11) {
                step = "redo";
                moved = history.redo(&change);
            } else if (what == 12) {
                const size_t to = static_cast<size_t>(pick(static_cast<int>(history.size()) + 1));
                step = "move to " + std::to_string(to) + " from " + std::to_string(history.index());
                ASSERT_TRUE(history.move_to(to, &change)) << step;
                moved = true;
            }
            if (!moved) continue;
            ASSERT_TRUE(ascending(change.removed) && ascending(change.inserted) && ascending(change.changed))
                << step;
            if (!change.everything && !change.none()) ++narrow;
            mirror.follow(change, setup);
            mirror.expect_document(setup, "seed " + std::to_string(seed) + ", round " +
                                              std::to_string(round) + ", " + step);
        }
        EXPECT_GT(narrow, 40) << "seed " << seed; // the accounts were followed, not replaced by everything
    }
}

TEST(DocumentChange, EachStepSaysWhatItTouchedAndItsUndoTheReverse) {
    Tsetup setup;
    for (int i = 0; i < 5; ++i) {
        auto* s = new Tstation;
        s->id = 100 + i;
        setup.stations.append(s);
    }
    Document_history history(setup);
    Document_change c;
    ASSERT_TRUE(history.push(delete_stations_command(setup, {3, 1}), &c));
    EXPECT_EQ(c.removed, (std::vector<int>{1, 3}));
    EXPECT_TRUE(c.inserted.empty() && c.changed.empty() && !c.everything);
    ASSERT_TRUE(history.undo(&c));
    EXPECT_EQ(c.inserted, (std::vector<int>{1, 3}));
    EXPECT_TRUE(c.removed.empty());

    Tstation copy;
    copy.id = 200;
    ASSERT_TRUE(history.push(duplicate_stations_command(setup, {0, 2}, {copy, copy}), &c));
    EXPECT_EQ(c.inserted,
              (std::vector<int>{1, 4})); // each behind its source, the first copy moving the second
    Tstation edited = *stations_of(setup)[2];
    edited.id = 300;
    ASSERT_TRUE(history.push(edit_station_command(setup, 2, *stations_of(setup)[2], edited), &c));
    EXPECT_EQ(c.changed, (std::vector<int>{2}));

    // Back over both: the copies go again, and the edited station is named where it stands without them.
    ASSERT_TRUE(history.move_to(0, &c));
    EXPECT_EQ(c.removed, (std::vector<int>{1, 4}));
    EXPECT_EQ(c.changed, (std::vector<int>{1})); // the edited station, where it stands without the copies
    EXPECT_TRUE(c.inserted.empty());
    // Forward again over both.
    ASSERT_TRUE(history.move_to(2, &c));
    EXPECT_EQ(c.inserted, (std::vector<int>{1, 4}));
    EXPECT_EQ(c.changed, (std::vector<int>{2}));

    ASSERT_TRUE(history.push(change_path_command(setup, Data_path::XML, "D:\\xml"), &c));
    EXPECT_TRUE(c.none());
    ASSERT_TRUE(history.push(sort_stations_command(setup, {6, 5, 4, 3, 2, 1, 0}), &c));
    EXPECT_TRUE(c.everything);
    // A move over a step that says everything says everything.
    ASSERT_TRUE(history.move_to(2, &c));
    EXPECT_TRUE(c.everything);
    EXPECT_EQ(history.index(), 2u);
}
