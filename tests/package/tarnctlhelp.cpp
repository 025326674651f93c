#include "tarnctlhelp.h"

#include "runprocess.h"

#include <fstream>
#include <regex>
#include <sstream>

namespace {

std::vector<std::string> linesOf(const std::string &text)
{
    std::vector<std::string> lines;
    std::stringstream in(text);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

std::size_t indentOf(const std::string &line)
{
    const std::size_t first = line.find_first_not_of(' ');
    return first == std::string::npos ? line.size() : first;
}

bool blank(const std::string &line)
{
    return line.find_first_not_of(" \t") == std::string::npos;
}

std::string trimmed(const std::string &text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The lines after a line that is exactly header (trimmed), up to a blank line.
std::vector<std::string> blockAfter(const std::string &help, const std::string &header)
{
    std::vector<std::string> block;
    bool in = false;
    for (const std::string &line : linesOf(help)) {
        if (!in) {
            in = trimmed(line) == header;
            continue;
        }
        if (blank(line))
            break;
        block.push_back(line);
    }
    return block;
}

std::string firstWord(const std::string &text)
{
    static const std::regex word("^\\s*([A-Za-z][A-Za-z0-9-]*)");
    std::smatch match;
    return std::regex_search(text, match, word) ? match[1].str() : std::string();
}

// Resolves the roff escapes a man page uses into the characters the reader sees.
std::string unescape(const std::string &roff)
{
    std::string out;
    for (std::size_t i = 0; i < roff.size(); ++i) {
        if (roff[i] != '\\' || i + 1 >= roff.size()) {
            out += roff[i];
            continue;
        }
        const char c = roff[++i];
        if (c == 'f') { // font: \fB, \f(BI, \f[BI]
            if (i + 1 < roff.size() && roff[i + 1] == '(')
                i += 3;
            else if (i + 1 < roff.size() && roff[i + 1] == '[')
                i = roff.find(']', i);
            else
                i += 1;
            if (i == std::string::npos)
                break;
        } else if (c == '(') { // a named character: \(aq, \(lq
            const std::string name = roff.substr(i + 1, 2);
            out += name == "aq" ? "'" : (name == "lq" || name == "rq") ? "\"" : " ";
            i += 2;
        } else if (c == '-') {
            out += '-';
        } else if (c == 'e') {
            out += '\\';
        } else if (c == ' ' || c == '~') {
            out += ' ';
        } // \% \& \: and others print nothing
    }
    return out;
}

// The text of a macro line's arguments (".BR up \", \" down" gives "up ,  down").
std::string macroText(const std::string &arguments)
{
    std::string text;
    for (char c : arguments)
        if (c != '"')
            text += c;
    return unescape(text);
}

} // namespace

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

Words wordsOf(const std::string &text)
{
    static const std::regex word("[A-Za-z0-9-]+");
    Words words;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), word);
         it != std::sregex_iterator(); ++it)
        words.insert(it->str());
    return words;
}

Words optionsInHelp(const std::string &help)
{
    static const std::regex option("^(-{1,2}[A-Za-z0-9][A-Za-z0-9-]*)");
    Words options;
    for (const std::string &line : blockAfter(help, "Options:")) {
        // "  -h, --help     Displays help": the option column ends at two spaces.
        std::string column = trimmed(line);
        column = column.substr(0, column.find("  "));
        std::stringstream parts(column);
        std::string part;
        while (std::getline(parts, part, ',')) {
            std::smatch match;
            const std::string name = trimmed(part);
            if (std::regex_search(name, match, option))
                options.insert(match[1].str());
        }
    }
    return options;
}

Words actionsInHelp(const std::string &help)
{
    Words actions;
    const std::vector<std::string> lines = linesOf(help);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string line = trimmed(lines[i]);
        const std::string marker = "ACTION is one of:";
        const std::size_t at = line.find(marker);
        const bool header = line == "Actions:";
        if (at == std::string::npos && !header)
            continue;
        const std::string inlineList = header ? "" : trimmed(line.substr(at + marker.size()));
        if (!inlineList.empty()) {
            std::stringstream items(inlineList);
            std::string item;
            while (std::getline(items, item, ','))
                if (const std::string name = firstWord(item); !name.empty())
                    actions.insert(name);
            return actions;
        }
        std::size_t itemIndent = std::string::npos;
        for (std::size_t j = i + 1; j < lines.size() && !blank(lines[j]); ++j) {
            const std::size_t indent = indentOf(lines[j]);
            if (itemIndent == std::string::npos)
                itemIndent = indent;
            if (indent == itemIndent)
                if (const std::string name = firstWord(lines[j]); !name.empty())
                    actions.insert(name);
        }
        return actions;
    }
    return actions;
}

TarnctlInterface readTarnctlInterface(const std::string &tarnctl)
{
    TarnctlInterface found;
    const ProcessResult top = runProcess(tarnctl, {"--help"});
    if (top.status != 0) {
        found.problem = "tarnctl --help exited with " + std::to_string(top.status) + ": " + top.err;
        return found;
    }
    for (const std::string &line : blockAfter(top.out, "Commands:"))
        if (const std::string name = firstWord(line); !name.empty())
            found.commands.insert(name);
    found.topOptions = optionsInHelp(top.out);
    for (const std::string &command : found.commands) {
        const ProcessResult help = runProcess(tarnctl, {command, "--help"});
        if (help.status != 0) {
            found.problem = "tarnctl " + command + " --help exited with " +
                            std::to_string(help.status) + ": " + help.err;
            return found;
        }
        found.options[command] = optionsInHelp(help.out);
        if (command == "frame")
            found.actions = actionsInHelp(help.out);
        if (command == "send")
            found.sendActions = actionsInHelp(help.out);
    }
    if (found.commands.empty() || found.actions.empty())
        found.problem = "tarnctl's help lists no commands or no actions:\n" + top.out;
    return found;
}

std::vector<ManSection> parseManPage(const std::string &roff)
{
    std::vector<ManSection> sections;
    ManSection *current = nullptr;
    bool tagNext = false;
    auto add = [&](const std::string &text) {
        if (!current)
            return;
        if (tagNext) {
            current->tags.push_back(trimmed(text));
            tagNext = false;
        }
        current->text += text;
        current->text += '\n';
    };
    for (const std::string &line : linesOf(roff)) {
        if (line.rfind(".\\\"", 0) == 0 || line.rfind("'\\\"", 0) == 0)
            continue; // a comment
        if (line.empty() || line[0] != '.') {
            add(unescape(line));
            continue;
        }
        const std::size_t space = line.find(' ');
        const std::string macro = line.substr(1, space == std::string::npos ? space : space - 1);
        const std::string arguments = space == std::string::npos ? "" : line.substr(space + 1);
        if (macro == "SH") {
            sections.push_back({trimmed(macroText(arguments)), {}, {}, {}});
            current = &sections.back();
        } else if (macro == "SS" && !sections.empty()) {
            sections.back().subsections.push_back({trimmed(macroText(arguments)), {}, {}, {}});
            current = &sections.back().subsections.back();
        } else if (macro == "TP") {
            tagNext = true;
        } else if (macro == "B" || macro == "I" || macro == "BR" || macro == "RB" ||
                   macro == "BI" || macro == "IB" || macro == "IR" || macro == "RI") {
            add(macroText(arguments));
        }
    }
    return sections;
}
