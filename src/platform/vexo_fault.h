// Inside the runtime: whether a planned test failure hits this call.
#pragma once

#include "platform/vexo.h"

namespace vexo_detail {

// True when this call of `fault`'s kind must fail; counts the call.
bool faultHits(Vexo_Fault fault);

}  // namespace vexo_detail
