// Every control of the drawing-settings tab, found by its caption as a user
// or a screen reader finds it: it shows its field from a loaded file, and an
// edit made in it is what the saved file holds.
#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>

#include "platform/ini_file.h"
#include "ui/drawing_settings_tab.h"
#include "window_fixture.h"

namespace velkaro {
namespace {

struct FieldCase {
  const char* section;
  const char* key;
  const char* loaded;   // value in the loaded file
  const char* control;  // caption or accessible name of the control
  const char* shown;    // what the control shows (index, value, text, 1/0)
  const char* edited;   // what the user puts in
  const char* saved;    // what the saved file then holds
};

const FieldCase kFields[] = {
    {"kihon", "meshfolder", "/d/標高", "標高データフォルダ", "/d/標高", "/e/dem", "/e/dem"},
    {"kihon", "writefolder", "/d/地図", "書込フォルダ", "/d/地図", "/e/out", "/e/out"},
    {"kihon", "subfolder", "0", "サブフォルダも処理する", "0", "1", "1"},
    {"kihon", "type", "1", "動画   (AVI形式)", "1", "0", "2"},  // "edit" picks GeoTIFF below
    {"kihon", "size", "13", "解像度", "13", "2", "2"},
    {"kihon", "tanni", "0", "単位", "0", "1", "1"},
    {"area", "namae", "港", "地図名", "港", "yama", "yama"},
    {"area", "zahyokei", "56", "座標系", "56", "12", "12"},
    {"area", "kita", "36.5", "北端", "36.5", "-10.25", "-10.25"},
    {"area", "minami", "36", "南端", "36", "-20", "-20"},
    {"area", "nisi", "139", "西端", "139", "-5", "-5"},
    {"area", "higasi", "140", "東端", "140", "5", "5"},
    {"area", "yokodiv", "4", "横分割数", "4", "7", "7"},
    {"area", "tatediv", "3", "縦分割数", "3", "9", "9"},
    {"area", "kasane", "25", "重ね(%)", "25", "50", "50"},
    {"movie", "top", "7.5", "最高水位(m)", "7.5", "9", "9"},
    {"movie", "btm", "1.5", "開始水位(m)", "1.5", "-2", "-2"},
    {"movie", "fps", "12", "速度", "12", "30", "30"},
    {"movie", "format", "1", "MP4形式(H.264)で書く", "1", "0", "0"},
    {"alti", "shadow", "1", "陰影", "1", "0", "0"},
    {"alti", "shadowmd", "1", "陰影の方式", "1", "0", "0"},
    {"alti", "height", "40", "影の量       多     ↓標準               少", "40", "-20", "-20"},
    {"alti", "houi", "270", "影の方向　西     南 ↓ 東     北     西", "270", "45", "45"},
    {"alti", "lineweight", "3", "線の太さ", "3", "7", "7"},
    {"alti", "taisyo", "2", "描画対象", "2", "3", "3"},
    {"alti", "syoryaku", "5", "短い線の省略", "5", "13", "13"},
    {"alti", "hose", "1.5", "基準面補正", "1.5", "-3", "-3"},
    {"alti", "iro", "3", "凡例色", "3", "7", "7"},
    {"alti", "hanreisu", "2", "凡例数", "2", "7", "7"},
    {"alti", "jido", "0", "間隔・最下面自動設定", "0", "1", "1"},
    {"alti", "zentai", "1", "全図葉で同じ凡例", "1", "0", "0"},
    {"alti", "kankaku", "8", "凡例間隔", "8", "0", "0"},
    {"alti", "kamen", "9", "凡例最下面", "9", "10", "10"},
    {"KKJ-Rank", "objsize", "3", "オブジェクトの描画ランク", "3", "4", "4"},
    {"KKJ-Rank", "czoom", "1.5", "文字・地図記号の大きさ", "1.5", "2.25", "2.25"},
    {"KKJ-Rank", "road", "5.5", "指定幅以上の道路中心を描画", "5.5", "12", "12"},
    {"KKJ-Rank", "bld", "120", "建築物描画ランク", "120", "1000", "1000"},
    {"tiikimesh", "cb", "1", "001標準地域メッシュ", "1", "0", "0"},
    {"tiikimesh", "keta", "2", "メッシュ", "2", "0", "0"},
};

// A field named after its caption comes before a button captioned alike
// (the folder fields and their picker buttons).
QWidget* ControlNamed(QWidget* tab, const QString& name) {
  const QList<QWidget*> widgets = tab->findChildren<QWidget*>();
  for (QWidget* w : widgets)
    if (!qobject_cast<QLabel*>(w) && !qobject_cast<QAbstractButton*>(w) && w->accessibleName() == name) return w;
  for (QWidget* w : widgets)
    if (auto* b = qobject_cast<QAbstractButton*>(w); b && (b->accessibleName().isEmpty() ? b->text() : b->accessibleName()) == name)
      return w;
  return nullptr;
}

QString Shown(QWidget* w) {
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
  if (auto* c = qobject_cast<QComboBox*>(w)) return QString::number(c->currentIndex());
  if (auto* s = qobject_cast<QSpinBox*>(w)) return QString::number(s->value());
  if (auto* s = qobject_cast<QAbstractSlider*>(w)) return QString::number(s->value());
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->isChecked() ? "1" : "0";
  return "?";
}

void Edit(QWidget* w, const QString& value) {
  if (auto* e = qobject_cast<QLineEdit*>(w)) {
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Delete);
    QTest::keyClicks(e, value);
  } else if (auto* c = qobject_cast<QComboBox*>(w)) {
    c->setCurrentIndex(value.toInt());
  } else if (auto* s = qobject_cast<QSpinBox*>(w)) {
    s->setValue(value.toInt());
  } else if (auto* s = qobject_cast<QAbstractSlider*>(w)) {
    s->setValue(value.toInt());
  } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    if (b->isChecked() != (value == "1")) b->click();
  }
}

TEST_F(WindowTest, EveryDrawingSettingShowsItsFieldAndSavesItsEdit) {
  std::vector<std::string> sets;
  for (const FieldCase& f : kFields) sets.push_back(std::string(f.section) + "/" + f.key + "=" + f.loaded);
  ASSERT_TRUE(window->loadSettingsFile(QString::fromStdString(writeJob("fields.pxj", sets))));
  QWidget* tab = window->drawingTab();

  for (const FieldCase& f : kFields) {
    QWidget* control = ControlNamed(tab, QString::fromUtf8(f.control));
    ASSERT_NE(control, nullptr) << f.control;
    EXPECT_EQ(Shown(control), QString::fromUtf8(f.shown)) << f.section << "/" << f.key;
  }
  for (const FieldCase& f : kFields) {
    const bool isType = std::string(f.key) == "type";
    Edit(ControlNamed(tab, QString::fromUtf8(isType ? "静止画(GeoTIFF)" : f.control)), isType ? "1" : f.edited);
  }

  ASSERT_TRUE(window->saveSettingsFile(QString::fromStdString(scratchPath("edited.pxj"))));
  const IniFile ini = IniFile::Load(scratchPath("edited.pxj"));
  for (const FieldCase& f : kFields)
    EXPECT_EQ(ini.ReadString(f.section, f.key, "?"), f.saved) << f.section << "/" << f.key;
}

}  // namespace
}  // namespace velkaro
