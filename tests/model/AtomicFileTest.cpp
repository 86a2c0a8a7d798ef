// Whole files read under a size limit, and saved whole; why a save failed is checked through its callers.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include "model/io/AtomicFile.h"
#include "model/io/FileContents.h"
#include "tests/ScratchFiles.h"

namespace {

bool save(const std::string& target, const std::string& contents) {
    AtomicFile file(target.c_str());
    FILE* f = file.open();
    return f && std::fputs(contents.c_str(), f) >= 0 && file.commit();
}

struct stat statOf(const std::string& path, bool follow = true) {
    struct stat st {};
    EXPECT_EQ(0, follow ? stat(path.c_str(), &st) : lstat(path.c_str(), &st)) << path;
    return st;
}

// body's exit status in a child process, or -signal when a signal ended it.
template <class Body>
int inChild(Body body) {
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0)
        _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

TEST(AtomicFile, writes_through_links_to_the_file_they_point_to) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.path("sub"));
    struct Case {
        const char* link;
        const char* points_to;
        const char* file;  // the file the save must change
    } cases[] = {
        {"relative.xml", "real.xml", "real.xml"},
        {"chain.xml", "relative.xml", "real.xml"},
        {"sub/up.xml", "../real.xml", "real.xml"},
        {"absolute.xml", "", "sub/deep.xml"},  // points to the file's absolute path
        {"dangling.xml", "sub/new.xml", "sub/new.xml"},
    };
    writeFile(dir.path("real.xml"), std::string("old"));
    writeFile(dir.path("sub/deep.xml"), std::string("old"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.link);
        const std::string target = *c.points_to ? c.points_to : dir.path(c.file);
        ASSERT_EQ(0, symlink(target.c_str(), dir.path(c.link).c_str()));
        ASSERT_TRUE(save(dir.path(c.link), std::string("new ") + c.link));
        EXPECT_EQ(std::string("new ") + c.link, readFile(dir.path(c.file)));
        EXPECT_TRUE(S_ISLNK(statOf(dir.path(c.link), false).st_mode));
        EXPECT_EQ(target, std::filesystem::read_symlink(dir.path(c.link)).string());
    }
    // No temporaries: sub, real.xml and four links above; deep.xml, new.xml and a link in sub.
    EXPECT_EQ(6, dir.entries());
    EXPECT_EQ(3, std::distance(std::filesystem::directory_iterator(dir.path("sub")), {}));
}

TEST(AtomicFile, hard_linked_files_are_written_in_place_and_restored_when_that_fails) {
    ScratchDir dir;
    const std::string a = dir.path("a.xml"), b = dir.path("b.xml");
    writeFile(a, std::string("old contents"));
    ASSERT_EQ(0, link(a.c_str(), b.c_str()));
    ASSERT_TRUE(save(a, "new"));
    EXPECT_EQ("new", readFile(b));  // b still shares a's contents: written in place
    // Written in place, a write that fails half way must put the old bytes back.
    EXPECT_FALSE(underFileSizeLimit(100, [&] { return save(a, std::string(5000, 'x')); }));
    EXPECT_EQ("new", readFile(b));
    // So must a save abandoned without commit.
    {
        AtomicFile file(a.c_str());
        FILE* f = file.open();
        ASSERT_NE(nullptr, f);
        std::fputs("abandoned", f);
        std::fflush(f);
    }
    EXPECT_EQ("new", readFile(b));
    EXPECT_EQ(2, dir.entries());
}

