// The station query's parser as a table: each query and the tree it gives, each wrong query and the
// message that says where it is wrong.
#include <gtest/gtest.h>

#include "Station_query.h"

namespace {

std::string tree_of(const std::string& text) {
    Station_query q;
    std::string error;
    if (!q.parse(text, &error)) return "error: " + error;
    return q.tree_text();
}

} // namespace

TEST(StationQuery, EachFieldParsesIntoItsTerm) {
    const struct {
        const char* query;
        const char* tree;
    } cases[] = {
        {"", "(all)"},
        {"   ", "(all)"},
        {"Areuse", "(word \"areuse\")"},
        {"\"Les PR\xc9S\"", "(word \"les pr\xe9s\")"}, // Latin-1 letters fold too
        {"id:101", "(id 101)"},
        {"id:-1", "(id -1)"},
        {"id:100-199", "(id 100..199)"},
        {"id:-5--1", "(id -5..-1)"},
        {"ID>100", "(id 101..max)"},
        {"id<=199", "(id min..199)"},
        {"id!=0", "(id not 0)"},
        {"phone:+4179*", "(phone \"+4179*\")"},
        {"desc:\"Areuse  Boudry\"", "(desc \"areuse\" \"boudry\")"},
        {"desc:orbe", "(desc \"orbe\")"},
        {"sms:+41797654321", "(sms \"+41797654321\")"},
        {"bytes>200", "(bytes 201..max)"},
        {"bytes<=150", "(bytes min..150)"},
        {"bytes<1", "(bytes min..0)"},
        {"bytes>=223", "(bytes 223..max)"},
        {"bytes=0", "(bytes 0)"},
        {"bytes:100-150", "(bytes 100..150)"},
        {"uses:161", "(uses slow,fast,remote 161)"},
        {"uses:uranine", "(uses slow,fast,remote 1,5)"},
        {"uses:\"tinopal delta\"", "(uses slow,fast,remote 3)"}, // the caption's two blanks count as one
        {"uses:\"signal A\"", "(uses slow,fast,remote 161)"},
        {"uses:vbat", "(uses slow,fast,remote vbat)"},
        {"slow:uranine", "(uses slow 1,5)"},
        {"fast:9", "(uses fast 9)"},
        {"remote:pulse", "(uses remote 172,173,174,175)"},
        {"ed_acq_interval0=15.00", "(ed_acq_interval0 = \"15.00\")"},
        {"cbb_s_1!=0", "(cbb_s_1 != \"0\")"},
        {"ed_s_1>=5", "(ed_s_1 >= \"5\")"},
        {"ed_id=101", "(ed_ID = \"101\")"}, // control names found whatever their case
        {"ed_description=\"a b\"", "(ed_description = \"a b\")"},
        {"spare", "spare"},
        {"problem", "problem"},
        {"DUP", "dup"},
        {"\"spare\"", "(word \"spare\")"}, // in quotes a keyword is a word
        {"12:30", "(word \"12:30\")"},     // a colon behind no field name is part of the word
    };
    for (const auto& c : cases)
        EXPECT_EQ(tree_of(c.query), c.tree) << c.query;
}

