#include "cli_host.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <iostream>

#include "job/tile_grid.h"
#include "platform/stop_signals.h"

namespace velkaro {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;  // set by the SIGINT/SIGTERM/SIGHUP handler only

extern "C" void OnInterrupt(int) { g_interrupted = 1; }

const char* ButtonHint(Buttons b) {
  switch (b) {
    case Buttons::OkCancel: return " [OK=y/Cancel=n] ";
    case Buttons::YesNo: return " [y/n] ";
    default: return "";
  }
}

Answer Positive(Buttons b) { return b == Buttons::YesNo ? Answer::Yes : Answer::Ok; }
Answer Negative(Buttons b) { return b == Buttons::YesNo ? Answer::No : Answer::Cancel; }

// Message texts use CR LF line ends; a terminal wants LF.
std::string Lines(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text)
    if (ch != '\r') out += ch;
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

}  // namespace

CliHost::CliHost(bool yes, bool quiet) : yes_(yes), quiet_(quiet), terminal_(isatty(STDERR_FILENO)) {
  // Ctrl-C, a polite kill (SIGTERM) and the terminal closing (SIGHUP, a
  // dropped ssh session) all press the abort button: the job stops between
  // files, keeps its finished tiles and cleans up after itself.
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  CatchStopSignals(sa);   // SIGHUP stays ignored under nohup
  // A file-size limit (ulimit -f) makes the write fail with EFBIG, reported
  // like a full disk, instead of killing the program half-way.
  std::signal(SIGXFSZ, SIG_IGN);
}

CliHost::~CliHost() { endProgressLine(); }

bool CliHost::interrupted() { return g_interrupted != 0; }

void CliHost::setLabel(LabelRole role, const std::string& text) {
  labels_[role] = text;
  // A log gets one line per file counted; a terminal also follows the names.
  if (role == LabelRole::Numerator || (terminal_ && role == LabelRole::FileName)) drawProgress(false);
}

void CliHost::pump() {
  if (g_interrupted && job_) job_->runFlag = false;  // the abort button "中　断"
  if (terminal_) drawProgress(false);
}

void CliHost::drawProgress(bool force) {
  if (quiet_ || !job_ || !job_->runFlag) return;
  const JobContext& j = *job_;
  std::string line = labels_[LabelRole::Title] + " " + labels_[LabelRole::Numerator] + "/" +
                     labels_[LabelRole::Denominator];
  if (j.grid.count() > 1)
    line += "  tile " + rowst(j.tile.row, "", j.grid.rows) + colst(j.tile.col, j.grid.cols);
  const std::string& file = labels_[LabelRole::FileName];
  if (!file.empty()) line += "  " + file;
  if (terminal_) {
    std::fprintf(stderr, "\r%s\x1b[K", line.c_str());
    lineOpen_ = true;
  } else if (force || line != lastPlain_) {
    std::fprintf(stderr, "%s\n", line.c_str());
  }
  lastPlain_ = line;
  std::fflush(stderr);
}

void CliHost::endProgressLine() {
  if (lineOpen_) std::fputc('\n', stderr);
  lineOpen_ = false;
}

Answer CliHost::ask(const std::string& title, const std::string& text, Buttons buttons) {
  endProgressLine();
  std::fprintf(stderr, "%s: %s\n", title.c_str(), Lines(text).c_str());
  if (buttons == Buttons::Ok) return Answer::Ok;
  // The final report offers to open the map; a batch tool does not.
  if (title == "正常終了") return Answer::No;
  if (yes_) return Positive(buttons);
  if (!isatty(STDIN_FILENO)) {
    std::fprintf(stderr, "(no terminal to answer; use --yes to confirm)\n");
    return Negative(buttons);
  }
  std::fprintf(stderr, "%s", ButtonHint(buttons));
  std::fflush(stderr);
  std::string answer;
  if (!std::getline(std::cin, answer)) return Negative(buttons);
  return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y') ? Positive(buttons) : Negative(buttons);
}

}  // namespace velkaro
