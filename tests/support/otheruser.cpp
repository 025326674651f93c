#include "otheruser.h"

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

std::string userName(uid_t uid)
{
    const passwd *pw = getpwuid(uid);
    return pw ? pw->pw_name : "uid " + std::to_string(uid);
}

std::string runAsUser(uid_t uid, const std::function<std::string()> &f)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return "no pipe";
    const pid_t pid = fork();
    if (pid < 0) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        return "no fork";
    }
    if (pid == 0) {
        close(pipeFds[0]);
        std::string text;
        if (setgroups(0, nullptr) != 0 || setresgid(uid, uid, uid) != 0 ||
            setresuid(uid, uid, uid) != 0)
            text = "could not drop privileges";
        else
            text = f();
        (void)!write(pipeFds[1], text.data(), text.size());
        _exit(0);
    }
    close(pipeFds[1]);
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, std::size_t(n));
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return text;
}
