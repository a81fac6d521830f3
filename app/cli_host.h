#pragma once
// The command line's job host: a progress line on stderr (redrawn in place on
// a terminal, plain lines otherwise), Ctrl-C and SIGTERM as the abort button, questions
// answered by --yes or at the terminal, message boxes as "title: text".

#include <map>
#include <string>

#include "job/job_context.h"
#include "job/job_host.h"

namespace velkaro {

class CliHost : public JobHost {
 public:
  CliHost(bool yes, bool quiet);
  ~CliHost() override;

  void attach(JobContext* job) { job_ = job; }
  void setLabel(LabelRole role, const std::string& text) override;
  void pump() override;
  Answer ask(const std::string& title, const std::string& text, Buttons buttons) override;

  // True once SIGINT or SIGTERM arrived.
  static bool interrupted();

 private:
  void drawProgress(bool force);
  void endProgressLine();

  bool yes_;
  bool quiet_;
  bool terminal_;
  bool lineOpen_ = false;
  std::string lastPlain_;
  std::map<LabelRole, std::string> labels_;
  JobContext* job_ = nullptr;
};

}  // namespace velkaro
