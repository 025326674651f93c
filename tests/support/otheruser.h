// Tests as another user: running a piece of a test in a child that has dropped to that user's
// identity (the tests run as root here, and CI does too), and users' names for expected texts.
#pragma once

#include <functional>
#include <string>
#include <sys/types.h>

// A user with no rights of its own: nobody.
inline constexpr uid_t otherUser = 65534;

// The user's login name, or "uid N" when it has none.
std::string userName(uid_t uid);

// Runs f in a forked child that has dropped to uid (with that number as its group and no
// supplementary groups) and returns the text f returned, or "could not drop privileges". Needs
// root.
std::string runAsUser(uid_t uid, const std::function<std::string()> &f);
