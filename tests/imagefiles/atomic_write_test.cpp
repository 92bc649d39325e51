// Replacing a file keeps what its user set on it: links, mode, owner, write
// protection. Every case runs on real files in a scratch folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "image/image.h"
#include "imagefiles/atomic_write.h"
#include "imagefiles/temporary_files.h"
#include "test_files.h"

namespace {

constexpr uid_t kNobody = 65534;

// A small grey image to save; each test tells its saves apart by the value.
FileResult SaveGrey(uint8_t value, const std::string& path)
{
    CImage image(5, 4, 1, SampleU8);
    image.Fill(value, 0, 0, 0);
    return SaveBmp(image, path.c_str());
}

uint8_t FirstSample(const std::string& path)
{
    CImage image(path.c_str(), 0);
    return image.channelCount ? image.Plane8(0)[0] : 0;
}

struct stat Stat(const std::string& path)
{
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info;
}

class AtomicWrite : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(SaveGrey(10, folder.Path("old.bmp")), FileOk); }
    TempFolder folder;
};

} // namespace

TEST_F(AtomicWrite, LinkedTargetIsReplacedThroughTheLink)
{
    std::filesystem::create_directory(folder.Path("photos"));
    std::filesystem::rename(folder.Path("old.bmp"), folder.Path("photos/real.bmp"));
    std::filesystem::create_symlink("photos/real.bmp", folder.Path("hop.bmp"));
    std::filesystem::create_symlink("hop.bmp", folder.Path("link.bmp"));
    ASSERT_EQ(SaveGrey(99, folder.Path("link.bmp")), FileOk);
    EXPECT_TRUE(std::filesystem::is_symlink(folder.Path("link.bmp")));
    EXPECT_TRUE(std::filesystem::is_symlink(folder.Path("hop.bmp")));
    EXPECT_EQ(FirstSample(folder.Path("photos/real.bmp")), 99);

    std::filesystem::create_symlink(folder.Path("photos/new.bmp"), folder.Path("dangling.bmp"));
    ASSERT_EQ(SaveGrey(7, folder.Path("dangling.bmp")), FileOk);
    EXPECT_EQ(FirstSample(folder.Path("photos/new.bmp")), 7) << "a dangling link's file is created";

    std::filesystem::create_symlink("loop.bmp", folder.Path("loop.bmp"));
    EXPECT_EQ(SaveGrey(7, folder.Path("loop.bmp")), FileSystemError);
}

TEST_F(AtomicWrite, ModeOwnerAndGroupAreKept)
{
    std::string path = folder.Path("old.bmp");
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(path.c_str(), kNobody, kNobody), 0);
    }
    ASSERT_EQ(SaveGrey(50, path), FileOk);
    struct stat info = Stat(path);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    if (root) {
        EXPECT_EQ(info.st_uid, kNobody);
        EXPECT_EQ(info.st_gid, kNobody);
    }
    EXPECT_EQ(FirstSample(path), 50);

    mode_t mask = umask(022);
    ASSERT_EQ(SaveGrey(50, folder.Path("fresh.bmp")), FileOk);
    umask(mask);
    EXPECT_EQ(Stat(folder.Path("fresh.bmp")).st_mode & 07777, 0644u) << "a new file: 0666 less the umask";
}

// Without any write bit the file is read-only to its user, and that holds for
// a privileged process too.
TEST_F(AtomicWrite, WriteProtectedFileIsRefusedAndLeftAlone)
{
    std::string path = folder.Path("old.bmp");
    Bytes before = TempFolder::ReadBytes(path);
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    EXPECT_EQ(SaveGrey(60, path), FileWriteProtected);
    EXPECT_EQ(TempFolder::ReadBytes(path), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path("")), {}), 1) << "no temporary left";
}

// A folder that takes no new files: the writable file is written in place,
// and only once the whole image has been encoded. As root the folder's bits do
// not bind, so the save runs in a child that has given up root.
TEST_F(AtomicWrite, FileInAClosedFolderIsWrittenInPlace)
{
    std::filesystem::create_directory(folder.Path("closed"));
    std::string path = folder.Path("closed/scan.bmp");
    std::filesystem::rename(folder.Path("old.bmp"), path);
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(path.c_str(), kNobody, kNobody), 0);
        ASSERT_EQ(chmod(folder.Path("").c_str(), 0755), 0);
    }
    ASSERT_EQ(chmod(folder.Path("closed").c_str(), 0555), 0);
    const ino_t inode = Stat(path).st_ino;

    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Giving up root makes the process undumpable, which would close its
        // own /proc entries to it; an ordinary user's process has them.
        if (root && (setgid(kNobody) != 0 || setuid(kNobody) != 0 || prctl(PR_SET_DUMPABLE, 1) != 0))
            _exit(10);
        // A failing writer first: the file must come through untouched.
        FileResult failed = WriteAtomically(path.c_str(), [](const char* temporary) {
            FILE* file = std::fopen(temporary, "wb");
            if (file) {
                std::fputs("half", file);
                std::fclose(file);
            }
            return FileOpenFailed;
        });
        if (failed != FileOpenFailed || FirstSample(path) != 10)
            _exit(11);
        _exit(SaveGrey(77, path));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    chmod(folder.Path("closed").c_str(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), FileOk);
    EXPECT_EQ(FirstSample(path), 77);
    EXPECT_EQ(Stat(path).st_ino, inode) << "written in place";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path("closed")), {}), 1);
}

// The rename gives the saved name a new file: a second name of the old one
// keeps the previous picture, as a backup copy would.
TEST_F(AtomicWrite, HardLinkedNameKeepsThePreviousPicture)
{
    std::filesystem::create_hard_link(folder.Path("old.bmp"), folder.Path("other.bmp"));
    ASSERT_EQ(SaveGrey(33, folder.Path("old.bmp")), FileOk);
    EXPECT_EQ(FirstSample(folder.Path("old.bmp")), 33);
    EXPECT_EQ(FirstSample(folder.Path("other.bmp")), 10);
}

TEST_F(AtomicWrite, LongestNamesSaveAndTheTemporaryIsListedForInterrupts)
{
    std::string longest = folder.Path(std::string(251, 'n') + ".bmp");
    ASSERT_EQ(SaveGrey(5, longest), FileOk);
    EXPECT_EQ(FirstSample(longest), 5);

    // What the interrupt handler does, done while the writer works.
    bool existedWhileWriting = false;
    bool removed = false;
    std::string seen;
    FileResult result = WriteAtomically(folder.Path("old.bmp").c_str(), [&](const char* temporary) {
        seen = temporary;
        existedWhileWriting = std::filesystem::exists(temporary);
        RemovePendingTemporaryFiles();
        removed = !std::filesystem::exists(temporary);
        return FileOpenFailed;
    });
    EXPECT_EQ(result, FileOpenFailed);
    EXPECT_TRUE(existedWhileWriting);
    EXPECT_TRUE(removed) << seen;
    EXPECT_EQ(FirstSample(folder.Path("old.bmp")), 10);
}
