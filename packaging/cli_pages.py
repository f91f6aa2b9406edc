#!/usr/bin/env python3
"""Writes the manual page and the bash completion of quovanta-cli from the program's own
--help and COMMAND --help, so that both always list the commands and options the program has.

Usage: cli_pages.py --cli PROGRAM --version VERSION --man OUT.1 --completion OUT
"""
import argparse
import re
import subprocess
import sys

OPTION_WITH_VALUE = re.compile(r"(--[a-z][a-z-]*)(?:[ =]([A-Z][A-Z_]*|[a-z]+(?:[|,][a-z]+)+))?")


def run_help(cli, *args):
    result = subprocess.run([cli, *args, "--help"], capture_output=True, text=True)
    if result.returncode != 0 or not result.stdout:
        sys.exit(f"cli_pages: {cli} {' '.join(args)} --help failed ({result.returncode}): {result.stderr}")
    return result.stdout


class Command:
    def __init__(self, name, arguments, summary, group):
        self.name, self.arguments, self.summary, self.group = name, arguments, summary, group
        self.details = []
        self.options = {}  # name -> list of word choices (empty: any value), or None: a flag

    def positional(self):
        """The positional words of the usage line, options and bracketed options left out."""
        values = self.option_values()
        # A value given to an option in the usage line ("--symbol S") is not positional either.
        return [token for token in re.sub(r"\[[^\]]*\]", " ", self.arguments).split()
                if not token.startswith("--") and token not in values]

    def option_values(self):
        values = set()
        for match in OPTION_WITH_VALUE.finditer(self.arguments):
            if match.group(2):
                values.add(match.group(2))
        return values


def parse_overview(text):
    """The summary paragraph, the global options and the commands of the --help overview."""
    lines = text.splitlines()
    synopsis = lines[0].removeprefix("Usage: ").strip()
    description, global_options, commands, exit_status = [], [], [], ""
    section, group = "description", None
    for line in lines[1:]:
        if not line.strip():
            continue
        if line.startswith("Exit status:"):
            exit_status = line.removeprefix("Exit status:").strip()
            section = "end"
        elif not line.startswith(" ") and line.endswith(":"):
            title = line[:-1]
            section, group = ("options", None) if title == "Global options" else ("commands", title)
        elif section == "description":
            description.append(line.strip())
        elif section == "options":
            if line.lstrip().startswith("--"):
                term, _, text = line.strip().partition("  ")
                global_options.append([term.strip(), text.strip()])
            elif global_options:
                global_options[-1][1] += " " + line.strip()
        elif section == "commands":
            synopsis_part, summary = re.split(r"\s{2,}", line.strip(), maxsplit=1)
            name, _, arguments = synopsis_part.partition(" ")
            commands.append(Command(name, arguments, summary, group))
    if not commands:
        sys.exit("cli_pages: no command found in the --help overview")
    return synopsis, " ".join(description), global_options, commands, exit_status


def read_command_help(cli, command):
    text = run_help(cli, command.name)
    lines = text.splitlines()
    body = lines[1:]
    while body and not body[0].strip():
        body = body[1:]
    command.details = body
    sources = [command.arguments] + [l.strip() for l in body if l.lstrip().startswith("--")]
    for source in sources:
        # "SYMBOL|--all": an alternative to a positional word is a flag.
        for flag in re.findall(r"\|(--[a-z][a-z-]*)", source):
            command.options.setdefault(flag, None)
        for match in OPTION_WITH_VALUE.finditer(source):
            name, value = match.group(1), match.group(2)
            if source[max(0, match.start() - 1)] == "|" and match.start() > 0:
                continue
            if value is None:
                command.options.setdefault(name, None)
            else:
                command.options[name] = value.split("|") if "|" in value else []
    command.options["--help"] = None


# ----- manual page -----

def roff(text):
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return text


def roff_line(text):
    text = roff(text)
    return "\\&" + text if text.startswith((".", "'")) else text


def synopsis_roff(text):
    """Options bold, upper-case placeholders italic."""
    out = []
    for word in re.split(r"(\s+|[\[\]|.]+)", text):
        if word.startswith("--") or re.fullmatch(r"[a-z][a-z-]*", word or "-"):
            out.append("\\fB" + roff(word) + "\\fR")
        elif re.fullmatch(r"[A-Z][A-Z_=]*", word):
            out.append("\\fI" + roff(word) + "\\fR")
        else:
            out.append(roff(word))
    return "".join(out)


