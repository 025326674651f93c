// Whether the links in the ports directory may be followed.
//
// A link there makes any device a port the panel opens, and tarnctl sim puts its own link there,
// so the directory must be the user's alone: it and every folder above it up to the runtime
// directory must belong to the user and be writable by nobody else (what Qt asks of its runtime
// directory). Otherwise another user could have made the links, or could swap them, as under a
// shared /tmp when XDG_RUNTIME_DIR is unset.
#pragma once

#include <optional>
#include <string>
#include <sys/types.h>

// Why the links in portsDir cannot be trusted by user: the first folder, from runtimeDir down to
// portsDir, that is not a folder of the user's alone, named with its owner; nullopt when every
// one is sound. A folder that does not exist is no reason (nothing can be in it). A folder that
// is a symbolic link counts only when the link, too, is the user's. When portsDir is not inside
// runtimeDir, portsDir alone is checked.
std::optional<std::string> portsDirectoryDistrust(const std::string &portsDir,
                                                  const std::string &runtimeDir, uid_t user);
