// The terminal's settings as they were before readline took it, and the
// signal handlers that put them back when a signal ends or stops the process.
#pragma once

// Saves the settings of the terminal on standard input (if it is one) and
// handles the signals that end or stop the process: each puts the saved
// settings back first, then takes its usual course at once. A signal that is
// ignored stays ignored. Call once, before readline first runs.
void guardTerminal();
// Puts the saved settings back; does nothing if none were saved.
// Safe to call from a signal handler.
void restoreTerminal();
// The handlers of SIGTERM and SIGHUP call hook first, once the terminal is
// given back: when it returns true it has taken the signal on, and ends the
// process by it later through endBySignal; otherwise the signal takes its
// course at once. hook must be async-signal-safe. Null removes it.
void setEndingSignalHook(bool (*hook)(int signum));
// Ends the process by signum as though it had no handler, the terminal given back first.
[[noreturn]] void endBySignal(int signum);
