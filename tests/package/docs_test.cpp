// The man pages and the bash completion keep up with tarnctl: every command, every option of
// every command and every action that tarnctl's own help lists is documented and completed,
// and nothing is documented or completed that tarnctl no longer takes.
#include "bashcompletion.h"
#include "baudrates.h"
#include "tarnctlhelp.h"

#include "ptzcontroldlg.h"
#include "runprocess.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const std::string tarnctl = TARNCTL_PATH;

std::string list(const Words &words)
{
    std::string out;
    for (const std::string &word : words)
        out += (out.empty() ? "" : " ") + word;
    return out;
}

const ManSection *findSection(const std::vector<ManSection> &sections, const std::string &title)
{
    const auto it = std::find_if(sections.begin(), sections.end(),
                                 [&](const ManSection &s) { return s.title == title; });
    return it == sections.end() ? nullptr : &*it;
}

Words tagWords(const ManSection *section)
{
    Words words;
    if (section)
        for (const std::string &tag : section->tags)
            words.merge(wordsOf(tag));
    return words;
}

class TarnctlDocs : public testing::Test
{
protected:
    void SetUp() override
    {
        m_tarnctl = readTarnctlInterface(tarnctl);
        ASSERT_TRUE(m_tarnctl.problem.empty()) << m_tarnctl.problem;
    }
    TarnctlInterface m_tarnctl;
};

} // namespace

TEST_F(TarnctlDocs, TheManPageDocumentsEveryCommandOptionAndAction)
{
    const std::vector<ManSection> page = parseManPage(readFile(TARN_MAN_DIR "/tarnctl.1"));
    const ManSection *commands = findSection(page, "COMMANDS");
    ASSERT_NE(commands, nullptr) << "tarnctl.1 has no COMMANDS section";
    // Options every command takes may be documented once, under OPTIONS.
    const Words common = tagWords(findSection(page, "OPTIONS"));

    Words documented;
    for (const ManSection &sub : commands->subsections)
        documented.insert(*wordsOf(sub.title).begin());
    EXPECT_EQ(list(documented), list(m_tarnctl.commands))
        << "tarnctl.1 needs a subsection (.SS COMMAND) under COMMANDS for each command";

    for (const auto &[command, options] : m_tarnctl.options) {
        const auto sub =
            std::find_if(commands->subsections.begin(), commands->subsections.end(),
                         [&](const ManSection &s) { return *wordsOf(s.title).begin() == command; });
        if (sub == commands->subsections.end())
            continue; // reported above
        const Words tags = tagWords(&*sub);
        for (const std::string &option : options)
            EXPECT_TRUE(tags.count(option) || common.count(option))
                << "tarnctl.1 does not document " << option << " of 'tarnctl " << command
                << "': add a .TP for it in '.SS " << command << "' (or under OPTIONS)";
        for (const std::string &word : tags)
            if (word.front() == '-') {
                EXPECT_TRUE(options.count(word))
                    << "tarnctl.1 documents " << word << " for 'tarnctl " << command
                    << "', which does not take it";
            }
    }
    for (const std::string &option : m_tarnctl.topOptions)
        EXPECT_TRUE(common.count(option)) << "tarnctl.1: OPTIONS does not document " << option;

    const Words actions = tagWords(findSection(page, "ACTIONS"));
    Words everyAction = m_tarnctl.actions;
    everyAction.insert(m_tarnctl.sendActions.begin(), m_tarnctl.sendActions.end());
    for (const std::string &action : everyAction)
        EXPECT_TRUE(actions.count(action)) << "tarnctl.1 does not document the action '" << action
                                           << "': add a .TP for it under ACTIONS";

    for (const char *title : {"NAME", "SYNOPSIS", "DESCRIPTION", "PORTS", "ENVIRONMENT", "FILES",
                              "EXIT STATUS", "EXAMPLES", "SEE ALSO"})
        EXPECT_NE(findSection(page, title), nullptr) << "tarnctl.1 has no " << title;
    EXPECT_EQ(list(tagWords(findSection(page, "EXIT STATUS"))), "0 1 129 130 143 2");
}

TEST_F(TarnctlDocs, TheCompletionOffersEveryCommandOptionAndAction)
{
    BashCompletion bash(TARN_COMPLETION_FILE);
    EXPECT_EQ(list(bash.complete({tarnctl, ""})), list(m_tarnctl.commands));
    EXPECT_EQ(list(bash.complete({tarnctl, "-"})), list(m_tarnctl.topOptions));
    for (const auto &[command, options] : m_tarnctl.options)
        EXPECT_EQ(list(bash.complete({tarnctl, command, "-"})), list(options))
            << "the options the completion offers after 'tarnctl " << command << "'";
    EXPECT_EQ(list(bash.complete({tarnctl, "frame", ""})), list(m_tarnctl.actions))
        << "the actions the completion offers after 'tarnctl frame'";
    EXPECT_EQ(list(bash.complete({tarnctl, "send", "--port", "COM1", ""})),
              list(m_tarnctl.sendActions))
        << "the actions the completion offers after 'tarnctl send'";
}

