// The command line's options: one table that both parsing and --help come from.
#include <algorithm>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "batch/batch_command.h"
#include "batch/choices.h"
#include "batch/encoding_names.h"
#include "batch/output_choices.h"
#include "engine/other_encodings.h"
#include "platform/directory_listing.h"
#include "platform/file_system.h"
#include "platform/real_path.h"
#include "qfx_version.h"

namespace batch {

namespace {

constexpr std::size_t helpWidth = 80;
constexpr std::size_t optionColumn = 26;

// Words of `text` in lines of at most `width` columns (counting bytes, which the help's ASCII
// keeps true), each after `indent` but the first.
std::string wrapped(std::string_view text, std::size_t width, std::size_t indent) {
    std::string out;
    std::size_t column = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        const std::string_view word = text.substr(start, end - start);
        if (column > 0 && column + 1 + word.size() > width) {
            out += '\n' + std::string(indent, ' ');
            column = indent;
        } else if (column > 0) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        start = end + 1;
    }
    return out;
}

// CLI11's help within 80 columns, with one synopsis.
class HelpFormatter : public CLI::Formatter {
public:
    HelpFormatter() { column_width(optionColumn); }

    // The synopsis first, then what the program does.
    std::string make_usage(const CLI::App* app, std::string) const override {
        return "Usage: qingfengxia-batch [OPTIONS] (FILE... | --folder DIR | -)\n" +
               wrapped(app->get_description(), helpWidth, 0) + "\n";
    }
    std::string make_description(const CLI::App*) const override { return {}; }
    std::string make_footer(const CLI::App* app) const override { return app->get_footer() + "\n"; }
    std::string make_option(const CLI::Option* option, bool positional) const override {
        std::string name = "  " + make_option_name(option, positional) + make_option_opts(option);
        const std::string description =
            wrapped(option->get_description(), helpWidth - optionColumn, 0);
        std::string out;
        if (name.size() >= optionColumn) {
            out = name + "\n";
            name.clear();
        }
        name.resize(optionColumn, ' ');
        std::size_t from = 0;
        for (bool first = true; from <= description.size(); first = false) {
            const std::size_t end = std::min(description.find('\n', from), description.size());
            out += (first ? name : std::string(optionColumn, ' ')) +
                   description.substr(from, end - from) + "\n";
            from = end + 1;
        }
        return out;
    }
};

// The names a group's option takes, the default first: "auto (default) | ansi | ...".
std::string choiceNames(ChoiceGroup group) {
    std::string names;
    for (const Choice& choice : choiceTable) {
        if (choice.group != group)
            continue;
        names += names.empty() ? "" : " | ";
        names += commandLineName(choice);
        names += isDefaultChoice(choice) ? " (default)" : "";
    }
    return names;
}

// The options as typed, before their values are checked.
struct TypedOptions {
    std::string in = "auto";
    std::string out = "auto";
    std::string script = "none";
    std::string folder;
    std::string filter;
    std::vector<std::string> files;
    bool patternScan = false;
    bool recursive = false;
    bool check = false;
    bool json = false;
    bool quiet = false;
    bool bom = false;
    bool noBom = false;
    std::string eol = "keep";
    std::string outputDir;
    bool inPlace = false;
    std::string backup;
    int jobs = 0;
    bool list = false;
    bool version = false;
    bool omit = false;
    std::string outputFile;
};

void describeOptions(CLI::App& app, TypedOptions& typed) {
    app.formatter(std::make_shared<HelpFormatter>());
    app.set_help_flag("-h,--help", "print this help and exit");
    app.description(
        "Converts text files from one encoding into another, each into the folder 转换结果 "
        "beside it (in DIR's own with --recursive), as the window's batch run does.");
    app.footer(
        "ENC: " + choiceNames(ChoiceGroup::Input) + "\n" + "  " +
        wrapped("These classic names read and write as the window does: ANSI text is tried as "
                "UTF-8 first and ends at a zero byte or 0x1A, UTF-8 and UTF-16 get a mark. Any "
                "other name is iconv's (case ignored) and means what it means to iconv: UTF-8, "
                "UTF-16, UTF-16LE, GBK, GB18030, CP936, BIG5, CP950, BIG5-HKSCS, SHIFT_JIS, "
                "EUC-KR, ISO-8859-1, ... (any of iconv --list): no trial of another encoding, no "
                "cut, marks read and written as iconv does, and a character the target lacks "
                "becomes ? (not complete) unless -c leaves it out; a target may end in "
                "//TRANSLIT or //IGNORE.",
                helpWidth - 2, 2) +
        "\n" + wrapped("MODE: " + choiceNames(ChoiceGroup::Script), helpWidth, 2) + "\n\n" +
        wrapped("Standard output has one line per file (with --json one JSON object per line); "
                "the summary and every diagnostic go to standard error. Without FILE and "
                "--folder, standard input (or FILE -) converts to standard output, its "
                "encoding decided from its first 64 KB, with no mark unless --bom.",
                helpWidth, 0) +
        "\n\nExit status:\n"
        "  0    every file converted (with --check: would convert) completely\n"
        "  1    some did not\n"
        "  2    a usage error: nothing was converted\n"
        "  130  stopped by Ctrl-C; 143 by SIGTERM (141 when standard output closed)");
    // A repeated option counts once, its last value, as before the options had a table.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("-i,--in,-f,--from-code", typed.in,
                   "the sources' encoding (default auto: by mark, a web page's charset, a UTF-8 "
                   "trial, else ANSI); detect: auto, and text that would be read as ANSI is "
                   "told apart from Big5 statistically")
        ->type_name("ENC");
    app.add_option("-o,--output", typed.outputFile,
                   "write the conversion of the one FILE (or of standard input) into FILE, as "
                   "iconv -o does")
        ->type_name("FILE");
    app.add_option("--out,-t,--to-code", typed.out,
                   "the results' encoding (default auto: each as its source was read)")
        ->type_name("ENC");
    app.add_option("-s,--script", typed.script, "Simplified/Traditional Chinese conversion")
        ->type_name("MODE");
    app.add_option("--folder", typed.folder, "convert the files of DIR instead of FILE...")
        ->type_name("DIR");
    app.add_option("--filter", typed.filter,
                   "with --folder: which files, as in the window's filter box (default *.*)")
        ->type_name("TEXT");
    app.add_flag("--pattern-scan", typed.patternScan,
                 "with --folder: match names by the system's wildcard rule instead");
    app.add_flag("-r,--recursive", typed.recursive,
                 "with --folder: the sub-folders too, each result at its relative place");
    app.add_flag("-c", typed.omit,
                 "with iconv's names: leave out what cannot be read or written instead of "
                 "writing ? (still counted)");
    app.add_flag("--bom", typed.bom, "write a byte-order mark on UTF-8 and UTF-16 (the default)");
    app.add_flag("--no-bom", typed.noBom, "write no byte-order mark");
    app.add_option("--eol", typed.eol, "line ends: keep (the default), crlf or lf")
        ->type_name("EOL");
    app.add_option("-O,--output-dir", typed.outputDir,
                   "write the results into DIR (made if missing) instead of 转换结果")
        ->type_name("DIR");
    app.add_flag("--in-place", typed.inPlace,
                 "replace each source by its result, only when it converts completely");
    app.add_flag(std::string("--backup{") + backupSuffix + "}", typed.backup,
                 "with --in-place: keep each original as its name + SUFFIX (--backup=SUFFIX; "
                 "default ~)");
    app.add_flag("--check", typed.check,
                 "write nothing; tell per file what a conversion would come to");
    app.add_flag("--json", typed.json,
                 "each file's line as a JSON object, one a line (JSON Lines)");
    app.add_flag("-q,--quiet", typed.quiet,
                 "no line for a file that converted completely, and no summary");
    app.add_option("-j,--jobs", typed.jobs,
                   "convert N files at once, 1 to 1024 (default: one per core)")
        ->type_name("N");
    app.add_flag("-l,--list", typed.list, "print the encoding names and exit");
    app.add_flag("--version", typed.version, "print the version and exit");
    app.add_option("FILE", typed.files, "files to convert, in this order")->type_name("");
}

