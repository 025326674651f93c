// Runs tarnctl's bash completion in a real bash, as the shell does on Tab: COMP_WORDS and
// COMP_CWORD set, the completion function called, COMPREPLY read back.
#pragma once

#include "tarnctlhelp.h"

#include <string>
#include <vector>

class BashCompletion
{
public:
    // file: the completion script; env: "NAME=value" entries for the shell.
    explicit BashCompletion(std::string file, std::vector<std::string> env = {});

    // What Tab offers for the command line words (the last is the word being completed;
    // "" for a new word). Bash splits "--port=COM" into "--port" "=" "COM" itself; pass the
    // words as bash would.
    Words complete(const std::vector<std::string> &words) const;

    // What `complete -p tarnctl` says once the file is sourced.
    std::string registration() const;

    // Why the last call failed (bash's standard error), empty when it did not.
    const std::string &problem() const { return m_problem; }

private:
    std::string run(const std::string &script, const std::vector<std::string> &args) const;

    std::string m_file;
    std::vector<std::string> m_env;
    mutable std::string m_problem;
};
