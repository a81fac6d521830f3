#pragma once
// The FGD and KKJ tabs: the source folder with its buttons, the preset and
// tree buttons, and the two-level layer tree whose check boxes switch layers
// and groups and whose texts show each layer's colour.

#include <QWidget>
#include <functional>
#include <string>

#include "job/job_settings.h"
#include "ui/layer_style.h"

class QLineEdit;
class QPushButton;
namespace velkaro { class ModifierButton; }
class QTreeWidget;
class QTreeWidgetItem;

namespace velkaro {

class SettingsBinder;

struct LayerTreeTabSetup {
  LayerRef::Kind tree;                         // FgdNode or KkjNode
  const char* folderCaption;                   // "基盤地図情報フォルダ" …
  const char* expandCaption;                   // "解凍" or "解　凍"
  std::string JobSettings::*folder;            // kihon/readfolder or kihon/kkjfolder
};

class LayerTreeTab : public QWidget {
  Q_OBJECT
 public:
  LayerTreeTab(JobSettings& settings, const LayerTreeTabSetup& setup, QWidget* parent = nullptr);

  // Rebuilds the tree from the catalogue (after start-up or a file was read).
  void showSettings();
  // Updates states and colours of the existing nodes.
  void refreshNodes();

  QTreeWidget* tree() const { return tree_; }
  QLineEdit* folderEdit() const { return folderEdit_; }
  ModifierButton* folderButton() const { return folderButton_; }
  QPushButton* expandButton() const { return expandButton_; }
  QPushButton* presetButton() const { return presetButton_; }
  QTreeWidgetItem* itemOf(int group, int child) const;

 signals:
  // The folder button, with the modifier keys held when it was pressed.
  void folderButtonPressed(Qt::KeyboardModifiers modifiers);
  void expandArchivesRequested();
  void presetRequested();
  void styleRequested(const velkaro::LayerRef& layer);
  void edited();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  LayerTree& model() const;
  void onItemChanged(QTreeWidgetItem* item);
  void onContextMenu(const QPoint& pos);
  void applyExpansion();

  JobSettings& s_;
  LayerTreeTabSetup setup_;
  QLineEdit* folderEdit_;
  ModifierButton* folderButton_;
  QPushButton* expandButton_;
  QPushButton* presetButton_;
  QTreeWidget* tree_;
  bool filling_ = false;
};

}  // namespace velkaro
