// The FGD part of the sample generator, read back through the real layer
// catalogue and the source scan.

#include <gtest/gtest.h>

#include <map>

#include "../../tools/sample/fgd_sample.cpp"
#include "gml_test_support.h"
#include "catalogue/catalogue_loader.h"
#include "vector/scan_tree.h"

namespace velkaro {
namespace {

using namespace velkaro::testing;

// Runs the polygon and the line pass over the whole sample area and returns
// the scratch file contents by layer name.
std::map<std::string, std::string> ScanSample(bool shiftJis, std::string& errorText) {
  TempFolder src, out;
  sample::SampleOptions options;
  options.shiftJis = shiftJis;
  EXPECT_EQ(sample::WriteFgdSample(src.str(), options), "");

  TestJob t(out.str(), sample::kLatS, sample::kLonW, sample::kLatN, sample::kLonE);
  LayerCatalogue catalogue;
  LoadLayerCatalogue(catalogue, std::string(VELKARO_BIN_DIR) + "/");
  for (LayerGroup& g : catalogue.fgd.groups)
    for (LayerNode& child : g.children) child.on = true;
  catalogue.fgd.refreshGroups();
  t->meshCodes = {"-533935", "-533936", "-533945", "-533946"};
  t->settings.bld = 0;

  scanTree(*t, catalogue.fgd, src.str(), 1, 0x7ffffc00);
  scanTree(*t, catalogue.fgd, src.str(), 1, 992);
  errorText = t->errorText;

  std::map<std::string, std::string> files;
  for (const LayerGroup& g : catalogue.fgd.groups)
    for (const LayerNode& child : g.children)
      files[child.entry.name] = ReadText(ScratchPath(out.str(), child.text));
  return files;
}

TEST(FgdSample, EveryDrawnKindOfFeatureReachesItsLayer) {
  std::string error;
  const auto files = ScanSample(false, error);
  EXPECT_EQ(error, "");
  for (const char* layer : {"AdmArea-3", "AdmBdry-4", "Cstline-1", "WL-1", "WL-2", "WA-1", "WA-2", "WA-3",
                            "RdEdg-1", "RdEdg-5", "RailCL-1", "RailCL-5", "BldA-1", "BldA-2", "BldL-1"}) {
    ASSERT_TRUE(files.count(layer)) << layer;
    EXPECT_NE(files.at(layer), "") << layer;
  }
  // The big building keeps its courtyard.
  EXPECT_NE(files.at("BldA-2").find("\r\nmado\r\n市民会館\r\n5\r\n"), std::string::npos);
  // Nothing the sample does not have.
  EXPECT_EQ(files.at("RailCL-6"), "");
  EXPECT_EQ(files.at("RdEdg-2"), "");
}

TEST(FgdSample, ShiftJisSampleReadsTheSameAsUtf8) {
  std::string utf8Error, sjisError;
  const auto utf8 = ScanSample(false, utf8Error);
  const auto sjis = ScanSample(true, sjisError);
  EXPECT_EQ(sjisError, "");
  ASSERT_EQ(utf8.size(), sjis.size());
  for (const auto& [layer, text] : utf8) EXPECT_TRUE(sjis.at(layer) == text) << layer;
}

TEST(FgdSample, FilesFollowTheSourceLayout) {
  TempFolder src;
  sample::SampleOptions options;
  options.shiftJis = true;
  ASSERT_EQ(sample::WriteFgdSample(src.str(), options), "");
  const std::string bytes = ReadText(src.file("FG-GML-533946-BldA-20161001-0001.xml"));
  EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n", 0), 0u);
  const std::string text = Cp932ToUtf8(bytes);
  EXPECT_NE(text.find("\r\n<type>堅ろう建物</type>\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\n<gml:posList>\r\n35."), std::string::npos);
  EXPECT_EQ(text.find("\n\n"), std::string::npos);
  // Every line ends with CR LF.
  size_t lf = 0, crlf = 0;
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n') {
      ++lf;
      if (i > 0 && text[i - 1] == '\r') ++crlf;
    }
  EXPECT_EQ(lf, crlf);
}

}  // namespace
}  // namespace velkaro
