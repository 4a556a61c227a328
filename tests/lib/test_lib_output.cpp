// The writer's numbers and escaped texts must be the very bytes the C library's formatter and the string
// escape give: a saved file may not change by one byte when the way it is written changes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "Lib_output.h"
#include "Lib_xml.h"

namespace {

std::string formatted(const char* format, double value) {
    char text[400];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string fixed(double value, int decimals) {
    std::string text;
    Text_out out(&text);
    out.put_fixed(value, decimals);
    return text;
}

TEST(TextOutNumbers, FixedDecimalsAsTheFormatterWritesThem) {
    // Halfway cases that are exact in binary go to the even digit; those that are not exact go where
    // their binary value lies (2.675 is 2.67499999...). Thresholds are floats widened to double.
    const double values[] = {0.0,   -0.0, 0.125, 0.375,        2.5,     3.5,           -2.5,  2.675,
                             1.005, 0.05, 0.15,  0.25,         12.345f, 1e-7,          -1e-7, 99.995,
                             1e21,  1e39, -4e38, 3.4028235e38, 5e-324,  123456789.125, 10.5,  -0.005};
    for (const double v : values) {
        EXPECT_EQ(fixed(v, 2), formatted("%.2f", v)) << v;
        EXPECT_EQ(fixed(v, 1), formatted("%.1f", v)) << v;
        EXPECT_EQ(fixed(v, 0), formatted("%.0f", v)) << v;
    }
    EXPECT_EQ(fixed(std::numeric_limits<double>::infinity(), 2), formatted("%.2f", HUGE_VAL));
    EXPECT_EQ(fixed(-std::numeric_limits<double>::infinity(), 2), formatted("%.2f", -HUGE_VAL));
    EXPECT_EQ(fixed(std::numeric_limits<double>::quiet_NaN(), 2),
              formatted("%.2f", std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(fixed(std::numeric_limits<double>::max(), 2),
              formatted("%.2f", std::numeric_limits<double>::max()));
}

TEST(TextOutNumbers, EveryFloatThresholdAndBatteryVoltageMatches) {
    // Random bit patterns of single precision, as a threshold is stored, and every tenth of a volt.
    std::mt19937 random(20261209);
    for (int i = 0; i < 200000; ++i) {
        const uint32_t bits = random();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        if (std::isnan(f)) continue;
        const double v = f;
        ASSERT_EQ(fixed(v, 2), formatted("%.2f", v)) << "bits " << bits;
    }
    for (int tenths = -300; tenths <= 300; ++tenths)
        ASSERT_EQ(fixed(tenths * 0.1, 1), formatted("%.1f", tenths * 0.1)) << tenths;
}

TEST(TextOutNumbers, IntegersAtTheirLimits) {
    const long long values[] = {
        0, -1, 7, 2147483647LL, -2147483647LL - 1, 4294967297LL, std::numeric_limits<long long>::min()};
    for (const long long v : values) {
        std::string text;
        {
            Text_out out(&text);
            out.put_int(v);
        }
        char expected[32];
        std::snprintf(expected, sizeof expected, "%lld", v);
        EXPECT_EQ(text, expected);
    }
}

TEST(XmlPutEscaped, SameBytesAsTheEscapedStringAndNeverPastTheField) {
    const char* const texts[] = {"",
                                 "plain",
                                 "\"quoted\" & <tagged> 'text'",
                                 "&",
                                 "ends with <",
                                 "caf\xe9 \xab"
                                 "aval\xbb \x01\x1f\x7f",
                                 "&&&&&&&&&&&&&&&&&&&&&&&&&&&&&&&&&&&&&&&&&&&&&&&&&&&&"};
    for (const char* text : texts) {
        for (const size_t field : {size_t{1}, size_t{2}, size_t{5}, std::strlen(text) + 1, size_t{200}}) {
            std::string appended = "before|";
            {
                Text_out out(&appended);
                xml_put_escaped(&out, text, field);
            }
            EXPECT_EQ(appended, "before|" + xml_escape_field(text, field)) << text << " in " << field;
        }
    }
    // A field without its terminator: only field - 1 bytes are the field's.
    const char unterminated[4] = {'a', '<', 'b', 'c'};
    std::string text;
    {
        Text_out out(&text);
        xml_put_escaped(&out, unterminated, sizeof unterminated);
    }
    EXPECT_EQ(text, "a&lt;b");
}

TEST(TextOutFile, BlocksReachTheFileInOrderAndAFailedWriteIsKept) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    std::string expected;
    {
        Text_out out(file);
        for (int i = 0; i < 300000; ++i) {
            out.put_literal("<r v=\"");
            out.put_int(i);
            out.put_literal("\"/>\r\n");
            expected += "<r v=\"" + std::to_string(i) + "\"/>\r\n";
        }
        EXPECT_TRUE(out.flush());
    }
    std::rewind(file);
    std::string back(expected.size() + 1, '\0');
    EXPECT_EQ(std::fread(&back[0], 1, back.size(), file), expected.size());
    back.resize(expected.size());
    EXPECT_EQ(back, expected);
    std::fclose(file);

    // Pieces of every length, some longer than a block, crossing the blocks' ends anywhere.
    file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    expected.clear();
    {
        Text_out out(file);
        std::mt19937 rng(7);
        for (int i = 0; i < 200; ++i) {
            const size_t n = i % 17 == 0 ? 300000 + rng() % 400000 : rng() % 5000;
            const std::string piece(n, static_cast<char>('a' + i % 26));
            out.put(piece);
            expected += piece;
        }
        EXPECT_TRUE(out.flush());
    }
    std::rewind(file);
    back.assign(expected.size() + 1, '\0');
    EXPECT_EQ(std::fread(&back[0], 1, back.size(), file), expected.size());
    back.resize(expected.size());
    EXPECT_TRUE(back == expected) << "the bytes differ from the pieces put";
    std::fclose(file);

    std::FILE* full = std::fopen("/dev/full", "wb");
    if (full == nullptr) GTEST_SKIP() << "no /dev/full";
    std::setvbuf(full, nullptr, _IONBF, 0); // each write reaches the device, which answers "no space"
    {
        Text_out out(full);
        out.put("a line that the full disk refuses\r\n");
        EXPECT_FALSE(out.flush());
        out.put_int(1);
        EXPECT_FALSE(out.flush()) << "a failure is kept until asked";
        EXPECT_TRUE(out.failed());
    }
    std::fclose(full);
}

} // namespace
