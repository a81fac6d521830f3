// The stop signals as a readable pipe: the handler only wakes the event loop, every
// signal is seen once, and the previous handling comes back afterwards.
#include <gtest/gtest.h>
#include <poll.h>

#include <csignal>

#include "platform/termination_signal.h"

namespace velkaro {
namespace {

volatile std::sig_atomic_t g_previousHandlerRan = 0;
extern "C" void PreviousHandler(int) { g_previousHandlerRan = 1; }

bool Readable(int fd) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

// SIGTERM, Ctrl-C (SIGINT) and a closed terminal (SIGHUP) alike.
TEST(TerminationSignal, TurnsEachStopSignalIntoOneWakeUpAndRestoresThePreviousHandling) {
  for (const int stop : {SIGTERM, SIGINT, SIGHUP}) {
    g_previousHandlerRan = 0;
    struct sigaction sa {}, saved {};
    sa.sa_handler = PreviousHandler;
    sigemptyset(&sa.sa_mask);
    ASSERT_EQ(sigaction(stop, &sa, &saved), 0);
    {
      TerminationSignal signal;
      ASSERT_TRUE(signal.installed());
      EXPECT_FALSE(Readable(signal.readDescriptor()));
      EXPECT_FALSE(signal.consume());

      std::raise(stop);
      std::raise(stop);
      EXPECT_TRUE(Readable(signal.readDescriptor())) << stop;
      EXPECT_EQ(g_previousHandlerRan, 0) << "the program keeps running; the event loop decides";
      EXPECT_TRUE(signal.consume());
      EXPECT_FALSE(Readable(signal.readDescriptor())) << "both signals were taken in one go";
      EXPECT_FALSE(signal.consume());

      TerminationSignal second;
      EXPECT_FALSE(second.installed()) << "one watcher per process";
      EXPECT_EQ(second.readDescriptor(), -1);
    }
    std::raise(stop);
    EXPECT_EQ(g_previousHandlerRan, 1) << "the previous handling is back for " << stop;
    sigaction(stop, &saved, nullptr);
  }
}

// SIGHUP the program was started with ignored (nohup, so that a job
// outlives its session) stays ignored; an ignored SIGINT is still caught (a
// script's background job is stopped with kill -INT).
TEST(TerminationSignal, LeavesSighupIgnoredUnderNohup) {
  struct sigaction savedHup {}, savedInt {}, ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ASSERT_EQ(sigaction(SIGHUP, &ignore, &savedHup), 0);
  ASSERT_EQ(sigaction(SIGINT, &ignore, &savedInt), 0);
  {
    TerminationSignal signal;
    ASSERT_TRUE(signal.installed());
    std::raise(SIGHUP);
    EXPECT_FALSE(signal.consume()) << "nohup's SIGHUP reached the program";
    std::raise(SIGINT);
    EXPECT_TRUE(signal.consume());
  }
  struct sigaction now {};
  sigaction(SIGHUP, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_IGN);
  sigaction(SIGINT, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_IGN) << "the previous handling is back";
  sigaction(SIGHUP, &savedHup, nullptr);
  sigaction(SIGINT, &savedInt, nullptr);
}

}  // namespace
}  // namespace velkaro
