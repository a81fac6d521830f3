// Settings files (.pxj jobs, .pxk layer-style presets) of every layout, in
// UTF-8 or CP932: loading, upgrading, writing back and one command-line
// assignment per input line.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "job/job_settings.h"
#include "job/settings_file.h"
#include "platform/ini_file.h"

using namespace velkaro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input input(data, size);
  const bool preset = input.choice() & 1;
  const std::string path = fuzz::WriteFile(preset ? "fuzz.pxk" : "fuzz.pxj", input.rest());
  JobSettings settings;
  ReadSettings(settings, path);
  IniFile written;
  WriteSettings(settings, written);
  JobSettings again;
  ReadSettings(again, IniFile::FromText(written.Text()), path);

  // Each line as "section/key=value", as the command line takes it.
  std::string_view rest = input.rest();
  for (int i = 0; i < 64 && !rest.empty(); ++i) {
    const size_t nl = rest.find('\n');
    std::string error;
    ApplySettingAssignment(settings, rest.substr(0, nl), &error);
    if (nl == std::string_view::npos) break;
    rest.remove_prefix(nl + 1);
  }
  return 0;
}