def details_roff(lines):
    """Help text as paragraphs: indented lines continue the item or paragraph above them;
    lines starting with an option become tagged paragraphs."""
    out, paragraph, in_list = [], [], False

    def flush():
        if paragraph:
            out.append(roff_line(" ".join(paragraph)))
            paragraph.clear()

    previous_indented = False
    for line in lines:
        stripped = line.strip()
        if not stripped:
            flush()
            previous_indented = False
            continue
        indented = line.startswith(" ")
        if indented and stripped.startswith("--"):
            flush()
            parts = re.split(r"\s{2,}", stripped, maxsplit=1)
            out.append(".TP")
            out.append(synopsis_roff(parts[0]))
            if len(parts) > 1:
                paragraph.append(parts[1])
            in_list = True
        elif indented:
            paragraph.append(stripped)
        else:
            if previous_indented or in_list:
                flush()
                out.append(".PP")
                in_list = False
            paragraph.append(stripped)
        previous_indented = indented
    flush()
    return out


def manual_page(version, synopsis, description, global_options, commands, exit_status):
    program = synopsis.split()[0]
    page = [
        f'.TH {program.upper()} 1 "" "Quovanta {version}" "User Commands"',
        ".nh",
        ".ad l",
        ".SH NAME",
        f"{roff(program)} \\- every data operation of Quovanta from a terminal",
        ".SH SYNOPSIS",
        synopsis_roff(synopsis),
        ".SH DESCRIPTION",
        roff_line(description),
        ".PP",
        "Each command prints its usage with \\fB\\-\\-help\\fR "
        "(\\fBquovanta\\-cli\\fR \\fIcommand\\fR \\fB\\-\\-help\\fR).",
        ".SH OPTIONS",
    ]
    for term, text in global_options:
        page += [".TP", synopsis_roff(term), roff_line(text)]
    for group in dict.fromkeys(c.group for c in commands):
        page.append(f'.SH "{roff(group).upper()}"')
        for command in (c for c in commands if c.group == group):
            page += [".SS", f"{synopsis_roff(command.name + ' ' + command.arguments)}".strip()]
            page += details_roff(command.details)
    page += [
        '.SH "EXIT STATUS"',
        roff_line(exit_status),
        ".SH ENVIRONMENT",
        ".TP", "\\fBQUOVANTA_INI\\fR",
        "The settings file, when \\fB\\-\\-ini\\fR is not given.",
        ".TP", "\\fBXDG_CONFIG_HOME\\fR",
        "Holds \\fIquovanta/QUOVANTA.INI\\fR, the settings file when neither "
        "\\fB\\-\\-ini\\fR nor \\fBQUOVANTA_INI\\fR names one (default \\fI~/.config\\fR).",
        ".SH FILES",
        ".TP", "\\fI~/.config/quovanta/QUOVANTA.INI\\fR",
        "The settings shared with \\fBquovanta\\fR(1); it holds passwords and is kept at mode 0600.",
        ".TP", "\\fIAUDIT.TXT\\fR, \\fI*.pfd\\fR",
        "The audit log of the update runs and the update profiles, in the start-up directory.",
        ".SH EXAMPLES",
        ".nf",
        "quovanta\\-cli list ~/md/STOCKS",
        "quovanta\\-cli quotes ~/md/STOCKS ACME \\-\\-recent",
        "cd ~/.local/share/quovanta && quovanta\\-cli update",
        ".fi",
        '.SH "SEE ALSO"',
        "\\fBquovanta\\fR(1)",
    ]
    return "\n".join(page) + "\n"


# ----- bash completion -----

def shell_words(words):
    return " ".join(words)


