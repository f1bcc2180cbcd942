// GoogleTest main: the diagnostic log writes its real rotating file, but into a fresh temporary
// state directory instead of the user's own, removed again when the tests end.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/quillet.h"
#include "platform/vexo.h"

int main(int argc, char** argv) {
    std::string dir = "/tmp/corvane-tests-XXXXXX";
    const bool haveDir = mkdtemp(dir.data()) != nullptr;
    if (haveDir) {
        setenv("XDG_STATE_HOME", dir.c_str(), 1);
    }
    Vexo_InitEx();
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    if (haveDir) {
        quillet_flush();
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    return result;
}
