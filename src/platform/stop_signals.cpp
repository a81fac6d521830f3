#include "platform/stop_signals.h"

namespace velkaro {

bool CatchStopSignals(const struct sigaction& action, struct sigaction* previous, bool* caught) {
  struct sigaction before[kStopSignalCount] {};
  bool installed[kStopSignalCount] = {};
  for (size_t k = 0; k < kStopSignalCount; ++k) {
    bool ok = sigaction(kStopSignals[k], nullptr, &before[k]) == 0;
    if (ok && (kStopSignals[k] != SIGHUP || before[k].sa_handler != SIG_IGN)) {
      ok = sigaction(kStopSignals[k], &action, nullptr) == 0;
      installed[k] = ok;
    }
    if (!ok) {
      RestoreStopSignals(before, installed);
      return false;
    }
  }
  for (size_t k = 0; k < kStopSignalCount; ++k) {
    if (previous) previous[k] = before[k];
    if (caught) caught[k] = installed[k];
  }
  return true;
}

void RestoreStopSignals(const struct sigaction* previous, const bool* caught) {
  for (size_t k = 0; k < kStopSignalCount; ++k)
    if (caught[k]) sigaction(kStopSignals[k], &previous[k], nullptr);
}

}  // namespace velkaro
