// Properties over many generated documents: write then read gives the same document, and a file our
// writer wrote normalizes to the same bytes.
#include <gtest/gtest.h>

#include "random_document.h"
#include "setup_fixture.h"

namespace {

void expect_same(Tsetup& a, Tsetup& b, int seed) {
    EXPECT_STREQ(a.path_data_bin, b.path_data_bin) << seed;
    EXPECT_STREQ(a.path_data_xml, b.path_data_xml) << seed;
    const auto pa = comports_of(a), pb = comports_of(b);
    ASSERT_EQ(pa.size(), pb.size()) << seed;
    for (size_t i = 0; i < pa.size(); ++i) {
        EXPECT_EQ(pa[i]->type, pb[i]->type) << seed;
        EXPECT_EQ(pa[i]->rate, pb[i]->rate) << seed;
        EXPECT_STREQ(pa[i]->port, pb[i]->port) << seed;
        EXPECT_STREQ(pa[i]->description, pb[i]->description) << seed;
    }
    const auto sa = stations_of(a), sb = stations_of(b);
    ASSERT_EQ(sa.size(), sb.size()) << seed;
    for (size_t i = 0; i < sa.size(); ++i) {
        EXPECT_EQ(sa[i]->id, sb[i]->id) << seed;
        EXPECT_STREQ(sa[i]->phone_nbr, sb[i]->phone_nbr) << seed;
        EXPECT_STREQ(sa[i]->pin, sb[i]->pin) << seed;
        EXPECT_STREQ(sa[i]->description, sb[i]->description) << seed;
        EXPECT_STREQ(sa[i]->display_type, sb[i]->display_type) << seed;
        EXPECT_EQ(sa[i]->configuration, sb[i]->configuration) << seed << " station " << i;
    }
}

} // namespace

TEST(RoundTripProperty, WriteThenReadGivesTheSameDocument) {
    Temp_dir dir;
    const std::string path = dir.file("setup.xml");
    for (int seed = 0; seed < 300; ++seed) {
        std::mt19937 rng(static_cast<unsigned>(seed));
        Tsetup setup;
        random_document(rng, setup);
        ASSERT_EQ(setup.write_file(path.c_str()), 0);
        Tsetup back;
        ASSERT_EQ(back.read_file(path.c_str()), 0) << seed;
        expect_same(setup, back, seed);
        if (HasFailure()) return;
    }
}

TEST(RoundTripProperty, ASecondSaveChangesNothing) {
    Temp_dir dir;
    const std::string first = dir.file("first.xml"), second = dir.file("second.xml");
    for (int seed = 1000; seed < 1300; ++seed) {
        std::mt19937 rng(static_cast<unsigned>(seed));
        Tsetup setup;
        random_document(rng, setup);
        ASSERT_EQ(setup.write_file(first.c_str()), 0);
        Tsetup back;
        ASSERT_EQ(back.read_file(first.c_str()), 0);
        ASSERT_EQ(back.write_file(second.c_str()), 0);
        ASSERT_EQ(read_bytes(first), read_bytes(second)) << seed;
    }
}