// An encoding option's value read; false with the error set.
bool readEncoding(const std::string& typed, std::string_view option, bool input, bool omit,
                  engine::TextEncoding& encoding, bool& smartDetection, std::string& error) {
    const EncodingName* name = findEncodingName(typed);
    if (name && (input || !name->smartDetection)) {
        encoding = name->encoding;
        smartDetection = name->smartDetection;
        return true;
    }
    // Any other encoding iconv knows, when its text keeps ASCII as ASCII.
    const engine::OtherEncodingLookup other =
        name ? engine::OtherEncodingLookup{} : engine::otherEncoding(typed, omit);
    if (other.encoding) {
        encoding = *other.encoding;
        smartDetection = false;
        return true;
    }
    error = "unknown encoding '" + typed + "' for " + std::string(option) + "; closest:";
    for (const std::string_view closest : closestEncodingNames(typed))
        error += " " + std::string(closest);
    error += " (--list prints them all)";
    return false;
}

// The choices the options name; false with the error set.
bool readChoices(const TypedOptions& typed, BatchArguments& parsed) {
    bool outputSmart = false;
    if (!readEncoding(typed.in, "--in", true, typed.omit, parsed.input, parsed.smartDetection,
                      parsed.error) ||
        !readEncoding(typed.out, "--out", false, typed.omit, parsed.output, outputSmart,
                      parsed.error))
        return false;
    const Choice* script = findChoiceByName(ChoiceGroup::Script, typed.script);
    if (!script) {
        parsed.error = "unknown script mode '" + typed.script + "' for --script";
        return false;
    }
    parsed.script = static_cast<engine::ScriptMode>(script->value);
    return true;
}

