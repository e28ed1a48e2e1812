// The capture of the screen into a 16-bit bottom-up DIB section and the update step that sends
// the changed bands. Everything runs on the control window's thread.
#pragma once

// Builds the capture for the screen as it is now (display context, surface, buffers) and sets
// the screen size and mode byte. A surface that cannot be made is reported in a message box; the
// program goes on without updates.
void CaptureSetup();
// Releases whatever of the capture exists; safe to call at any time, twice in a row too.
void CaptureTeardown();
// Copies the screen, and sends the viewer the bands that changed since they were last sent.
void UpdateStep();
// Makes the next update carry every band that is not wholly 0xFF bytes.
void ResetPreviousFrame();
