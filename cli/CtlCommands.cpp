#include "cli/CtlCommands.h"

#include "net/NetSettings.h"
#include "profile/Profile.h"

#include <QRegularExpression>

#include <algorithm>
#include <cstring>

namespace {

// The script's lists of words wrap before this column.
constexpr qsizetype SCRIPT_COLUMNS = 100;

QString Latin(const char* text) {
    return QString::fromLatin1(text);
}

QStringList ItemsOf(ProfileKey key) {
    QStringList words;
    for (const char* item : Info(key).items) {
        words << QString::fromUtf8(item);
    }
    return words;
}

// The options a usage text names, in the order it names them.
QStringList NamedOptions(const QString& usage) {
    static const QRegularExpression option(QStringLiteral("--([a-z][a-z-]*)"));
    QStringList names;
    for (const QRegularExpressionMatch& match : option.globalMatch(usage)) {
        if (!names.contains(match.captured(1))) {
            names << match.captured(1);
        }
    }
    return names;
}

QStringList Names(const std::vector<OptionUse>& options) {
    QStringList names;
    for (const OptionUse& use : options) {
        names << Latin(use.option->name);
    }
    return names;
}

// The options bash offers: those the usage names, in its order.
QString OfferedOptions(const QString& usage) {
    QString offered;
    for (const QString& name : NamedOptions(usage)) {
        if (name != QLatin1String(HELP_OPTION.name)) {
            offered += QStringLiteral(" --") + name;
        }
    }
    return offered;
}

QString Joined(const std::vector<const char*>& forms) {
    QString text;
    for (const char* form : forms) {
        text += Latin(form) + u'\n';
    }
    return text;
}

// A usage entry: its first line after the prefix, the lines that continue it under the first.
QString UsageLines(const QString& prefix, const char* synopsis) {
    QString text = Latin(synopsis);
    return prefix + text.replace(u'\n', u'\n' + QString(prefix.size(), u' ')) + u'\n';
}

// A list of words as a shell variable, wrapped under its first line.
QString WordsVariable(const QString& name, const QStringList& words) {
    QString text = QStringLiteral("    local %1=\"").arg(name);
    QString line = text;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString word = words[i] + (i + 1 == words.size() ? QStringLiteral("\"") : QString());
        if (line.size() + 1 + word.size() >= SCRIPT_COLUMNS) {
            text += QStringLiteral("\n        ");
            line = QStringLiteral("        ");
        } else if (i > 0) {
            text += u' ';
            line += u' ';
        }
        text += word;
        line += word;
    }
    return text + u'\n';
}

// The lines that complete a command's words, indented by indent spaces.
QString WordLines(const Words& words, int indent) {
    const QString pad(indent, u' ');
    switch (words.kind) {
    case WordCompletion::None:
        return {};
    case WordCompletion::JsonFiles:
        return pad + QStringLiteral("_filedir json\n");
    case WordCompletion::Keys:
    case WordCompletion::NetKeys:
        return pad + QStringLiteral("compopt -o nospace\n") + pad +
               QStringLiteral("COMPREPLY=($(compgen -W \"$%1\" -S = -- \"$cur\"))\n")
                   .arg(words.kind == WordCompletion::Keys ? QStringLiteral("keys")
                                                           : QStringLiteral("netkeys"));
    case WordCompletion::Listed:
        return pad + QStringLiteral("COMPREPLY=($(compgen -W \"%1\" -- \"$cur\"))\n")
                         .arg(Latin(words.listed));
    }
    return {};
}

const QString FILE_LINES = QStringLiteral("            _filedir\n            return\n");

QString ValueLines(const CtlOption& option) {
    switch (option.completion) {
    case ValueCompletion::None:
        return QStringLiteral("            return\n");
    case ValueCompletion::Devices:
        return QStringLiteral(
            "            COMPREPLY=($(compgen -W \"$(compgen -G '/dev/tty[SUA]*')\" -- \"$cur\"))\n"
            "            ((${#COMPREPLY[@]})) || _filedir\n"
            "            return\n");
    case ValueCompletion::Files:
        return FILE_LINES;
    case ValueCompletion::CsvFiles:
        return QStringLiteral("            _filedir csv\n            return\n");
    case ValueCompletion::Words:
        return QStringLiteral("            COMPREPLY=($(compgen -W \"%1\" -- \"$cur\"))\n"
                              "            return\n")
            .arg(option.words().join(u' '));
    }
    return {};
}

