// Built by the floors test only, to see it fail: protocol/ must not see pipeline/.
#include "pipeline/message_queue.h"
#include "protocol/reply.h"
