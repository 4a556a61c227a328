// vemora-cli redact: the copy a support person gets differs from the original in the SIM data alone.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "cli_fixture.h"
#include "temp_dir.h"

namespace {

const std::string example = VEMORA_EXAMPLES "/setup.xml";

} // namespace

TEST(Cli_redact, the_copy_differs_from_the_original_in_the_sms_numbers_alone_once_identity_is_ignored) {
    Temp_dir dir;
    const std::string copy = dir.file("for-support.xml");
    const Cli_result r = cli({"redact", example, copy});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("SMS numbers"), std::string::npos) << r.out;
    const std::string text = read_bytes(copy);
    for (const char* secret : {"+41791110101", "+41797654321", "pin=\"1234\"", "pin=\"4321\""})
        EXPECT_EQ(text.find(secret), std::string::npos) << secret;

    const Cli_result d = cli({"diff", example, copy, "--ignore-identity"});
    EXPECT_EQ(d.code, 5);
    std::istringstream lines(d.out);
    int changed = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("  ", 0) != 0) continue; // the heads of A, B and each station
        ++changed;
        EXPECT_NE(line.find("Phone number where to send the SMS"), std::string::npos) << line;
    }
    EXPECT_GE(changed, 1);
    // The descriptions stay unless asked.
    EXPECT_EQ(cli({"diff", example, copy, "--names"}).out.find("Description"), std::string::npos);
}

TEST(Cli_redact, descriptions_on_request_and_never_over_the_original) {
    Temp_dir dir;
    const std::string original = dir.write("setup.xml", read_bytes(example));
    const std::string copy = dir.file("copy.xml");
    ASSERT_EQ(cli({"redact", original, copy, "--descriptions"}).code, 0);
    EXPECT_NE(read_bytes(copy).find("description=\"Station 101\""), std::string::npos);

    const std::string before = read_bytes(original);
    const Cli_result same = cli({"redact", original, original});
    EXPECT_EQ(same.code, 2);
    EXPECT_NE(same.err.find("another file"), std::string::npos) << same.err;
    EXPECT_EQ(read_bytes(original), before);
    EXPECT_EQ(cli({"redact", original, copy, "--phones"}).code, 2);
    EXPECT_EQ(cli({"redact", dir.file("missing.xml"), copy}).code, 1);
}
