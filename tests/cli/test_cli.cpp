// vemora-cli: exact output formats and exit codes of normalize, dump and check, usage errors, output
// failures.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "Fd_output.h"
#include "cli_fixture.h"
#include "temp_dir.h"

namespace {
const std::string example = VEMORA_EXAMPLES "/setup.xml";
}

TEST(CliUsage, HelpVersionAndUsageErrors) {
    EXPECT_EQ(cli({"--help"}).code, 0);
    EXPECT_NE(cli({"--help"}).out.find("normalize IN OUT"), std::string::npos);
    EXPECT_EQ(cli({"--version"}).out, "vemora-cli 1.0.0\n");
    EXPECT_EQ(cli({}).code, 2);
    EXPECT_EQ(cli({"frobnicate"}).code, 2);
    EXPECT_EQ(cli({"normalize", "a"}).code, 2);
    EXPECT_EQ(cli({"dump"}).code, 2);
    EXPECT_EQ(cli({"check", "a", "b"}).code, 2);
}

TEST(CliUsage, AUsageErrorIsOneLine) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "no command given (vemora-cli --help lists the commands)"},
        {{"frobnicate"}, "unknown command \"frobnicate\" (vemora-cli --help lists the commands)"},
        {{"normalize", "a"}, "usage: vemora-cli normalize IN OUT"},
        {{"dump"}, "usage: vemora-cli dump IN"},
        {{"check", "a", "b"}, "usage: vemora-cli check IN"},
        {{"form", "a"}, "usage: vemora-cli form IN N"},
        {{"edit", "a", "1"}, "usage: vemora-cli edit IN N OUT [NAME=VALUE ...]"},
    };
    for (const auto& c : cases) {
        const Cli_result r = cli(c.first);
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.err, "vemora-cli: " + c.second + "\n");
        EXPECT_EQ(r.out, "");
    }
}

TEST(CliNormalize, TheExampleNormalizesToItself) {
    Temp_dir dir;
    const std::string out = dir.file("out.xml");
    const Cli_result r = cli({"normalize", example, out});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(read_bytes(out), read_bytes(example));
}

TEST(CliNormalize, ReadAndWriteFailuresNameTheFileAndTheReason) {
    Temp_dir dir;
    Cli_result r = cli({"normalize", dir.file("absent.xml"), dir.file("out.xml")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err,
              "vemora-cli: cannot read \"" + dir.file("absent.xml") + "\": No such file or directory\n");
    r = cli({"normalize", example, dir.file("no/folder/out.xml")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "vemora-cli: cannot write \"" + dir.file("no/folder/out.xml") +
                         "\": No such file or directory\n");
    r = cli({"normalize", dir.write("bad.xml", "<SETUP>\n<STATIONS>\n"), dir.file("out.xml")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("\": line 2, column 11: "), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.xml")));
}

TEST(CliDump, OneLinePerStationWithTheWholeUsableImage) {
    Temp_dir dir;
    const std::string in = dir.write("in.xml", "<SETUP><STATIONS><STATION id='-1'><CONFIGURATION>"
                                               "<ACQ_INTERVAL0 value='900'/></CONFIGURATION></STATION>"
                                               "<STATION id='7'/></STATIONS></SETUP>");
    const Cli_result r = cli({"dump", in});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "1 id=-1 cursor=6 image=8500000384ff" + std::string(217 * 2, 'f') + "\n" +
                         "2 id=7 cursor=0 image=" + std::string(223 * 2, 'f') + "\n");
    EXPECT_EQ(cli({"dump", dir.file("absent.xml")}).code, 1);
}

TEST(CliDump, ReadingErrorsGoToTheErrorStream) {
    Temp_dir dir;
    const Cli_result r = cli({"dump", dir.write("in.xml", "<SETUP><STATIONS><STATION><CONFIGURATION><X/>"
                                                          "</CONFIGURATION></STATION></STATIONS></SETUP>")});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "ERROR : Teeprom_configurer, unknown element \"X\"\n");
    EXPECT_EQ(r.out.rfind("1 id=0 cursor=1 image=ff", 0), 0u);
}

TEST(CliDump, TheExampleHasItsStations) {
    const Cli_result r = cli({"dump", example});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.rfind("1 id=101 cursor=", 0), 0u);
    size_t lines = 0;
    for (char c : r.out)
        lines += c == '\n';
    EXPECT_EQ(lines, 5u);
}

TEST(CliCheck, ACleanFilePrintsNothing) {
    const Cli_result r = cli({"check", example});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "");
}

TEST(CliCheck, ErrorLinesThenWarningsNamingTheStation) {
    Temp_dir dir;
    std::string overflow;
    for (int i = 0; i < 50; ++i)
        overflow += "<GSM_INTERVAL value='1'/>";
    const std::string in =
        dir.write("in.xml", "<SETUP><STATIONS>"
                            "<STATION id='5'><CONFIGURATION><LOCATIONS/><ACQUISITION_SEQUENCE "
                            "value='7'/></CONFIGURATION></STATION>"
                            "<STATION id='6' description='" +
                                std::string(300, 'd') + "'><CONFIGURATION>" + overflow +
                                "</CONFIGURATION></STATION>"
                                "<STATION id='5'><CONFIGURATION file='" +
                                dir.file("missing.xml") +
                                "'/></STATION>"
                                "</STATIONS></SETUP>");
    const Cli_result r = cli({"check", in});
    EXPECT_EQ(r.code, 4);
    EXPECT_EQ(
        r.out,
        "ERROR : Teeprom_configurer, unknown element \"LOCATIONS\"\n"
        "ERROR : Erroneous acquisition sequence number 7\n"
        "WARNING : station 2 (id 6): description of 300 characters was cut to 255\n"
        "WARNING : station 2 (id 6): the configuration does not fit the station's 223 bytes; what did not "
        "fit was dropped, from \"GSM_INTERVAL\" on\n"
        "WARNING : station 3 (id 5): configuration file \"" +
            dir.file("missing.xml") +
            "\" could not be read (No such file or directory); the element's own configuration was used\n"
            "WARNING : station 3 (id 5): the same id as station 1\n");
}

