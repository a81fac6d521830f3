#pragma once
// The signals that ask a program to stop: Ctrl-C (SIGINT), a polite kill
// (SIGTERM) and the terminal closing (SIGHUP). A program catches them to
// stop cleanly. SIGHUP stays ignored when the program was started with it
// ignored: that is what `nohup` does so that a job outlives its session.
// SIGINT and SIGTERM are always caught: a shell script starts its
// background jobs with SIGINT ignored, and still stops them with `kill -INT`.

#include <csignal>
#include <cstddef>

namespace velkaro {

inline constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
inline constexpr size_t kStopSignalCount = sizeof kStopSignals / sizeof kStopSignals[0];

// Installs `action` for every stop signal (SIGHUP only when not ignored). `previous`, when
// given, receives each signal's action before (in kStopSignals' order) and
// `caught` which ones were installed. False when a signal could not be
// installed; those installed before it are put back then.
bool CatchStopSignals(const struct sigaction& action, struct sigaction* previous = nullptr,
                      bool* caught = nullptr);

// Puts back what CatchStopSignals replaced.
void RestoreStopSignals(const struct sigaction* previous, const bool* caught);

}  // namespace velkaro
