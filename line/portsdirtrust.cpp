#include "portsdirtrust.h"

#include <cerrno>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <vector>

namespace {

std::string userName(uid_t uid)
{
    if (const passwd *pw = getpwuid(uid))
        return pw->pw_name;
    return "uid " + std::to_string(uid);
}

std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// runtimeDir, then each folder below it down to portsDir.
std::vector<std::string> foldersToCheck(const std::string &portsDir, const std::string &runtimeDir)
{
    const std::string top = withoutTrailingSlashes(runtimeDir);
    const std::string bottom = withoutTrailingSlashes(portsDir);
    if (top.empty() || bottom.compare(0, top.size(), top) != 0 ||
        (bottom.size() > top.size() && bottom[top.size()] != '/' && top != "/"))
        return {bottom};
    std::vector<std::string> folders{top};
    for (std::size_t at = top.size(); at < bottom.size();) {
        const std::size_t next = bottom.find('/', at + 1);
        const std::size_t end = next == std::string::npos ? bottom.size() : next;
        if (end > at + 1)
            folders.push_back(bottom.substr(0, end));
        at = end;
    }
    return folders;
}

} // namespace

std::optional<std::string> portsDirectoryDistrust(const std::string &portsDir,
                                                  const std::string &runtimeDir, uid_t user)
{
    for (const std::string &folder : foldersToCheck(portsDir, runtimeDir)) {
        struct stat st;
        if (lstat(folder.c_str(), &st) != 0) {
            if (errno == ENOENT)
                return std::nullopt;
            return folder + " cannot be checked: " + std::strerror(errno);
        }
        if (S_ISLNK(st.st_mode)) {
            if (st.st_uid != user)
                return folder + " is a link that belongs to " + userName(st.st_uid) + ", not to " +
                       userName(user);
            if (stat(folder.c_str(), &st) != 0) {
                if (errno == ENOENT)
                    return std::nullopt;
                return folder + " cannot be checked: " + std::strerror(errno);
            }
        }
        // The owner's name is looked up only for the message: a sound folder costs no lookup.
        const auto owned = [&] { return folder + " (owner " + userName(st.st_uid) + ")"; };
        if (!S_ISDIR(st.st_mode))
            return owned() + " is not a folder";
        if (st.st_uid != user)
            return folder + " belongs to " + userName(st.st_uid) + ", not to " + userName(user);
        if (st.st_mode & S_IWOTH)
            return owned() + " is writable by every user";
        if (st.st_mode & S_IWGRP)
            return owned() + " is writable by its group";
    }
    return std::nullopt;
}
