// GoogleTest main: the diagnostic log writes its real rotating file, but into a fresh temporary
// state directory instead of the user's own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/vexo.h"

int main(int argc, char** argv) {
    std::string dir = "/tmp/corvane-tests-XXXXXX";
    if (mkdtemp(dir.data()) != nullptr) {
        setenv("XDG_STATE_HOME", dir.c_str(), 1);
    }
    Vexo_InitEx();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
