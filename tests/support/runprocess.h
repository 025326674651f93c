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

// A started program with its stdout and stderr as pipes to read; pid is -1 if it could not
// be started (no pipe or no fork). The caller closes the descriptors and reaps the pid.
struct SpawnedProcess
{
    int pid = -1;
    int out = -1;
    int err = -1;
};

// Starts program with args; env entries "NAME=value" are set on top of ours.
SpawnedProcess spawnProcess(const std::string &program, const std::vector<std::string> &args,
                            const std::vector<std::string> &env = {});

ProcessResult runProcess(const std::string &program, const std::vector<std::string> &args,
                         int timeoutMs = 20000);
