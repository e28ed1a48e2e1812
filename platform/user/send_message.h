// Sending messages between threads.
#pragma once

#include <memory>
#include <vector>

#include "winuser.h"

namespace ce::user {

class Desktop;
class MessageQueue;
struct SentMessage;

// SendMessageW on a given desktop: a direct call on the owner thread, otherwise a message queued
// to the owner thread while the caller waits and handles what is sent to it meanwhile.
LRESULT SendToWindow(Desktop& desktop, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// On the owner thread: runs the window procedure for a message sent from another thread and
// answers the sender. A window gone in the meantime answers 0.
void HandleSentMessage(MessageQueue& queue, const std::shared_ptr<SentMessage>& message);

// Releases the senders of messages that will never be handled, with a result of 0.
void ReleaseSenders(const std::vector<std::shared_ptr<SentMessage>>& messages);

}  // namespace ce::user
