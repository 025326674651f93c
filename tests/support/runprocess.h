// Runs a program to its end and collects what it printed: for tests of the command-line tools.
#pragma once

#include <string>
#include <vector>

struct ProcessResult
{
    int status = -1; // exit status, or 128 + signal
    std::string out;
    std::string err;
};

ProcessResult runProcess(const std::string &program, const std::vector<std::string> &args,
                         int timeoutMs = 20000);
