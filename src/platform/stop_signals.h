#pragma once
// The signals that ask a program to stop: Ctrl-C (SIGINT), a polite kill
// (SIGTERM) and the terminal closing (SIGHUP). A program catches them to
// stop cleanly, except where whoever started it asked for one to be ignored:
// `nohup` ignores SIGHUP so that a job outlives the session, and a shell
// script ignores SIGINT for the commands it runs in the background. Such a
// signal stays ignored.

#include <csignal>
#include <cstddef>

namespace velkaro {

inline constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
inline constexpr size_t kStopSignalCount = sizeof kStopSignals / sizeof kStopSignals[0];

// Installs `action` for every stop signal not ignored now. `previous`, when
// given, receives each signal's action before (in kStopSignals' order) and
// `caught` which ones were installed. False when a signal could not be
// installed; those installed before it are put back then.
bool CatchStopSignals(const struct sigaction& action, struct sigaction* previous = nullptr,
                      bool* caught = nullptr);

// Puts back what CatchStopSignals replaced.
void RestoreStopSignals(const struct sigaction* previous, const bool* caught);

}  // namespace velkaro