// The folder, the filter and the files, made absolute against `workingFolder`; false with the
// error set.
bool readPaths(const TypedOptions& typed, bool folderGiven, bool filterGiven,
               const AnsiText& workingFolder, BatchArguments& parsed) {
    if (folderGiven) {
        auto folder = platform::ansiFromUtf8(typed.folder);
        if (!folder || folder->empty()) {
            parsed.error = "--folder needs a value in UTF-8";
            return false;
        }
        parsed.folder = platform::absolutePath(*folder, workingFolder);
    }
    if (filterGiven) {
        // An empty filter takes every file, as an empty filter box does.
        auto filter = platform::ansiFromUtf8(typed.filter);
        if (!filter) {
            parsed.error = "--filter needs a value in UTF-8";
            return false;
        }
        parsed.filter = *filter;
    }
    if (std::ranges::find(typed.files, "-") != typed.files.end()) {
        // "-" is standard input, which converts to standard output alone.
        if (typed.files.size() > 1 || folderGiven) {
            parsed.error = "'-' (standard input) goes alone, without other files or --folder";
            return false;
        }
        parsed.stream = StreamSource::Named;
        return true;
    }
    if (!folderGiven && typed.files.empty())
        parsed.stream = StreamSource::Implied;
    for (const std::string& argument : typed.files) {
        if (auto path = platform::ansiPath(argument); path && !path->empty())
            parsed.files.push_back(platform::absolutePath(*path, workingFolder));
        else if (!argument.empty()) {
            parsed.unrepresentable.push_back(platform::displayName(argument));
            parsed.unrepresentableAt.push_back(parsed.files.size());
        } else {
            parsed.error = "an empty file name";
            return false;
        }
    }
    return true;
}