TEST(TarnctlHelpReading, FindsOptionsAndActionsInEitherLayout)
{
    const std::string qtHelp = "Usage: tarnctl send [options] ACTION\n"
                               "ACTION is one of: stop, up [TILT], goto N.\n"
                               "\n"
                               "Options:\n"
                               "  -h, --help       Displays help on commandline options.\n"
                               "  --port <COM<n>>  The port, COM1 to COM255 (default: the\n"
                               "                   lowest free, see --baud).\n"
                               "  --view           Show it.\n"
                               "\n"
                               "Arguments:\n"
                               "  ACTION           The actions.\n";
    EXPECT_EQ(list(optionsInHelp(qtHelp)), "--help --port --view -h");
    EXPECT_EQ(list(actionsInHelp(qtHelp)), "goto stop up");

    const std::string blockHelp = "Prints a frame.\n"
                                  "ACTION is one of:\n"
                                  "  up [TILT]          tilt up, TILT 0 to 63\n"
                                  "  up-left [PAN [TILT]]\n"
                                  "                     both at once\n"
                                  "  auto-focus on|off|auto\n"
                                  "\n"
                                  "Exit status: 0.\n";
    EXPECT_EQ(list(actionsInHelp(blockHelp)), "auto-focus up up-left");
    EXPECT_EQ(list(actionsInHelp("Actions:\n  stop  stops\n  zoom-tele\n")), "stop zoom-tele");
}

TEST(ManPages, RenderWithoutWarnings)
{
    for (const char *name : {"tarn.1", "tarnctl.1"}) {
        const std::string page = std::string(TARN_MAN_DIR "/") + name;
        const ProcessResult man =
            runProcess("/usr/bin/env", {"LC_ALL=C.UTF-8", "MANWIDTH=80", "man", "--warnings", "-E",
                                        "UTF-8", "-l", page});
        EXPECT_EQ(man.status, 0) << name << ": " << man.err;
        EXPECT_EQ(man.err, "") << name << " renders with warnings";
        EXPECT_NE(man.out.find("SYNOPSIS"), std::string::npos) << name << ":\n" << man.out;
        EXPECT_NE(man.out.find("Tarn " TARN_PROJECT_VERSION), std::string::npos)
            << name << " carries the version in its footer";

        // A plain '-' is a hyphen in roff and prints as U+2010 in UTF-8, which a shell does not
        // take: options must be written with \-.
        const std::string source = readFile(page);
        std::size_t line = 0;
        for (std::size_t at = 0, next; at < source.size(); at = next + 1, ++line) {
            next = source.find('\n', at);
            if (next == std::string::npos)
                next = source.size();
            const std::string text = source.substr(at, next - at);
            if (text.rfind(".\\\"", 0) != 0) {
                EXPECT_EQ(text.find("--"), std::string::npos)
                    << name << ":" << line + 1 << ": '--' not written as '\\-\\-': " << text;
            }
        }
    }
}

TEST(ManPages, TheManPageOfTarnHasTheSectionsAnOperatorLooksFor)
{
    const std::vector<ManSection> page = parseManPage(readFile(TARN_MAN_DIR "/tarn.1"));
    for (const char *title : {"NAME", "SYNOPSIS", "DESCRIPTION", "PORTS", "ENVIRONMENT", "FILES",
                              "EXIT STATUS", "EXAMPLES", "SEE ALSO"})
        EXPECT_NE(findSection(page, title), nullptr) << "tarn.1 has no " << title;
    const ManSection *files = findSection(page, "FILES");
    ASSERT_NE(files, nullptr);
    EXPECT_NE(files->text.find("/usr/share/tarn/tarn.hlp"), std::string::npos)
        << "FILES names the installed help file:\n"
        << files->text;
}

// The panel's template shows the line layer's list of rates (tarnctl probe's default), as text.
TEST(ManPages, ThePanelsBaudListIsTheLineLayersList)
{
    ASSERT_EQ(ptzBaudRates.size(), lines::panelBaudRates.size());
    for (std::size_t i = 0; i < ptzBaudRates.size(); ++i)
        EXPECT_EQ(std::string(ptzBaudRates[i]), std::to_string(lines::panelBaudRates[i]));
}

// The rates the man page and the completion offer are the panel's own list, in its order.
TEST(ManPages, TheBaudRatesAreThePanelsList)
{
    std::string rates;
    for (const std::string_view rate : ptzBaudRates)
        rates += (rates.empty() ? "" : " ") + std::string(rate);
    const std::string completion = readFile(TARN_COMPLETION_FILE);
    EXPECT_NE(completion.find("_tarnctl_bauds=\"" + rates + "\""), std::string::npos)
        << "the completion offers the panel's rates: " << rates;

    // The paragraph of the baud list in the man page's source, and the numbers it names.
    const std::string page = readFile(TARN_MAN_DIR "/tarn.1");
    const std::string tag = ".B Baud Rate :\n";
    const std::size_t at = page.find(tag);
    ASSERT_NE(at, std::string::npos) << "tarn.1 has a paragraph on the baud list";
    const std::size_t begin = at + tag.size();
    const std::string paragraph = page.substr(begin, page.find('\n', begin) - begin);
    std::string listed, number;
    for (const char c : paragraph + ' ') {
        if (c >= '0' && c <= '9') {
            number += c;
        } else if (!number.empty()) {
            listed += (listed.empty() ? "" : " ") + number;
            number.clear();
        }
    }
    EXPECT_EQ(listed, rates) << paragraph;
}
