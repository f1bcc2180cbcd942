// The columns of a records export, in order; CSV and JSON Lines use the same names.
#pragma once

#include <string>
#include <vector>

namespace corvane {

extern const std::vector<std::string> kRecordColumns;

}  // namespace corvane
