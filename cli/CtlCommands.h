// tessaroctl's commands and options as one table: the usage text, each command's --help, the
// --port checks and the bash completion are all made from it.
#pragma once

#include <QCommandLineOption>
#include <QString>
#include <QStringList>

#include <span>
#include <vector>

// What bash offers for an option's value.
enum class ValueCompletion {
    None, // a flag, or a value nothing can be offered for
    Devices,
    Files,
    CsvFiles,
    Words, // the option's words
};

struct CtlOption {
    const char* name;
    const char* valueName; // nullptr for a flag
    const char* help;
    ValueCompletion completion = ValueCompletion::None;
    QStringList (*words)() = nullptr;
    const char* alias = nullptr; // a one-letter name besides
};

QStringList BaudWords();
QStringList CardFormatWords();

// Every option, declared once, in the order the completion's cases list them.
inline constexpr CtlOption PORT_OPTION{"port", "PORT",
                                       "Serial port: a path, \"com N\" (N >= 1) or a device name.",
                                       ValueCompletion::Devices};
inline constexpr CtlOption BAUD_OPTION{
    "baud", "N|auto",
    "Port speed (default 9600), or auto: find the reader's speed first, as find does.",
    ValueCompletion::Words, BaudWords};
inline constexpr CtlOption CARD_FORMAT_OPTION{
    "card-output-format", "FORMAT",
    "Write card_output_format (hex or ASCII) into the profile: a reader cannot report it, and "
    "applying card affixes needs it.",
    ValueCompletion::Words, CardFormatWords};
inline constexpr CtlOption OUT_OPTION{"out", "FILE", "Write the settings as a profile file.",
                                      ValueCompletion::Files};
inline constexpr CtlOption TRACE_OPTION{
    "trace", "FILE", "Write every frame sent and received here, as the Log window shows them.",
    ValueCompletion::Files};
inline constexpr CtlOption PCAP_OPTION{
    "pcap", "FILE", "Write every frame as a pcapng capture here.", ValueCompletion::Files};
inline constexpr CtlOption FROM_OPTION{"from", "FILE", "Settings from a file net get --out wrote.",
                                       ValueCompletion::Files};
inline constexpr CtlOption CSV_OPTION{
    "csv", "FILE", "One reader per row: name or address, then keys.", ValueCompletion::CsvFiles};
inline constexpr CtlOption SECONDS_OPTION{"seconds", "S", "How long to listen (default 3)."};
inline constexpr CtlOption DEVICE_OPTION{"device", "NAME", "The reader of this name."};
inline constexpr CtlOption ADDRESS_OPTION{"address", "IP", "The reader heard at this address."};
inline constexpr CtlOption NAME_OPTION{
    "name", "NAME", "With --address: the reader's name, for one not heard (give every key)."};
inline constexpr CtlOption JOBS_OPTION{"jobs", "N",
                                       "Readers changed at once with --csv (default 8)."};
inline constexpr CtlOption JSON_OPTION{"json", nullptr, "Machine-readable output on stdout."};
inline constexpr CtlOption ALL_OPTION{"all", nullptr,
                                      "Send every key, not only those that differ."};
inline constexpr CtlOption DRY_RUN_OPTION{
    "dry-run", nullptr, "Read the reader and print the frames that would be sent; send none."};
inline constexpr CtlOption HELP_OPTION{"help",  nullptr, "Show this help.", ValueCompletion::None,
                                       nullptr, "h"};

inline constexpr const CtlOption* CTL_OPTIONS[] = {
    &PORT_OPTION, &BAUD_OPTION, &CARD_FORMAT_OPTION, &OUT_OPTION,     &TRACE_OPTION,   &PCAP_OPTION,
    &FROM_OPTION, &CSV_OPTION,  &SECONDS_OPTION,     &DEVICE_OPTION,  &ADDRESS_OPTION, &NAME_OPTION,
    &JOBS_OPTION, &JSON_OPTION, &ALL_OPTION,         &DRY_RUN_OPTION, &HELP_OPTION,
};

// An option as one command takes it; some commands say in their own words what it does.
struct OptionUse {
    OptionUse(const CtlOption& o, const char* h = nullptr) : option(&o), help(h) {}
    const CtlOption* option;
    const char* help;
    QCommandLineOption Parser() const;
};

// What bash offers for the words that are not options.
enum class WordCompletion { None, JsonFiles, Keys, NetKeys, Listed };

struct Words {
    WordCompletion kind = WordCompletion::None;
    const char* listed = nullptr;    // Listed: the words, space-separated
    const char* fileAfter = nullptr; // the listed word that a file name follows
};

// A word after the command that picks what it does, with options of its own (net get, net set).
struct CtlVerb {
    const char* name;
    std::vector<const char*> forms; // its usage lines; a new line in one continues it
    std::vector<OptionUse> options;
    Words words = {};
};

enum class PortCount { Any, One, OneOrMore };

class Cli;

struct CtlCommand {
    const char* name;
    int (Cli::*run)();
    const char* summary;
    const char* arguments; // after [options] in its --help
    const char* synopsis;  // in the usage text; a new line continues it
    // In the order its --help lists them. A command with verbs parses them itself.
    std::vector<OptionUse> options;
    PortCount ports = PortCount::Any;
    Words words = {};
    std::span<const CtlVerb> verbs = {};

    bool Takes(const CtlOption& option) const;
};

// "  tessaroctl NAME SYNOPSIS" for each command, the names in one column.
QString CommandUsage(std::span<const CtlCommand> commands);
// "  tessaroctl PREFIX VERB FORM" for each form of each verb.
QString VerbUsage(const QString& prefix, std::span<const CtlVerb> verbs);
// Where the table contradicts itself: an option a usage line names that the command does not
// take, or the reverse; an option missing from CTL_OPTIONS. Empty when it is sound.
QStringList TableProblems(std::span<const CtlCommand> commands);
// The bash completion script.
QString BashCompletion(std::span<const CtlCommand> commands);
