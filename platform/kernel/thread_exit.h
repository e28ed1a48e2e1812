// Per-thread clean-up that must finish before anyone can see the thread as ended.
#pragma once

namespace ce::kernel {

// Registers a handler to run once when the calling thread ends. For threads made by CreateThread
// it runs after the thread procedure returns and before a wait on the thread's handle completes;
// for other threads it runs at thread exit. Handlers run in reverse order of registration.
void RunAtThreadExit(void (*handler)());

// Runs and forgets the calling thread's handlers. The thread start routine calls it.
void RunThreadExitHandlers();

}  // namespace ce::kernel
