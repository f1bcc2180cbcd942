// Benchmarks write the diagnostic log's real rotating file (that is part of what they measure),
// but into a temporary state directory instead of the user's own, removed again at the end.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/quillet.h"

class TemporaryStateDir {
  public:
    TemporaryStateDir() {
        if (mkdtemp(m_path.data()) != nullptr) {
            setenv("XDG_STATE_HOME", m_path.c_str(), 1);
            m_made = true;
        }
    }
    ~TemporaryStateDir() {
        if (m_made) {
            quillet_flush();
            std::error_code ignored;
            std::filesystem::remove_all(m_path, ignored);
        }
    }
    TemporaryStateDir(const TemporaryStateDir&) = delete;
    TemporaryStateDir& operator=(const TemporaryStateDir&) = delete;

  private:
    std::string m_path = "/tmp/corvane-bench-XXXXXX";
    bool m_made = false;
};