TEST(StationQuery, TermsSideBySideOrAndNotGroup) {
    const struct {
        const char* query;
        const char* tree;
    } cases[] = {
        {"areuse boudry", "(and (word \"areuse\") (word \"boudry\"))"},
        {"a OR b", "(or (word \"a\") (word \"b\"))"},
        {"a b OR c", "(or (and (word \"a\") (word \"b\")) (word \"c\"))"}, // OR binds less
        {"a OR b c", "(or (word \"a\") (and (word \"b\") (word \"c\")))"},
        {"a OR b OR c", "(or (word \"a\") (word \"b\") (word \"c\"))"},
        {"a or b", "(and (word \"a\") (word \"or\") (word \"b\"))"}, // only OR in capitals joins
        {"-spare", "(not spare)"},
        {"--spare", "spare"},
        {"-(a OR b)", "(not (or (word \"a\") (word \"b\")))"},
        {"(a OR b) c", "(and (or (word \"a\") (word \"b\")) (word \"c\"))"},
        {"((a))", "(word \"a\")"},
        {"uses:161 -bytes>200", "(and (uses slow,fast,remote 161) (not (bytes 201..max)))"},
        {"P3-x", "(word \"p3-x\")"}, // a dash inside a word is no NOT
        {"id:100-199 (phone:+4179* OR -dup)", "(and (id 100..199) (or (phone \"+4179*\") (not dup)))"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tree_of(c.query), c.tree) << c.query;
}

TEST(StationQuery, AWrongQuerySaysWhereAndChangesNothing) {
    const struct {
        const char* query;
        const char* error;
    } cases[] = {
        {"uses:161 spare)", "unexpected ')' at character 15"},
        {") a", "unexpected ')' at character 1"},
        {"(a OR b", "missing ')' for the '(' at character 1"},
        {"a (", "missing ')' for the '(' at character 3"},
        {"a ()", "empty parentheses at character 3"},
        {"OR a", "OR needs a term before it at character 1"},
        {"a OR", "OR needs a term after it at character 3"},
        {"a OR OR b", "OR needs a term after it at character 3"},
        {"(a OR) b", "OR needs a term after it at character 4"},
        {"a - b", "'-' needs a term right after it at character 3"},
        {"a -", "'-' needs a term right after it at character 3"},
        {"(a -)", "'-' needs a term right after it at character 4"},
        {"-OR", "'-' needs a term right after it at character 1"},
        {"desc:\"areuse", "the '\"' is not closed at character 6"},
        {"\"\"", "empty word \"\" at character 1"},
        {"colour:red",
         "unknown field \"colour\" (id, phone, desc, sms, bytes, uses, slow, fast, remote, template) at "
         "character 1"},
        {"a id:x", "id: takes a number or a range (100-199), not \"x\" at character 6"},
        {"id:199-100", "the range 199-100 is empty at character 4"},
        {"id:12345678901", "id: takes a number or a range (100-199), not \"12345678901\" at character 4"},
        {"bytes>lots", "bytes is compared with a whole number, not \"lots\" at character 7"},
        {"phone:", "phone: needs a value at character 1"},
        {"desc:\" \"", "desc: needs a word at character 1"},
        {"uses:163", "there is no channel 163 at character 6"},
        {"slow:colour", "no channel's caption holds \"colour\" at character 6"},
        {"uses:", "uses: needs a value at character 1"},
        {"ed_nothing=1", "no field or control \"ed_nothing\" at character 1"},
        {"cbb_s_1!0", "'!' must be followed by '=' at character 8"},
        {"ed_s_1>five", "\"five\" is no number to compare with at character 8"},
    };
    for (const auto& c : cases) {
        Station_query q;
        ASSERT_TRUE(q.parse("id:101", nullptr));
        std::string error;
        EXPECT_FALSE(q.parse(c.query, &error)) << c.query;
        EXPECT_EQ(error, c.error) << c.query;
        EXPECT_EQ(q.tree_text(), "(id 101)") << c.query; // the query parsed before stays
    }
}

TEST(StationQuery, NestingIsBoundedNotRecursedWithoutEnd) {
    std::string error;
    Station_query q;
    EXPECT_TRUE(q.parse(std::string(64, '(') + "a" + std::string(64, ')'), &error)) << error;
    EXPECT_FALSE(q.parse(std::string(65, '(') + "a" + std::string(65, ')'), &error));
    EXPECT_EQ(error, "parentheses nested more than 64 deep at character 65");
    EXPECT_FALSE(q.parse(std::string(100000, '(') + "a", &error));
    EXPECT_FALSE(q.parse(std::string(65, '-') + "a", &error));
    EXPECT_EQ(error, "more than 64 '-' in a row at character 1");
    // A long flat query is no problem.
    std::string flat;
    for (int i = 0; i < 20000; ++i)
        flat += "w" + std::to_string(i) + (i % 2 ? " OR " : " ");
    EXPECT_TRUE(q.parse(flat + "end", &error)) << error;
}

TEST(StationQuery, ControlsNamedAreListedForTheFacts) {
    Station_query q;
    ASSERT_TRUE(q.parse("ed_acq_interval0=15.00 OR (cbb_s_1!=0 uses:161) -ED_ID=5", nullptr));
    EXPECT_EQ(q.controls(), (std::vector<std::string>{"ed_acq_interval0", "cbb_s_1", "ed_ID"}));
    ASSERT_TRUE(q.parse("uses:161", nullptr));
    EXPECT_TRUE(q.controls().empty());
}
