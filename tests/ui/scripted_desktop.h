#pragma once
// A desktop for window tests: message boxes are answered by a rule and
// recorded, dialogs return prepared answers, and documents, programs and
// clipboard contents are recorded instead of reaching the real desktop.

#include <QImage>
#include <functional>
#include <optional>
#include <ostream>
#include <utility>
#include <vector>

#include "run/run_messages.h"
#include "ui/desktop.h"

// Readable QStrings in test failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace velkaro {

struct AskedBox {
  QString title;
  QString text;
  Buttons buttons;
};

class ScriptedDesktop : public Desktop {
 public:
  // Default rule: confirm every question but decline opening the result.
  std::function<Answer(const AskedBox&)> rule = [](const AskedBox& box) {
    if (box.buttons == Buttons::YesNo)
      return box.title == QString::fromUtf8(msg::kFinishedTitle) ? Answer::No : Answer::Yes;
    return Answer::Ok;
  };
  std::vector<AskedBox> asked;
  QString openFile, saveFile, folder;
  QString lastSaveProposal;
  QStringList opened;
  std::vector<std::pair<QString, QStringList>> started;
  std::vector<ProgramFinished> running;  // call one to end its program
  QString clipboardText;
  QImage clipboardImage;

  Answer ask(QWidget*, const QString& title, const QString& text, Buttons buttons) override {
    asked.push_back({title, text, buttons});
    return rule(asked.back());
  }
  QString openFileName(QWidget*, const QString&, const QString&, const QString&) override { return openFile; }
  QString saveFileName(QWidget*, const QString&, const QString& proposed, const QString&) override {
    lastSaveProposal = proposed;
    return saveFile;
  }
  QString pickFolder(QWidget*, const QString&, const QString&) override { return folder; }
  void open(const QString& what) override { opened << what; }
  bool startProgram(const QString& program, const QStringList& arguments, ProgramFinished finished) override {
    started.emplace_back(program, arguments);
    running.push_back(std::move(finished));
    return true;
  }
  void setClipboardText(const QString& text) override { clipboardText = text; }
  void setClipboardImage(const QImage& image) override { clipboardImage = image; }

  QStringList titles() const {
    QStringList t;
    for (const AskedBox& b : asked) t << b.title;
    return t;
  }
};

}  // namespace velkaro
