// The helper that runs a function as another user: the child's files belong to the ids it was
// given, its status comes back, and a child that loops is stopped.
#include "tests/support/another_user.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

TEST(AnotherUser, FilesOfTheChildBelongToTheOtherUser) {
    if (!qv_test::RunningAsRoot()) GTEST_SKIP() << qv_test::kNeedsRootToSwitchUsers;
    qv_test::ScratchFolder folder("another_user");
    ASSERT_EQ(0, chmod(folder.path.c_str(), 0777));
    const int fd = open(folder.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    struct Case {
        const char* name;
        qv_test::UserIds ids;
    };
    const Case cases[] = {{"nobody", {}}, {"given", {1234, 4321}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int status = qv_test::RunAsAnotherUser(fd, [&] {
            // Only the other user without root's groups may write here, and it has no right to
            // give the file away: the owner is its own.
            const int file = open(c.name, O_WRONLY | O_CREAT | O_EXCL, 0644);
            return file >= 0 && getgroups(0, nullptr) == 0 && close(file) == 0 ? 7 : 1;
        }, c.ids);
        EXPECT_EQ(7, status);
        struct stat st {};
        ASSERT_EQ(0, stat((folder / c.name).c_str(), &st));
        EXPECT_EQ(c.ids.uid, st.st_uid);
        EXPECT_EQ(c.ids.gid, st.st_gid);
    }
    close(fd);
}

TEST(AnotherUser, ALoopingChildIsStopped) {
    if (!qv_test::RunningAsRoot()) GTEST_SKIP() << qv_test::kNeedsRootToSwitchUsers;
    qv_test::ScratchFolder folder("another_user");
    const int fd = open(folder.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(0, chmod(folder.path.c_str(), 0711));   // the child enters it: it needs the right to search it
    qv_test::AnotherUser looping(fd, [] {
        for (;;) pause();
        return 0;
    });
    ASSERT_TRUE(looping.Started());
    EXPECT_EQ(128 + SIGKILL, looping.Stop());
    close(fd);
}

} // namespace
