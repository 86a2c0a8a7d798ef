// Reading files whole: each kind of file has a size limit, and what is no
// regular file or is over its limit is refused unread, with a reason to name.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "model/io/FileContents.h"
#include "tests/ScratchFiles.h"

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
