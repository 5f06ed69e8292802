#include "platform/posix/processes/RunLock.h"

#include "support/FileSystemTestSupport.h"
#include "support/TempFolder.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dustrel::posix {
namespace {

// As an ordinary user, for whom a settings folder at mode 311 cannot be listed and so not locked.
TEST(RunLock, OneRunPerSettingsFolderWhereverTheLockCanBeHeldAndNoneUnlocked)
{
    const struct
    {
        const char* name;
        unsigned settingsMode;
        std::vector<std::string> fallbacks; // below the temporary folder
        bool held;                          // else no lock can be held at all
    } cases[] = {
        {"the settings folder itself", 0700, {}, true},
        {"the runtime folder", 0311, {"runtime", "state"}, true},
        {"the state folder, made", 0311, {"shared", "own/state"}, true},
        {"nowhere", 0311, {"shared", "."}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempFolder temp;
        ASSERT_EQ(chmod(temp.path().c_str(), 0755), 0);
        for (const char* folder : {"settings", "runtime", "shared", "own"})
            ASSERT_EQ(chown(temp.makeFolder(folder).c_str(), 65534, 65534), 0);
        ASSERT_EQ(chmod((temp / "shared").c_str(), 0777), 0);
        ASSERT_EQ(chmod((temp / "settings").c_str(), c.settingsMode), 0);
        std::vector<std::string> fallbacks;
        for (const std::string& folder : c.fallbacks)
            fallbacks.push_back(temp / folder);

        const int status = test::runAsNobody([&] {
            auto first = RunLock::take(temp / "settings", fallbacks);
            if (!c.held)
                return !first && first.error().code == ENOLCK ? 0 : 1;
            auto second = RunLock::take(temp / "settings", fallbacks);
            return first && first->held() && !second && second.error().code == EWOULDBLOCK ? 0 : 2;
        });
        EXPECT_EQ(status, 0);
    }
}

} // namespace
} // namespace dustrel::posix
