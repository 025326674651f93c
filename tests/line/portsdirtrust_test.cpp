#include "otheruser.h"
#include "portsdirtrust.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// <base>/run (the runtime directory), <base>/run/tarn and <base>/run/tarn/ports, each 0700; the
// base itself is 0755, so that another user can reach the runtime directory.
class Tree
{
public:
    Tree()
    {
        chmod(m_base.c_str(), 0755);
        for (const std::string &folder : levels()) {
            fs::create_directory(folder);
            chmod(folder.c_str(), 0700);
        }
    }

    std::string runtime() const { return m_base + "/run"; }
    std::string tarn() const { return runtime() + "/tarn"; }
    std::string ports() const { return tarn() + "/ports"; }
    std::vector<std::string> levels() const { return {runtime(), tarn(), ports()}; }
    const std::string &base() const { return m_base; }

private:
    TempDir m_dir{"tarn-trust-test"};
    std::string m_base = m_dir.path();
};

std::string verdict(const std::optional<std::string> &why)
{
    return why.value_or("trusted");
}

TEST(PortsDirTrust, EachFolderFromTheRuntimeDirDownMustBeWritableByItsOwnerAlone)
{
    const uid_t me = geteuid();
    const std::string owner = " (owner " + userName(me) + ")";
    struct Row
    {
        mode_t mode;
        const char *problem; // nullptr: trusted
    };
    for (const Row &row : {
             Row{0700, nullptr}, Row{0755, nullptr}, // others may read and enter, not write
             Row{0750, nullptr}, Row{0770, " is writable by its group"},
             Row{0775, " is writable by its group"}, Row{0720, " is writable by its group"},
             Row{0777, " is writable by every user"}, Row{0702, " is writable by every user"},
             Row{01777, " is writable by every user"}, // sticky, as /tmp: still anyone's to fill
         }) {
        for (std::size_t level = 0; level < 3; ++level) {
            Tree tree;
            const std::string folder = tree.levels()[level];
            SCOPED_TRACE(folder + " mode " + std::to_string(row.mode));
            ASSERT_EQ(chmod(folder.c_str(), row.mode), 0);
            EXPECT_EQ(verdict(portsDirectoryDistrust(tree.ports(), tree.runtime(), me)),
                      row.problem ? folder + owner + row.problem : "trusted");
        }
    }
}

// The check as another user makes it.
std::string verdictAs(uid_t uid, const Tree &tree)
{
    return runAsUser(uid, [&] {
        return verdict(portsDirectoryDistrust(tree.ports(), tree.runtime(), geteuid()));
    });
}

TEST(PortsDirTrust, AFolderOfAnotherUserIsNotTrustedAtAnyLevel)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to give folders to another user and to become them";
    {
        // Another user's tree is sound for them, and not for us: the shared /tmp case.
        Tree tree;
        for (const std::string &folder : tree.levels())
            ASSERT_EQ(chown(folder.c_str(), otherUser, otherUser), 0);
        EXPECT_EQ(verdictAs(otherUser, tree), "trusted");
        EXPECT_EQ(verdict(portsDirectoryDistrust(tree.ports(), tree.runtime(), 0)),
                  tree.runtime() + " belongs to " + userName(otherUser) + ", not to " +
                      userName(0));
    }
    // One folder of the user's tree belongs to someone else (root here), though only its owner
    // may write it.
    for (std::size_t level = 0; level < 3; ++level) {
        Tree tree;
        const std::string foreign = tree.levels()[level];
        for (const std::string &folder : tree.levels()) {
            if (folder != foreign) {
                ASSERT_EQ(chown(folder.c_str(), otherUser, otherUser), 0);
            }
        }
        ASSERT_EQ(chmod(foreign.c_str(), 0755), 0);
        EXPECT_EQ(verdictAs(otherUser, tree),
                  foreign + " belongs to " + userName(0) + ", not to " + userName(otherUser));
    }
}

TEST(PortsDirTrust, LinksMissingFoldersAndOtherEntries)
{
    const uid_t me = geteuid();
    const std::string owner = " (owner " + userName(me) + ")";
    {
        // Nothing there yet: nothing to distrust, at any level.
        Tree tree;
        fs::remove_all(tree.tarn());
        EXPECT_EQ(verdict(portsDirectoryDistrust(tree.ports(), tree.runtime(), me)), "trusted");
        fs::remove_all(tree.runtime());
        EXPECT_EQ(verdict(portsDirectoryDistrust(tree.ports(), tree.runtime(), me)), "trusted");
    }
    {
        // A runtime directory that is the user's own link to a sound folder counts as that
        // folder; one whose folder others can write does not.
        Tree tree;
        const std::string link = tree.base() + "/link";
        fs::create_directory_symlink(tree.runtime(), link);
        EXPECT_EQ(verdict(portsDirectoryDistrust(link + "/tarn/ports", link, me)), "trusted");
        ASSERT_EQ(chmod(tree.runtime().c_str(), 0777), 0);
        EXPECT_EQ(verdict(portsDirectoryDistrust(link + "/tarn/ports", link, me)),
                  link + owner + " is writable by every user");
        ASSERT_EQ(chmod(tree.runtime().c_str(), 0700), 0);
        if (me == 0) {
            // A link someone else made (and can change) is not the user's folder.
            ASSERT_EQ(lchown(link.c_str(), otherUser, otherUser), 0);
            EXPECT_EQ(verdict(portsDirectoryDistrust(link + "/tarn/ports", link, me)),
                      link + " is a link that belongs to " + userName(otherUser) + ", not to " +
                          userName(me));
        }
    }
    {
        // The ports "directory" is a file; trailing slashes change nothing.
        Tree tree;
        fs::remove(tree.ports());
        {
            std::ofstream(tree.ports()) << "";
        }
        EXPECT_EQ(verdict(portsDirectoryDistrust(tree.ports() + "/", tree.runtime() + "/", me)),
                  tree.ports() + owner + " is not a folder");
    }
    {
        // A ports directory outside the runtime directory is checked on its own.
        Tree tree;
        ASSERT_EQ(chmod(tree.runtime().c_str(), 0777), 0);
        EXPECT_EQ(verdict(portsDirectoryDistrust(tree.ports(), "/elsewhere", me)), "trusted");
        EXPECT_EQ(verdict(portsDirectoryDistrust(tree.ports(), tree.runtime() + "x", me)),
                  "trusted");
        ASSERT_EQ(chmod(tree.ports().c_str(), 0777), 0);
        EXPECT_EQ(verdict(portsDirectoryDistrust(tree.ports(), "/elsewhere", me)),
                  tree.ports() + owner + " is writable by every user");
    }
}

} // namespace