def completion(synopsis, global_options, commands):
    program = synopsis.split()[0]
    function = "_" + re.sub(r"[^A-Za-z0-9]", "_", program)
    global_names = [t.split()[0] for t, _ in global_options]
    global_with_value = [t.split()[0] for t, _ in global_options if len(t.split()) > 1]
    lines = [
        f"# bash completion for {program}: its commands, their options and the words some",
        f"# arguments take. Generated from `{program} --help` when the program is built.",
        "",
        f"{function}()",
        "{",
        "    local cur=${COMP_WORDS[COMP_CWORD]} prev=",
        "    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD-1]}",
        "    # bash splits --option=value at the '=': complete the value after it.",
        "    if [[ $cur == = ]]; then",
        "        cur=",
        "    elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then",
        "        prev=${COMP_WORDS[COMP_CWORD-2]}",
        "    fi",
        "    COMPREPLY=()",
        "    # The command is the first word that is neither a global option nor its value.",
        "    local i=1 command= skip_value=",
        "    while ((i < COMP_CWORD)); do",
        "        local word=${COMP_WORDS[i]}",
        "        if [[ -n $skip_value ]]; then",
        "            [[ $word == = ]] || skip_value=",
        "        elif [[ $word == -* ]]; then",
        "            case $word in",
        f"                {'|'.join(global_with_value) or '--'}) skip_value=1 ;;",
        "            esac",
        "        else",
        "            command=$word",
        "            break",
        "        fi",
        "        ((i++))",
        "    done",
        "    if [[ -z $command ]]; then",
        "        case $prev in",
        "            --ini) COMPREPLY=($(compgen -f -- \"$cur\")); return ;;",
        "            --startup-dir) COMPREPLY=($(compgen -d -- \"$cur\")); return ;;",
        "        esac",
        "        if [[ $cur == -* ]]; then",
        f"            COMPREPLY=($(compgen -W \"{shell_words(global_names)}\" -- \"$cur\"))",
        "        else",
        f"            COMPREPLY=($(compgen -W \"{shell_words(c.name for c in commands)}\" -- \"$cur\"))",
        "        fi",
        "        return",
        "    fi",
        "    local options= value_options= position=0 j",
        "    case $command in",
    ]
    for command in commands:
        names = sorted(command.options)
        with_value = sorted(n for n, v in command.options.items() if v is not None)
        lines.append(f"        {command.name}) options=\"{shell_words(names)}\" "
                     f"value_options=\"{shell_words(with_value)}\" ;;")
    lines += [
        "        *) return ;;",
        "    esac",
        "    # An option that takes a value: its words, or nothing (file names) for free text.",
        "    if [[ $prev == --* && \" $value_options \" == *\" $prev \"* ]]; then",
        "        case $command:$prev in",
    ]
    for command in commands:
        for name, choices in sorted(command.options.items()):
            if choices:
                lines.append(f"            {command.name}:{name}) "
                             f"COMPREPLY=($(compgen -W \"{shell_words(choices)}\" -- \"$cur\")) ;;")
    lines += [
        "        esac",
        "        return",
        "    fi",
        "    if [[ $cur == -* ]]; then",
        "        COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))",
        "        return",
        "    fi",
        "    # Which positional argument this is: words after the command, options and their",
        "    # values left out.",
        "    for ((j = i + 1; j < COMP_CWORD; j++)); do",
        "        local w=${COMP_WORDS[j]}",
        "        if [[ $w == --* ]]; then",
        "            if [[ \" $value_options \" == *\" $w \"* ]]; then",
        "                ((j++))",
        "                [[ ${COMP_WORDS[j]} == = ]] && ((j++))",
        "            fi",
        "            continue",
        "        fi",
        "        ((position++))",
        "    done",
        "    case $command:$position in",
    ]
    for command in commands:
        if "|" in command.arguments.split(" ")[0] and re.match(r"[a-z]", command.arguments):
            # Sub-commands: "list|show NAME|write NAME KEY=VALUE...".
            words = [alt.split()[0] for alt in command.arguments.split("|")]
            lines.append(f"        {command.name}:0) "
                         f"COMPREPLY=($(compgen -W \"{shell_words(words)}\" -- \"$cur\")) ;;")
            continue
        for index, word in enumerate(command.positional()):
            if re.fullmatch(r"[a-z]+(\|[a-z]+)+", word):
                lines.append(f"        {command.name}:{index}) "
                             f"COMPREPLY=($(compgen -W \"{shell_words(word.split('|'))}\" -- \"$cur\")) ;;")
    lines += [
        "    esac",
        "    # Anything else is a directory, a file or free text: the default completion.",
        "}",
        f"complete -o bashdefault -o default -F {function} {program}",
    ]
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--man", required=True)
    parser.add_argument("--completion", required=True)
    args = parser.parse_args()

    synopsis, description, global_options, commands, exit_status = parse_overview(run_help(args.cli))
    for command in commands:
        read_command_help(args.cli, command)
    with open(args.man, "w", encoding="utf-8") as out:
        out.write(manual_page(args.version, synopsis, description, global_options, commands, exit_status))
    with open(args.completion, "w", encoding="utf-8") as out:
        out.write(completion(synopsis, global_options, commands))


if __name__ == "__main__":
    main()
