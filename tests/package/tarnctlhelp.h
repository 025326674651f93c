// What tarnctl says it accepts, read from its own help, and what the man page and the bash
// completion say about it: the facts the documentation tests compare.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

using Words = std::set<std::string>;

struct TarnctlInterface
{
    Words commands;                       // from "tarnctl --help", its Commands: block
    Words topOptions;                     // its Options: block ("-h", "--help", "--version")
    std::map<std::string, Words> options; // each "tarnctl COMMAND --help", its Options: block
    Words actions;                        // the action list of "tarnctl frame --help"
    Words sendActions;                    // the action list of "tarnctl send --help"
    std::string problem;                  // why it could not be read, when it could not
};

// Runs tarnctl and reads its help. The action list is read from the line "ACTION is one of:
// a, b [ARG], goto N." (each comma-separated item's first word), or, when nothing follows the
// colon on that line or the line is "Actions:", from the indented lines after it up to a blank
// line (each line's first word; lines indented deeper continue the one before).
TarnctlInterface readTarnctlInterface(const std::string &tarnctl);

// The option names in a Qt-style "Options:" block of a help text: "-h", "--help", "--address".
Words optionsInHelp(const std::string &help);

// The action names in a help text, by the rule above.
Words actionsInHelp(const std::string &help);

// A man page's source as its reader sees the words: sections (.SH) and subsections (.SS) with
// the tags of their tagged paragraphs (.TP) and their whole text, roff escapes resolved.
struct ManSection
{
    std::string title;             // "COMMANDS", or the subsection's ("frame")
    std::vector<std::string> tags; // the .TP tags: "--address N", "-h, --help"
    std::string text;              // all of its text
    std::vector<ManSection> subsections;
};

std::vector<ManSection> parseManPage(const std::string &roff);

// The words of a text: runs of letters, digits and '-' ("--address", "zoom-tele", "COM1").
Words wordsOf(const std::string &text);

std::string readFile(const std::string &path);
