#include "bashcompletion.h"

#include "runprocess.h"

#include <sstream>

BashCompletion::BashCompletion(std::string file, std::vector<std::string> env)
    : m_file(std::move(file)), m_env(std::move(env))
{}

std::string BashCompletion::run(const std::string &script,
                                const std::vector<std::string> &args) const
{
    std::vector<std::string> argv = m_env;
    argv.insert(argv.end(), {"bash", "--norc", "--noprofile", "-c", script, "bash", m_file});
    argv.insert(argv.end(), args.begin(), args.end());
    const ProcessResult result = runProcess("/usr/bin/env", argv);
    m_problem = result.status == 0
                    ? result.err
                    : "bash exited with " + std::to_string(result.status) + ": " + result.err;
    return result.out;
}

Words BashCompletion::complete(const std::vector<std::string> &words) const
{
    // $1 is the file, the rest the words; COMP_LINE and COMP_POINT as for a cursor at the end.
    const std::string script = "source \"$1\" || exit 3\n"
                               "shift\n"
                               "COMP_WORDS=(\"$@\")\n"
                               "COMP_CWORD=$(($# - 1))\n"
                               "COMP_LINE=\"$*\"\n"
                               "COMP_POINT=${#COMP_LINE}\n"
                               "_tarnctl || exit 4\n"
                               "((${#COMPREPLY[@]} == 0)) || printf '%s\\n' \"${COMPREPLY[@]}\"\n";
    Words offered;
    std::stringstream lines(run(script, words));
    std::string line;
    while (std::getline(lines, line))
        offered.insert(line);
    return offered;
}

std::string BashCompletion::registration() const
{
    return run("source \"$1\" && complete -p tarnctl", {});
}
