#pragma once
// The KSJ tab: the source folder with its buttons, the colour preset button
// and one coloured check box per theme, 25 to a column.

#include <QWidget>
#include <vector>

#include "job/job_settings.h"
#include "ui/layer_style.h"

class QLineEdit;
class QPushButton;
namespace velkaro { class ModifierButton; }
class QGridLayout;

namespace velkaro {

class ColourCheckBox;

class KsjThemeTab : public QWidget {
  Q_OBJECT
 public:
  explicit KsjThemeTab(JobSettings& settings, QWidget* parent = nullptr);

  // Builds the check boxes for the catalogue's themes (start-up).
  void buildThemes();
  // States, colours and the folder from the record.
  void showSettings();

  QLineEdit* folderEdit() const { return folderEdit_; }
  ModifierButton* folderButton() const { return folderButton_; }
  QPushButton* expandButton() const { return expandButton_; }
  QPushButton* presetButton() const { return presetButton_; }
  const std::vector<ColourCheckBox*>& themeBoxes() const { return boxes_; }

 signals:
  void folderButtonPressed(Qt::KeyboardModifiers modifiers);
  void expandArchivesRequested();
  void presetRequested();
  void styleRequested(const velkaro::LayerRef& layer);
  void edited();

 private:
  JobSettings& s_;
  QLineEdit* folderEdit_;
  ModifierButton* folderButton_;
  QPushButton* expandButton_;
  QPushButton* presetButton_;
  QGridLayout* grid_;
  std::vector<ColourCheckBox*> boxes_;
};

}  // namespace velkaro