// Arms of a case statement: the patterns that share a body joined, in the order first met.
QString CaseArms(const std::vector<std::pair<QString, QString>>& patternsAndBodies) {
    std::vector<std::pair<QStringList, QString>> arms;
    for (const auto& [pattern, body] : patternsAndBodies) {
        const auto same = std::find_if(arms.begin(), arms.end(),
                                       [&](const auto& arm) { return arm.second == body; });
        if (same != arms.end()) {
            same->first << pattern;
        } else {
            arms.push_back({{pattern}, body});
        }
    }
    QString text;
    for (const auto& [patterns, body] : arms) {
        text += QStringLiteral("        %1)\n%2            ;;\n")
                    .arg(patterns.join(QStringLiteral(" | ")), body);
    }
    return text;
}

const char* const SCRIPT =
    R"(# bash completion for tessaroctl                                     -*- shell-script -*-
# Made from tessaroctl's command table: tessaroctl --bash-completion > this file

_tessaroctl()
{
    local cur prev words cword
    _init_completion -n = || return

    local commands="%1"
%2
    if ((cword == 1)); then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return
    fi

    case $prev in
%3    esac

    local options="--help"
    case ${words[1]} in
%4    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    case ${words[1]} in
%5    esac
} &&
    complete -F _tessaroctl tessaroctl

# ex: filetype=sh
)";

} // namespace

QStringList BaudWords() {
    return QStringList{QStringLiteral("auto")} + ItemsOf(ProfileKey::BaudRate);
}

QStringList CardFormatWords() {
    return ItemsOf(ProfileKey::CardOutputFormat);
}

QCommandLineOption OptionUse::Parser() const {
    QStringList names{Latin(option->name)};
    if (option->alias) {
        names.prepend(Latin(option->alias));
    }
    const QString text = Latin(help ? help : option->help);
    return option->valueName ? QCommandLineOption(names, text, Latin(option->valueName))
                             : QCommandLineOption(names, text);
}

bool CtlCommand::Takes(const CtlOption& option) const {
    return std::any_of(options.begin(), options.end(),
                       [&](const OptionUse& use) { return use.option == &option; });
}

QString CommandUsage(std::span<const CtlCommand> commands) {
    int width = 0;
    for (const CtlCommand& command : commands) {
        width = std::max(width, int(std::strlen(command.name)));
    }
    QString text;
    for (const CtlCommand& command : commands) {
        text += UsageLines(QStringLiteral("  tessaroctl %1 ").arg(Latin(command.name), -width),
                           command.synopsis);
    }
    return text;
}

QString VerbUsage(const QString& prefix, std::span<const CtlVerb> verbs) {
    QString text;
    for (const CtlVerb& verb : verbs) {
        for (const char* form : verb.forms) {
            text += UsageLines(QStringLiteral("  %1 %2 ").arg(prefix, Latin(verb.name)), form);
        }
    }
    return text;
}

