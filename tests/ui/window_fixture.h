#pragma once
// A main window started from the program folder of the build, with a
// scripted desktop and a scratch folder per test.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "job/job_loader.h"
#include "job/settings_file.h"
#include "scripted_desktop.h"
#include "ui/main_window.h"

namespace velkaro {

inline QString BinFolder() { return QStringLiteral(VELKARO_BIN_DIR "/"); }

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch.isValid());
    window = std::make_unique<MainWindow>(BinFolder(), desktop);
    ASSERT_TRUE(window->startUp());
  }

  std::string scratchPath(const std::string& name) const { return (scratch.path() + "/").toStdString() + name; }

  // A settings file made from the program's defaults and the given
  // "section/key=value" assignments.
  std::string writeJob(const std::string& name, const std::vector<std::string>& sets) const {
    JobSettings s = StartupSettings(BinFolder().toStdString()).settings;
    for (const std::string& set : sets) {
      std::string error;
      EXPECT_TRUE(ApplySettingAssignment(s, set, &error)) << set << ": " << error;
    }
    const std::string path = scratchPath(name);
    EXPECT_TRUE(WriteSettings(s, path, nullptr));
    return path;
  }

  QTemporaryDir scratch;
  ScriptedDesktop desktop;
  std::unique_ptr<MainWindow> window;
};

}  // namespace velkaro
