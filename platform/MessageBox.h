#pragma once
// Message boxes for code below the dialog layer.
//
// The link layer raises its few boxes ("Debug" boxes, port errors) from its own
// threads. A box is a blocking call that returns the button pressed. What
// actually shows it is a replaceable sink: by default a line on stderr (answer
// IDOK); the dialog layer installs real boxes.
//
// A GUI toolkit can only show boxes on its own thread. That thread registers
// itself as the owner (SetMessageBoxOwner); a box raised on any other thread is
// then queued, the owner is woken through the given callback, and the raising
// thread blocks until the owner has shown it (ServicePendingMessageBoxes).
// Code on the owner thread that waits for a worker thread which may be inside a
// box (a port's Close joining its read thread) waits with
// WaitServicingMessageBoxes, so the box is shown and the wait ends instead of
// deadlocking. A worker that must not wait for the box at all (a read thread
// that has to go on reading) posts it instead (PostMessageBox).
#include <cstdint>
#include <functional>

namespace platform {

class ManualResetEvent;

// Win32 values, so that callers can pass and compare the usual flags.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_ICONSTOP = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_TYPEMASK = 0x0F; // the buttons part of the flags
constexpr unsigned MB_ICONMASK = 0xF0;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// The answer of Esc and the close box: Cancel on a box that offers it, OK on
// an OK box.
constexpr int EscapeAnswer(unsigned flags) {
    return (flags & MB_TYPEMASK) == MB_OKCANCEL ? IDCANCEL : IDOK;
}

// text and caption are 8-bit code page 1252 strings; they need only live for the call.
using MessageBoxSink = std::function<int(const char* text, const char* caption, unsigned flags)>;

// Shows a box (text, caption, MB_* flags) and returns the button pressed (IDOK, IDCANCEL).
// Callable from any thread. Null text or caption count as "".
int MessageBox(const char* text, const char* caption, unsigned flags);

// Shows a box without waiting for it: queued to the owner like MessageBox (texts
// copied) and returns at once; `closed`, when given, is called once the box has been
// shown and closed (on the thread that showed it). Without an owner the box is shown
// on the calling thread before this returns, as MessageBox does. Boxes still queued
// when the owner leaves are shown by the thread that releases it.
void PostMessageBox(const char* text, const char* caption, unsigned flags,
                    std::function<void()> closed = {});

// Replaces the sink; an empty function restores the default (stderr, IDOK).
// The sink is called on the owner thread when one is registered, otherwise on the
// thread that raised the box; without an owner it must therefore be thread-safe.
void SetMessageBoxSink(MessageBoxSink sink);

// Makes the calling thread the owner of all boxes. wake is called (on the raising
// thread) each time a box is queued; it must arrange for the owner to call
// ServicePendingMessageBoxes soon, e.g. by posting to its event loop. It may be empty
// when the owner only services boxes in WaitServicingMessageBoxes.
void SetMessageBoxOwner(std::function<void()> wake);

// Drops the owner; boxes still queued are then shown on the threads that raised them.
void ReleaseMessageBoxOwner();

// On the owner thread: shows every queued box, in order, and hands each result back.
// Returns the number of boxes shown. Does nothing on any other thread.
int ServicePendingMessageBoxes();

// Waits without time limit until done is set. On the owner thread it shows boxes that
// other threads raise meanwhile; elsewhere it is a plain wait.
void WaitServicingMessageBoxes(ManualResetEvent& done);

} // namespace platform