QStringList TableProblems(std::span<const CtlCommand> commands) {
    QStringList problems;
    const auto compare = [&](const QString& what, QStringList named, QStringList taken) {
        named.removeAll(Latin(HELP_OPTION.name));
        taken.removeAll(Latin(HELP_OPTION.name));
        for (const QString& name : named) {
            if (!taken.contains(name)) {
                problems << QStringLiteral("%1: its usage names --%2, which it does not take")
                                .arg(what, name);
            }
        }
        for (const QString& name : taken) {
            if (!named.contains(name)) {
                problems << QStringLiteral("%1: takes --%2, which its usage does not name")
                                .arg(what, name);
            }
        }
    };
    for (const CtlCommand& command : commands) {
        const QString name = Latin(command.name);
        for (const OptionUse& use : command.options) {
            if (std::find(std::begin(CTL_OPTIONS), std::end(CTL_OPTIONS), use.option) ==
                std::end(CTL_OPTIONS)) {
                problems << QStringLiteral("%1: --%2 is not among the options")
                                .arg(name, Latin(use.option->name));
            }
        }
        if (command.verbs.empty()) {
            compare(name, NamedOptions(Latin(command.synopsis)), Names(command.options));
            continue;
        }
        QStringList all;
        for (const CtlVerb& verb : command.verbs) {
            const QStringList taken = Names(verb.options);
            compare(name + u' ' + Latin(verb.name), NamedOptions(Joined(verb.forms)), taken);
            all += taken;
        }
        all.removeDuplicates();
        compare(name, all, Names(command.options));
        // The command's own line sums its verbs up: it may leave some of their options out.
        QStringList summed = NamedOptions(Latin(command.synopsis));
        summed.removeIf([&](const QString& option) { return all.contains(option); });
        compare(name, summed, {});
    }
    return problems;
}

QString BashCompletion(std::span<const CtlCommand> commands) {
    QStringList names, keys, netKeys;
    for (const CtlCommand& command : commands) {
        names << Latin(command.name);
    }
    for (const KeyInfo& info : ProfileKeys()) {
        keys << Latin(info.name);
    }
    for (const NetKey key : NetKeys()) {
        netKeys << Latin(NetKeyName(key));
    }
    std::vector<std::pair<QString, QString>> values;
    for (const CtlOption* option : CTL_OPTIONS) {
        if (option->valueName) {
            values.push_back({QStringLiteral("--") + Latin(option->name), ValueLines(*option)});
        }
    }
    QString fileWords;
    QString options;
    std::vector<std::pair<QString, QString>> words;
    for (const CtlCommand& command : commands) {
        const QString name = Latin(command.name);
        if (command.words.fileAfter) {
            fileWords += QStringLiteral("        %1)\n%2            ;;\n")
                             .arg(Latin(command.words.fileAfter), FILE_LINES);
        }
        if (command.verbs.empty()) {
            if (const QString offered = OfferedOptions(Latin(command.synopsis));
                !offered.isEmpty()) {
                options += QStringLiteral("        %1) options+=\"%2\" ;;\n").arg(name, offered);
            }
            if (command.words.kind != WordCompletion::None) {
                words.push_back({name, WordLines(command.words, 12)});
            }
            continue;
        }
        QStringList verbNames;
        QString verbOptions, verbWords;
        for (const CtlVerb& verb : command.verbs) {
            verbNames << Latin(verb.name);
            verbOptions += QStringLiteral("                %1) options+=\"%2\" ;;\n")
                               .arg(Latin(verb.name), OfferedOptions(Joined(verb.forms)));
            if (verb.words.kind != WordCompletion::None) {
                verbWords += QStringLiteral("            elif [[ ${words[2]} == %1 ]]; then\n%2")
                                 .arg(Latin(verb.name), WordLines(verb.words, 16));
            }
        }
        options += QStringLiteral("        %1)\n"
                                  "            case ${words[2]} in\n"
                                  "%2"
                                  "            esac\n"
                                  "            ;;\n")
                       .arg(name, verbOptions);
        const QByteArray verbList = verbNames.join(u' ').toLatin1();
        words.push_back({name, QStringLiteral("            if ((cword == 2)); then\n") +
                                   WordLines({WordCompletion::Listed, verbList.constData()}, 16) +
                                   verbWords + QStringLiteral("            fi\n")});
    }
    // %1 the commands, %2 the key lists, %3 the value cases, %4 the options of each command,
    // %5 the word cases.
    return QString::fromLatin1(SCRIPT).arg(names.join(u' '),
                                           WordsVariable(QStringLiteral("keys"), keys) +
                                               WordsVariable(QStringLiteral("netkeys"), netKeys),
                                           CaseArms(values) + fileWords, options, CaseArms(words));
}