// The usage error of options that do not go together; empty when they do.
std::string conflictOf(const BatchArguments& parsed, bool folderGiven, bool filterGiven) {
    if (folderGiven && (!parsed.files.empty() || !parsed.unrepresentable.empty()))
        return "give either files or --folder, not both";
    if (!folderGiven && (parsed.patternScan || filterGiven || parsed.recursive))
        return "--filter, --pattern-scan and --recursive need --folder";
    if (parsed.jobs != 0 && (parsed.jobs < 1 || parsed.jobs > 1024))
        return "--jobs takes a number from 1 to 1024";
    if (parsed.inPlace && !parsed.outputFolder.empty())
        return "give either --in-place or --output-dir, not both";
    if (parsed.backupSuffix && !parsed.inPlace)
        return "--backup needs --in-place";
    if (parsed.backupSuffix && parsed.backupSuffix->empty())
        return "--backup needs a suffix that is not empty";
    if (!parsed.outputFile.empty() &&
        (folderGiven || parsed.files.size() + parsed.unrepresentable.size() > 1 || parsed.inPlace ||
         parsed.check || parsed.json || !parsed.outputFolder.empty()))
        return "-o FILE takes one input (a file or standard input), without --folder, "
               "--in-place, --check, --json or --output-dir; for several files use -O DIR";
    if (parsed.stream != StreamSource::None &&
        (parsed.check || parsed.json || parsed.inPlace || !parsed.outputFolder.empty()))
        return "--check, --json, --in-place and --output-dir need files: standard input converts "
               "to standard output";
    if (parsed.stream == StreamSource::None && !folderGiven && parsed.files.empty() &&
        parsed.unrepresentable.empty())
        return "no files given";
    if (parsed.files.empty() && !parsed.unrepresentable.empty())
        return "no file name is valid UTF-8";
    return {};
}

// Earlier versions took the filter as -f, which is now iconv's --from-code: with --folder, an
// -f value that names no encoding but holds a wildcard (or is empty) is still the filter.
std::vector<std::string> withOldFilterOption(const std::vector<std::string>& arguments) {
    const bool folder = std::ranges::find(arguments, "--folder") != arguments.end() ||
                        std::ranges::any_of(arguments, [](const std::string& argument) {
                            return argument.starts_with("--folder=");
                        });
    std::vector<std::string> rewritten = arguments;
    for (std::size_t i = 0; folder && i + 1 < rewritten.size(); ++i) {
        if (rewritten[i] == "--")
            break;
        const std::string& value = rewritten[i + 1];
        if (rewritten[i] == "-f" && !findEncodingName(value) &&
            (value.empty() || value.find_first_of("*?") != std::string::npos))
            rewritten[i] = "--filter";
    }
    return rewritten;
}

// Where `option` stands last among the arguments (before "--"); -1 when it is not there.
std::ptrdiff_t lastIndexOf(const std::vector<std::string>& arguments, std::string_view option) {
    std::ptrdiff_t found = -1;
    for (std::size_t i = 0; i < arguments.size() && arguments[i] != "--"; ++i)
        if (arguments[i] == option)
            found = static_cast<std::ptrdiff_t>(i);
    return found;
}

} // namespace

std::string batchVersion() {
    return std::string("qingfengxia-batch ") + QFX_VERSION;
}

std::string batchUsage() {
    TypedOptions typed;
    CLI::App app("", "qingfengxia-batch");
    describeOptions(app, typed);
    return app.help();
}

