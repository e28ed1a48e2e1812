// Queues end with their threads.
#pragma once

#include <memory>

namespace ce::user {

class MessageQueue;

// Called once for each queue a thread gets (one per desktop it used). When the thread ends, its
// windows are removed, the senders waiting on it are released with 0, and the queue is closed
// and forgotten by its desktop.
void EndWithCurrentThread(const std::shared_ptr<MessageQueue>& queue);

}  // namespace ce::user