TEST(CliCheck, NestedTooDeeplyAndUnreadableInput) {
    Temp_dir dir;
    const std::string self = dir.file("self.xml");
    dir.write("self.xml", "<C file='" + self + "'/>");
    const std::string in = dir.write("in.xml", "<SETUP><STATIONS><STATION id='1'><CONFIGURATION file='" +
                                                   self + "'/></STATION></STATIONS></SETUP>");
    const Cli_result r = cli({"check", in});
    EXPECT_EQ(r.code, 4);
    // The error, and once for the station that its configuration came from an included file.
    EXPECT_EQ(r.out, "ERROR : Teeprom_configurer, configuration file \"" + self + "\" nested too deeply\n" +
                         "WARNING : station 1 (id 1): the configuration comes from the file \"" + self +
                         "\"\n");
    const Cli_result bad = cli({"check", dir.write("bad.xml", "<")});
    EXPECT_EQ(bad.code, 1);
    EXPECT_EQ(bad.out, "");
    EXPECT_NE(bad.err.find("cannot read"), std::string::npos);
}

TEST(CliCheck, ALineBreakInAFileNameCannotSplitOrForgeALine) {
    Temp_dir dir;
    // A file that includes itself under a name with a line break: the line names it with the break
    // written as \x0a, so that no line of the output can be forged by a file name.
    const std::string self = dir.file("a\nERRORX : b.xml");
    std::string attribute = self;
    attribute.replace(attribute.find('\n'), 1, "&#x0a;");
    dir.write("a\nERRORX : b.xml", "<C file='" + attribute + "'/>");
    const std::string in = dir.write("in.xml", "<SETUP><STATIONS><STATION id='1'><CONFIGURATION file='" +
                                                   attribute + "'/></STATION></STATIONS></SETUP>");
    const std::string shown = dir.file("a\\x0aERRORX : b.xml");
    const std::string line =
        "ERROR : Teeprom_configurer, configuration file \"" + shown + "\" nested too deeply\n";
    const Cli_result r = cli({"check", in});
    EXPECT_EQ(r.code, 4);
    EXPECT_EQ(r.out.rfind(line, 0), 0u) << r.out;
    EXPECT_EQ(r.out.find("\nERRORX"), std::string::npos) << r.out;
    EXPECT_EQ(cli({"dump", in}).err, line);
}

namespace {

// Takes nothing: every write fails, as on a full disk.
class Refusing_buffer : public std::streambuf {
  protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
};

Cli_result cli_into(std::streambuf* buffer, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "vemora-cli");
    std::vector<const char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(a.c_str());
    std::ostream out(buffer);
    std::ostringstream err;
    const int code = run_cli(static_cast<int>(argv.size()), argv.data(), out, err);
    return {code, "", err.str()};
}

} // namespace

TEST(CliOutput, OutputThatCannotBeWrittenIsAFailureNotASuccess) {
    Temp_dir dir;
    const std::string findings =
        dir.write("in.xml", "<SETUP><STATIONS><STATION id='1'/><STATION id='1'/></STATIONS></SETUP>");
    const std::vector<std::vector<std::string>> commands = {
        {"--help"}, {"--version"}, {"dump", example}, {"check", findings}, {"form", example, "1"}};
    for (const auto& command : commands) {
        Refusing_buffer refusing;
        const Cli_result r = cli_into(&refusing, command);
        EXPECT_EQ(r.code, 1) << command[0];
        EXPECT_EQ(r.err, "vemora-cli: cannot write the output: the output stream refused it\n") << command[0];
    }
    // normalize writes nothing there, so nothing fails.
    Refusing_buffer refusing;
    EXPECT_EQ(cli_into(&refusing, {"normalize", example, dir.file("out.xml")}).code, 0);
}

TEST(CliOutput, AFullDeviceIsReportedWithTheSystemsReason) {
    Temp_dir dir;
    std::string stations;
    for (int i = 0; i < 200; ++i)
        stations += "<STATION id='" + std::to_string(i) + "'/>";
    const std::string big = dir.write("big.xml", "<SETUP><STATIONS>" + stations + "</STATIONS></SETUP>");
    // A short output fails only when it is flushed at the end; 200 dump lines fail on the way.
    for (const std::vector<std::string>& command : {std::vector<std::string>{"--version"}, {"dump", big}}) {
        const int fd = open("/dev/full", O_WRONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0) << "no /dev/full";
        Cli_result r;
        {
            Fd_output full(fd);
            r = cli_into(&full, command);
        }
        close(fd);
        EXPECT_EQ(r.code, 1) << command[0];
        EXPECT_EQ(r.err, "vemora-cli: cannot write the output: No space left on device\n") << command[0];
    }
}
