// Bounded copy, path trimming and the lenient number parsers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "Lib_text.h"

TEST(CopyText, CopiesOnlyWhenTextAndTerminatorFit) {
    char field[8] = "xxxxxxx";
    EXPECT_EQ(copy_text(field, "COM10", 5), 0);
    EXPECT_STREQ(field, "");
    EXPECT_EQ(copy_text(field, "COM10", 6), 5);
    EXPECT_STREQ(field, "COM10");
}

TEST(CopyText, MissingSourceEmptiesTheTargetAndNoSizeWritesNothing) {
    char field[4] = "abc";
    EXPECT_EQ(copy_text(field, "a", 0), 0);
    EXPECT_STREQ(field, "abc"); // an area of 0 bytes has no byte to empty
    EXPECT_EQ(copy_text(field, nullptr, 4), 0);
    EXPECT_EQ(field[0], 0);
    EXPECT_EQ(copy_text(nullptr, "a", 4), 0);
    std::strcpy(field, "abc");
    EXPECT_EQ(copy_text(field, "a", -1), 0);
    EXPECT_STREQ(field, "abc"); // a negative size leaves the area alone: nothing of it may be written
}

TEST(StripTrailingSeparators, RemovesSlashesAndBackslashesButKeepsALoneOne) {
    char a[] = "c:\\data\\\\";
    strip_trailing_separators(a);
    EXPECT_STREQ(a, "c:\\data");
    char b[] = "/";
    strip_trailing_separators(b);
    EXPECT_STREQ(b, "/");
    char c[] = "ab/";
    strip_trailing_separators(c);
    EXPECT_STREQ(c, "ab");
    char d[] = "c:\\";
    strip_trailing_separators(d);
    EXPECT_STREQ(d, "c:");
    char e[] = "//\\/";
    strip_trailing_separators(e);
    EXPECT_STREQ(e, "/");
    strip_trailing_separators(nullptr);
}

struct Int_case {
    const char* text;
    int32_t value;
    bool error;
};