BatchArguments parseBatchArguments(const std::vector<std::string>& arguments,
                                   const AnsiText& workingFolder) {
    BatchArguments parsed;
    TypedOptions typed;
    CLI::App app("", "qingfengxia-batch");
    try {
        describeOptions(app, typed);
        const std::vector<std::string> given = withOldFilterOption(arguments);
        std::vector<std::string> reversed(given.rbegin(), given.rend());
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        parsed.help = true;
        return parsed;
    } catch (const CLI::Error& error) {
        parsed.error = error.what();
        return parsed;
    }
    if (typed.version || typed.list) {
        parsed.version = typed.version;
        parsed.list = typed.list;
        return parsed;
    }
    const bool folderGiven = app.count("--folder") > 0;
    const bool filterGiven = app.count("--filter") > 0;
    parsed.patternScan = typed.patternScan;
    parsed.recursive = typed.recursive;
    parsed.check = typed.check;
    parsed.json = typed.json;
    parsed.quiet = typed.quiet;
    parsed.jobs = typed.jobs;
    // The later of --bom and --no-bom wins.
    if (typed.bom || typed.noBom)
        parsed.byteOrderMark =
            !typed.noBom || lastIndexOf(arguments, "--bom") > lastIndexOf(arguments, "--no-bom");
    if (typed.eol == "keep" || typed.eol == "crlf" || typed.eol == "lf") {
        parsed.lineEnding = typed.eol == "crlf" ? engine::LineEnding::Crlf
                            : typed.eol == "lf" ? engine::LineEnding::Lf
                                                : engine::LineEnding::Keep;
    } else {
        parsed.error = "unknown line end '" + typed.eol + "' for --eol: keep, crlf or lf";
        return parsed;
    }
    parsed.inPlace = typed.inPlace;
    if (app.count("--backup") > 0)
        parsed.backupSuffix = platform::ansiFromUtf8(typed.backup).value_or("");
    if (app.count("--output") > 0) {
        // Earlier versions took -o for the output encoding: such a script must not write a file
        // named after an encoding, nor replace one.
        const std::string& named = typed.outputFile;
        if (named.find('/') == std::string::npos &&
            (findEncodingName(named) || engine::otherEncoding(named).encoding)) {
            parsed.error = "-o takes a file, as iconv's -o does: give -t " + named +
                           " for the output encoding, or ./" + named + " for a file of that name";
            return parsed;
        }
        const auto file = platform::ansiPath(typed.outputFile);
        if (!file || file->empty()) {
            parsed.error = "-o needs a file name in UTF-8";
            return parsed;
        }
        parsed.outputFile = platform::absolutePath(*file, workingFolder);
    }
    if (app.count("--output-dir") > 0) {
        const auto folder = platform::ansiFromUtf8(typed.outputDir);
        if (!folder || folder->empty()) {
            parsed.error = "--output-dir needs a value in UTF-8";
            return parsed;
        }
        parsed.outputFolder = platform::absolutePath(*folder, workingFolder);
    }
    if (app.count("--jobs") > 0 && typed.jobs == 0)
        parsed.jobs = -1; // refused below, as any other number out of range
    if (!readChoices(typed, parsed) ||
        !readPaths(typed, folderGiven, filterGiven, workingFolder, parsed))
        return parsed;
    parsed.error = conflictOf(parsed, folderGiven, filterGiven);
    return parsed;
}

RunOptions runOptionsOf(const BatchArguments& arguments) {
    RunOptions options;
    options.input = arguments.input;
    options.output = arguments.output;
    options.script = fixedScript(arguments.script);
    options.detection =
        arguments.smartDetection ? engine::DetectionRule::Smart : engine::DetectionRule::Classic;
    options.subFolders = arguments.recursive ? SubFolders::Include : SubFolders::Skip;
    options.jobs = arguments.jobs;
    // Files have a mark unless told otherwise; a stream, -o FILE, or an encoding named as iconv
    // names it, has none unless asked, as iconv writes.
    const engine::TextEncoding written =
        arguments.output == engine::TextEncoding::Auto ? arguments.input : arguments.output;
    options.write.byteOrderMark = arguments.byteOrderMark.value_or(
        arguments.stream == StreamSource::None && arguments.outputFile.empty() &&
        !engine::isOtherEncoding(written));
    options.write.lineEnding = arguments.lineEnding;
    // In place, a file keeps the mark it had or lacked unless one was asked for or refused.
    options.write.markAsSource = arguments.inPlace && !arguments.byteOrderMark;
    options.outputFolder = arguments.outputFolder;
    options.inPlace = arguments.inPlace;
    options.backupSuffix = arguments.backupSuffix;
    // The exit status counts what a stop left undone.
    options.unreachedFilesFail = true;
    return options;
}

} // namespace batch
