// The vemora-cli binary itself where only a process shows it: its standard output on a full device, and
// a file-size limit, whose signal would otherwise end it without a word.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "temp_dir.h"

namespace {

const std::string example = VEMORA_EXAMPLES "/setup.xml";

// The binary the build made beside this test program.
std::string binary() {
    return VEMORA_CLI;
}

struct Process_result {
    bool exited;
    int code; // the exit code, or the signal that ended it
    std::string err;
};

// Runs the binary with its standard output on out_path, under a file-size limit, with SIGXFSZ as a
// program gets it by default (ending the process), whatever this test program does with it.
Process_result run(const std::vector<std::string>& arguments, const std::string& out_path,
                   const std::string& err_path, rlim_t file_size_limit = RLIM_INFINITY) {
    const std::string program = binary();
    const pid_t child = fork();
    if (child == 0) {
        const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(126);
        std::signal(SIGXFSZ, SIG_DFL);
        const rlimit limit{file_size_limit, file_size_limit};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : arguments)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    const bool exited = WIFEXITED(status);
    return {exited, exited ? WEXITSTATUS(status) : WTERMSIG(status), read_bytes(err_path)};
}

} // namespace

TEST(CliBinary, OutputOnAFullDeviceExitsOneWithTheReason) {
    Temp_dir dir;
    for (const std::vector<std::string>& command : {std::vector<std::string>{"dump", example}, {"--help"}}) {
        const Process_result r = run(command, "/dev/full", dir.file("err"));
        EXPECT_TRUE(r.exited) << "signal " << r.code;
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err, "vemora-cli: cannot write the output: No space left on device\n");
    }
}

TEST(CliBinary, AFileSizeLimitIsReportedAndLosesNothing) {
    Temp_dir dir;
    std::string stations;
    for (int i = 0; i < 2000; ++i)
        stations += "<STATION id='" + std::to_string(i) + "' description='" + std::string(100, 'd') +
                    "'><CONFIGURATION><ACQ_INTERVAL0 value='900'/></CONFIGURATION></STATION>";
    const std::string in = dir.write("in.xml", "<SETUP><STATIONS>" + stations + "</STATIONS></SETUP>");
    const std::filesystem::path saves = dir.path() / "saves";
    std::filesystem::create_directory(saves);
    const std::string target = (saves / "setup.xml").string();
    const std::string before = "<SETUP/>";
    std::ofstream(target, std::ios::binary) << before;
    const rlim_t limit = 64 * 1024; // the output of either command is several times larger

    Process_result r = run({"normalize", in, target}, dir.file("out"), dir.file("err"), limit);
    EXPECT_TRUE(r.exited) << "signal " << r.code;
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "vemora-cli: cannot write \"" + target + "\": File too large\n");
    EXPECT_EQ(read_bytes(target), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(saves), {}), 1)
        << "a temporary file was left";

    r = run({"dump", in}, dir.file("dump"), dir.file("err"), limit);
    EXPECT_TRUE(r.exited) << "signal " << r.code;
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "vemora-cli: cannot write the output: File too large\n");
}