TEST(ParseInt, LenientRules) {
    const Int_case cases[] = {
        {"-12", -12, false},
        {"12a", 12, true},
        {"", 0, false},
        {"4294967297", 1, false},
        {"1 2", 12, false},
        {"5-", -5, false},
        {"-+5", 5, false},
        {" - 3", -3, false},
        {"abc", 0, true},
        {"1.5", 1, true},
        {"\t7\t", 7, false},
        {"2147483648", INT32_MIN, false},
        {"\xe9"
         "1",
         0, true},
        {"-2147483648", INT32_MIN, false},
    };
    for (const Int_case& c : cases) {
        int32_t value = 99;
        EXPECT_EQ(parse_int(c.text, &value), c.error) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
    int32_t value = 99;
    EXPECT_TRUE(parse_int(nullptr, &value));
    EXPECT_EQ(value, 0);
    EXPECT_FALSE(parse_int("3", nullptr));
}

TEST(ParseUint, MinusIsAnErrorAndPlusIsSkipped) {
    uint32_t value = 99;
    EXPECT_TRUE(parse_uint("-3", &value));
    EXPECT_EQ(value, 0u);
    EXPECT_FALSE(parse_uint("+4294967295", &value));
    EXPECT_EQ(value, 4294967295u);
    EXPECT_TRUE(parse_uint("12-3", &value));
    EXPECT_EQ(value, 12u);
}

TEST(ParseReal, SumsDigitsWithAFallingWeight) {
    double value = 0;
    EXPECT_FALSE(parse_real("-0.3", &value));
    EXPECT_EQ(value, -(0.1 + 0.1 + 0.1)); // -0.30000000000000004, not the double nearest to -0.3
    EXPECT_NE(value, -0.3);
    EXPECT_FALSE(parse_real("2.5e-1", &value));
    EXPECT_EQ(value, 0.25);
    EXPECT_TRUE(parse_real("1,5", &value));
    EXPECT_EQ(value, 1.0);
    EXPECT_FALSE(parse_real(" 7 ", &value));
    EXPECT_EQ(value, 7.0);
    EXPECT_TRUE(parse_real("1.5V", &value));
    EXPECT_EQ(value, 1.5);
    EXPECT_FALSE(parse_real("1e0.5", &value));
    EXPECT_DOUBLE_EQ(value, std::pow(10.0, 0.5));
    EXPECT_FALSE(parse_real("1.2.3", &value)); // a second point changes nothing
    EXPECT_EQ(value, 1.0 + 2 * 0.1 + 3 * (0.1 / 10));
    EXPECT_FALSE(parse_real("5-", &value));
    EXPECT_EQ(value, -5.0);
    EXPECT_FALSE(parse_real("1E-3", &value)); // an upper-case E, a signed exponent
    EXPECT_EQ(value, std::pow(10.0, -3.0) * 1.0);
    EXPECT_FALSE(parse_real("-1.5e+2", &value));
    EXPECT_EQ(value, -150.0);
    EXPECT_FALSE(parse_real("2e-", &value)); // the exponent's sign alone: 10^-0
    EXPECT_EQ(value, 2.0);
    EXPECT_FALSE(parse_real("", &value));
    EXPECT_EQ(value, 0.0);
    EXPECT_TRUE(parse_real(nullptr, &value));
    EXPECT_EQ(value, 0.0);
}

TEST(ParseReal, MatchesTheDigitSumForManyDecimals) {
    // The value must be pow(10, X) * M with M built digit by digit, whatever the digits.
    for (int whole = 0; whole < 50; whole += 7) {
        for (int frac = 0; frac < 1000; frac += 37) {
            char text[32];
            std::snprintf(text, sizeof text, "%d.%03d", whole, frac);
            double m = 0, w = 0.1;
            for (const char* p = text; *p; ++p) {
                if (*p == '.') continue;
                if (p < std::strchr(text, '.')) {
                    m = m * 10 + (*p - '0');
                } else {
                    m = m + (*p - '0') * w;
                    w = w / 10;
                }
            }
            double value = -1;
            EXPECT_FALSE(parse_real(text, &value));
            EXPECT_EQ(value, std::pow(10.0, 0.0) * m) << text;
        }
    }
}

TEST(ConvertTextValue, TextFieldsAreCutToSizeMinusOne) {
    char field[32];
    const std::string ok(31, 'a'), too_long(32, 'b');
    EXPECT_FALSE(convert_text_value(ok.c_str(), field, VALUE_TEXT, 32));
    EXPECT_EQ(std::string(field), ok);
    EXPECT_TRUE(convert_text_value(too_long.c_str(), field, VALUE_TEXT, 32));
    EXPECT_EQ(std::string(field), std::string(31, 'b'));
}

TEST(ConvertTextValue, ZeroFillsTheRestOfTheField) {
    char field[8];
    std::memset(field, 'x', sizeof field);
    EXPECT_FALSE(convert_text_value("ab", field, VALUE_TEXT, 8));
    for (int i = 2; i < 8; ++i)
        EXPECT_EQ(field[i], 0) << i;
}

TEST(ConvertTextValue, NumericKindsAndUnknownKind) {
    int32_t i = 0;
    EXPECT_FALSE(convert_text_value("-7", &i, VALUE_INT, 0));
    EXPECT_EQ(i, -7);
    uint32_t u = 0;
    EXPECT_TRUE(convert_text_value("-7", &u, VALUE_UINT, 0));
    double d = 0;
    EXPECT_FALSE(convert_text_value("2.5", &d, VALUE_REAL, 0));
    EXPECT_EQ(d, 2.5);
    int32_t untouched = 5;
    EXPECT_TRUE(convert_text_value("1", &untouched, 9, 0));
    EXPECT_EQ(untouched, 5);
    EXPECT_TRUE(convert_text_value(nullptr, &untouched, VALUE_INT, 0));
    EXPECT_TRUE(convert_text_value("1", nullptr, VALUE_INT, 0));
    char field[4];
    EXPECT_TRUE(convert_text_value("a", field, VALUE_TEXT, 0)); // no room even for the terminator
}
