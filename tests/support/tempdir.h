// A fresh folder of the test's own under /tmp (mode 0700, as mkdtemp makes it), removed with
// everything in it when the object goes: the runtime directories the tools and the tests share.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

class TempDir
{
public:
    explicit TempDir(const std::string &prefix)
    {
        std::string pattern = "/tmp/" + prefix + "-XXXXXX";
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a folder from " + pattern);
        m_path = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &path() const { return m_path; }

private:
    std::string m_path;
};