TEST(AtomicFile, device_nodes_stay_devices) {
    ScratchDir dir;
    const std::string null = dir.path("null");  // the system's null device, made here
    if (mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "cannot make a device node here (needs root): " << std::strerror(errno);
    ASSERT_TRUE(save(null, "discarded"));
    const struct stat st = statOf(null, false);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_EQ(makedev(1, 3), st.st_rdev);
    EXPECT_EQ(1, dir.entries());
}

// A replaced file keeps its mode and owner; names up to 255 bytes leave room for the temporary beside them.
TEST(AtomicFile, replaced_files_keep_their_mode_and_owner_and_names_up_to_255_bytes) {
    ScratchDir dir;
    const bool root = geteuid() == 0;
    for (size_t length : {8u, 250u, 255u}) {
        const std::string path = dir.path(std::string(length, 'n'));
        ASSERT_TRUE(save(path, "first")) << length;
        ASSERT_EQ(0, chmod(path.c_str(), 0604));
        if (root) {
            ASSERT_EQ(0, chown(path.c_str(), 65534, 65534));
        }
        const ino_t before = statOf(path).st_ino;
        ASSERT_TRUE(save(path, "second")) << length;
        EXPECT_EQ("second", readFile(path));
        const struct stat st = statOf(path);
        EXPECT_NE(before, st.st_ino);  // replaced, not written in place
        EXPECT_EQ(0604u, st.st_mode & 07777u);
        EXPECT_EQ(root ? 65534u : geteuid(), st.st_uid);
    }
    EXPECT_EQ(3, dir.entries());
}

// Root may write any directory, so the save runs as "nobody" then.
TEST(AtomicFile, writable_file_in_a_directory_we_may_not_write_is_written_in_place) {
    ScratchDir dir;
    const std::string locked = dir.path("locked"), path = dir.path("locked/file.xml");
    std::filesystem::create_directory(locked);
    writeFile(path, std::string("old"));
    ASSERT_EQ(0, chmod(path.c_str(), 0666));
    ASSERT_EQ(0, chmod(locked.c_str(), 0555));
    ASSERT_EQ(0, chmod(dir.root.c_str(), 0755));
    EXPECT_EQ(0, inChild([&] {
                  if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
                      return 2;
                  return save(path, "new") ? 0 : 1;
              }));
    EXPECT_EQ("new", readFile(path));  // no file can be made beside it, so the save went in place
    chmod(locked.c_str(), 0755);       // so that the scratch folder can go
}

TEST(AtomicFile, a_save_killed_before_commit_leaves_the_old_file_and_nothing_else) {
    ScratchDir dir;
    const std::string path = dir.path(std::string(200, 'k') + ".bmp");
    writeFile(path, std::string("old"));
    for (int signal : {0, SIGKILL}) {  // 0: the process exits without running destructors
        EXPECT_EQ(signal ? -signal : 0, inChild([&] {
                      AtomicFile file(path.c_str());
                      FILE* f = file.open();
                      if (!f || std::fputs(std::string(100000, 'x').c_str(), f) < 0 || std::fflush(f) != 0)
                          return 1;
                      if (signal)
                          raise(signal);
                      return 0;
                  }));
        EXPECT_EQ("old", readFile(path));
        EXPECT_EQ(1, dir.entries());
    }
}

TEST(FileContents, refuses_unread_what_is_over_its_limit_or_no_regular_file) {
    ScratchDir dir;
    const std::string fifo = dir.path("pipe"), big = dir.path("big"), small = dir.path("small");
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    writeFile(small, std::string("0123456789"));
    writeFile(big, std::string());
    ASSERT_EQ(0, truncate(big.c_str(), FileContents::kMiB + 1));  // sparse: nothing to read unless it is read
    const struct {
        std::string path;
        size_t limit;
        FileContents::Status status;
        std::string bytes, reason;
    } cases[] = {
        {small, 10, FileContents::kRead, "0123456789", ""},
        {small, 9, FileContents::kTooLarge, "", "too large (over 9 bytes)"},
        {big, FileContents::kMiB, FileContents::kTooLarge, "", "too large (over 1 MiB)"},
        {fifo, 10, FileContents::kNotRegular, "", "not a regular file"},
        {"/dev/zero", FileContents::kImageLimit, FileContents::kNotRegular, "", "not a regular file"},
        {dir.root, 10, FileContents::kNotRegular, "", "Is a directory"},
        {dir.path("none"), 10, FileContents::kOpenFailed, "", "No such file or directory"},
    };
    for (const auto& c : cases) {
        const FileContents file = FileContents::read(c.path.c_str(), c.limit);
        EXPECT_EQ(c.status, file.status) << c.path;
        EXPECT_EQ(c.bytes, file.bytes) << c.path;
        EXPECT_EQ(c.reason, file.reason()) << c.path;
    }
}

}  // namespace
