#include "core/base/unique_any.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/base/unique_fd_posix.h"

namespace tk {
namespace {

// Handles a traits class hands out as plain numbers, recording each close.
std::vector<int> g_closed;

struct CountingTraits {
    using Handle = int;
    static Handle Invalid() noexcept { return 0; }
    static void Close(Handle handle) noexcept { g_closed.push_back(handle); }
};
using Counted = UniqueAny<CountingTraits>;

static_assert(!std::is_copy_constructible_v<Counted>);
static_assert(!std::is_copy_assignable_v<Counted>);
static_assert(std::is_nothrow_move_constructible_v<Counted>);
static_assert(std::is_nothrow_move_assignable_v<Counted>);
static_assert(!std::is_copy_constructible_v<UniqueFd>);

class UniqueAnyTest : public ::testing::Test {
protected:
    void SetUp() override { g_closed.clear(); }
};

// A handle moved from one owner to another is closed once, by the last owner.
TEST_F(UniqueAnyTest, MovesHandOverWithoutClosing) {
    {
        Counted empty;
        Counted source(1);
        EXPECT_FALSE(empty);
        EXPECT_TRUE(source);
        Counted moved(std::move(source));
        EXPECT_FALSE(source);  // NOLINT(bugprone-use-after-move): the point of the test
        EXPECT_TRUE(g_closed.empty());
        Counted target(2);
        target = std::move(moved);  // closes 2, takes 1
        EXPECT_EQ(g_closed, std::vector<int>{2});
        EXPECT_FALSE(moved);  // NOLINT(bugprone-use-after-move)
        Counted& alias = target;
        target = std::move(alias);  // a self-move keeps the handle
        EXPECT_EQ(target.Get(), 1);
        EXPECT_EQ(g_closed, std::vector<int>{2});
    }
    EXPECT_EQ(g_closed, (std::vector<int>{2, 1}));  // empty owners close nothing
}

TEST_F(UniqueAnyTest, ResetReleaseAndPut) {
    Counted handle(3);
    handle.Reset(4);
    handle.Reset();
    handle.Reset();  // already empty: nothing more to close
    EXPECT_EQ(g_closed, (std::vector<int>{3, 4}));
    handle.Reset(5);
    EXPECT_EQ(handle.Release(), 5);  // released, so never closed
    EXPECT_FALSE(handle);
    handle.Reset(6);
    int* slot = handle.Put();
    EXPECT_EQ(g_closed, (std::vector<int>{3, 4, 6}));
    EXPECT_EQ(*slot, 0);
    *slot = 8;
    EXPECT_EQ(handle.Get(), 8);
    handle.Reset();
    EXPECT_EQ(g_closed, (std::vector<int>{3, 4, 6, 8}));
}

// The descriptor owner closes the real descriptor, and -1 is its empty value.
TEST(UniqueFd, ClosesTheDescriptor) {
    EXPECT_FALSE(UniqueFd());
    EXPECT_FALSE(UniqueFd(-1));
    int raw = -1;
    {
        UniqueFd fd(::open("/dev/null", O_RDONLY | O_CLOEXEC));
        ASSERT_TRUE(fd);
        raw = fd.Get();
        EXPECT_NE(::fcntl(raw, F_GETFD), -1);
    }
    errno = 0;
    EXPECT_EQ(::fcntl(raw, F_GETFD), -1);
    EXPECT_EQ(errno, EBADF);
}

}  // namespace
}  // namespace tk
