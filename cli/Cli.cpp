// vemora-cli: the table of commands, the usage text derived from it, and the run of one command line.
#include "Cli.h"

#include <string>

#include "Cli_files.h"
#include "Command.h"
#include "Fd_output.h"
#include "Reading_report.h"

#ifndef VEMORA_VERSION
#define VEMORA_VERSION "0"
#endif

// Each command is declared in the file that runs it.
extern const Command normalize_command, dump_command, check_command, form_command, edit_command, diff_command,
    image_command, report_command, list_command, duplicate_command;
extern const Command export_csv_command, import_csv_command, template_command, versions_command,
    redact_command;

const std::vector<const Command*>& cli_commands() {
    static const std::vector<const Command*> commands = {
        &normalize_command,  &dump_command,       &check_command,    &form_command,     &edit_command,
        &diff_command,       &image_command,      &report_command,   &list_command,     &duplicate_command,
        &export_csv_command, &import_csv_command, &template_command, &versions_command, &redact_command};
    return commands;
}

int usage_error(std::ostream& err, const std::string& problem) {
    err << "vemora-cli: " << problem << "\n";
    return EXIT_USAGE;
}

int usage_of(const Command& command, std::ostream& err) {
    return usage_error(err, std::string("usage: vemora-cli ") + command.name + " " + command.synopsis);
}

namespace {

constexpr size_t HELP_COLUMN = 21; // where the commands' descriptions start

const char exit_codes_text[] =
    "Exit codes: 0 success, 1 a file could not be read or written or the output could not be written,\n"
    "2 usage error, 3 edit could not store the station (it does not fit the station's 223 bytes, or its SMS\n"
    "number is longer than the 15 characters the station keeps; with several stations, one of them), 4 "
    "check\n"
    "found problems, 5 diff found differences (edit --dry-run: it would change the file), 6 list found no\n"
    "station that matches, or edit no station to edit, or versions list no version. import-csv exits as\n"
    "edit does (2 a malformed spreadsheet, 3 a row refused, 5 a dry run that would change, 6 no row names a\n"
    "station). A command that writes onto the file it read refuses with 1 when the file changed on disk\n"
    "in between.\n";

std::string usage_text() {
    std::string text = "Usage: vemora-cli COMMAND ARGUMENTS\n\nCommands:\n";
    const auto entry = [&text](const std::string& left, const std::string& help) {
        std::string line = "  " + left;
        // A long synopsis stands on a line of its own; the description follows on the next.
        line += line.size() + 1 < HELP_COLUMN ? std::string(HELP_COLUMN - line.size(), ' ')
                                              : "\n" + std::string(HELP_COLUMN, ' ');
        for (const char c : help)
            line += c == '\n' ? "\n" + std::string(HELP_COLUMN, ' ') : std::string(1, c);
        text += line + "\n";
    };
    for (const Command* c : cli_commands())
        entry(std::string(c->name) + " " + c->synopsis, c->help);
    entry("--no-versions", "with any command that writes onto an existing setup file: keep no\n"
                           "version of the file it replaces (see versions)");
    entry("--help", "this text");
    entry("--version", "the program's version");
    return text + "\n" + exit_codes_text;
}

int run_command(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    if (argc < 2) return usage_error(err, "no command given (vemora-cli --help lists the commands)");
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        out << usage_text();
        return EXIT_OK;
    }
    if (name == "--version") {
        out << "vemora-cli " << VEMORA_VERSION << "\n";
        return EXIT_OK;
    }
    for (const Command* c : cli_commands()) {
        if (name != c->name) continue;
        const Arguments arguments = begin_cli_session(name, Arguments(argv + 2, argv + argc));
        const int count = static_cast<int>(arguments.size());
        if (count < c->min_arguments || (c->max_arguments >= 0 && count > c->max_arguments))
            return usage_of(*c, err);
        return c->run(arguments, out, err);
    }
    return usage_error(err,
                       "unknown command \"" + shown_text(name) + "\" (vemora-cli --help lists the commands)");
}

} // namespace

int run_cli(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    const int code = run_command(argc, argv, out, err);
    // Output that did not reach its file (a full disk, a file-size limit) is a failure, not a success
    // with lines missing; what check found is then unknown to the user too.
    if (!out.flush()) {
        err << "vemora-cli: cannot write the output: " << output_failure_reason(out) << "\n";
        return EXIT_FILE;
    }
    return code;
}
