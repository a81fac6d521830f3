#pragma once
// The narrow interface through which a running job talks to whoever hosts it
// (the processing window, the command line, a test).

#include <string>

class QImage;

namespace velkaro {

enum class LabelRole {
  Caption,      // window caption: "処理開始時刻 hh:nn:ss"
  Title,        // "ファイル数" / "水位"
  Numerator,
  Denominator,
  Group,        // upper right: current layer group
  Detail,       // upper left: reader detail
  FileHeading,  // lower right: "処理中のファイル"
  FileName,     // lower left: "処理準備中", then the current file
};

enum class Buttons { Ok, OkCancel, YesNo };
enum class Answer { Ok, Cancel, Yes, No };

class JobHost {
 public:
  virtual ~JobHost() = default;
  virtual void setLabel(LabelRole role, const std::string& text) = 0;
  // Processes pending events; the abort button clears the run flag from here.
  virtual void pump() = 0;
  virtual Answer ask(const std::string& title, const std::string& text, Buttons buttons) = 0;
  // The frame being drawn, after each tile or animation frame.
  virtual void showImage(const QImage&) {}
  // Puts the last frame of a one-tile job on the clipboard as a picture.
  virtual void copyToClipboard(const QImage&) {}
  // Opens a finished map or page with the desktop's default handler.
  virtual void openDocument(const std::string&) {}
  // The run itself starts and ends: the processing window opens before the
  // driver runs and closes before the result is reported.
  virtual void runStarting() {}
  virtual void runEnded() {}
};

// A host that answers every question with the given answer and shows nothing.
class SilentHost : public JobHost {
 public:
  explicit SilentHost(Answer answer = Answer::Yes) : answer_(answer) {}
  void setLabel(LabelRole, const std::string&) override {}
  void pump() override {}
  Answer ask(const std::string& title, const std::string& text, Buttons) override {
    lastTitle = title;
    lastText = text;
    return answer_;
  }
  std::string lastTitle, lastText;

 private:
  Answer answer_;
};

}  // namespace velkaro
