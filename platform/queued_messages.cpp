// platform.h's look at and take of the next message, as every backend that
// keeps its messages in a MessageQueue answers them: built into each.
#include "platform/message_queue.h"
#include "platform/platform.h"

bool PlatPeekMessage(PlatMessage* out) {
    return NextQueuedMessage(out, false);
}

bool PlatTakeMessage(PlatMessage* out) {
    return NextQueuedMessage(out, true);
}
