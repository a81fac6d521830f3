#include "ui/layer_tree_tab.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/colour_check_box.h"
#include "ui/readable_colour.h"
#include "ui/modifier_button.h"
#include "ui/ui_messages.h"

namespace velkaro {
namespace {

constexpr int kGroupRole = Qt::UserRole;
constexpr int kChildRole = Qt::UserRole + 1;

// Child and group texts are drawn in their layer's colour (darkened where a
// pale colour would not read on the tree), with a swatch of the exact colour.
void ShowNode(QTreeWidgetItem* item, const LayerNode& node, const QColor& base) {
  const QColor colour = ToQColor(node.entry.colour);
  item->setText(0, QString::fromStdString(node.text));
  item->setForeground(0, ReadableOn(colour, base));
  QPixmap swatch(12, 12);
  swatch.fill(colour);
  item->setIcon(0, QIcon(swatch));
  item->setCheckState(0, node.on ? Qt::Checked : Qt::Unchecked);
}

}  // namespace

LayerTreeTab::LayerTreeTab(JobSettings& settings, const LayerTreeTabSetup& setup, QWidget* parent)
    : QWidget(parent), s_(settings), setup_(setup) {
  folderButton_ = new ModifierButton(QString::fromUtf8(setup.folderCaption));
  folderEdit_ = new QLineEdit;
  folderEdit_->setAccessibleName(QString::fromUtf8(setup.folderCaption));
  expandButton_ = new QPushButton(QString::fromUtf8(setup.expandCaption));
  presetButton_ = new QPushButton(QString::fromUtf8(ui_text::kStandardStyle));
  auto* expandOn = new QPushButton(QString::fromUtf8(ui_text::kExpandOn));
  auto* expandAll = new QPushButton(QString::fromUtf8(ui_text::kExpandAll));
  auto* collapseAll = new QPushButton(QString::fromUtf8(ui_text::kCollapseAll));

  tree_ = new QTreeWidget;
  tree_->setHeaderHidden(true);
  tree_->setColumnCount(1);
  tree_->setContextMenuPolicy(Qt::CustomContextMenu);
  tree_->setAccessibleName(QString::fromUtf8(setup.tree == LayerRef::Kind::FgdNode ? ui_text::kTabFgd : ui_text::kTabKkj));
  tree_->installEventFilter(this);

  auto* folderRow = new QHBoxLayout;
  folderRow->addWidget(folderButton_);
  folderRow->addWidget(folderEdit_, 1);
  folderRow->addWidget(expandButton_);
  auto* buttonRow = new QHBoxLayout;
  buttonRow->addWidget(presetButton_);
  buttonRow->addStretch(1);
  buttonRow->addWidget(expandOn);
  buttonRow->addWidget(expandAll);
  buttonRow->addWidget(collapseAll);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(folderRow);
  layout->addLayout(buttonRow);
  layout->addWidget(tree_, 1);

  connect(folderEdit_, &QLineEdit::textEdited, this, [this](const QString& t) {
    s_.*setup_.folder = t.toStdString();
    emit edited();
  });
  connect(folderButton_, &ModifierButton::clickedWith, this, &LayerTreeTab::folderButtonPressed);
  connect(expandButton_, &QPushButton::clicked, this, &LayerTreeTab::expandArchivesRequested);
  connect(presetButton_, &QPushButton::clicked, this, &LayerTreeTab::presetRequested);
  connect(expandOn, &QPushButton::clicked, this, [this] {
    model().expandGroupsThatAreOn();
    applyExpansion();
  });
  connect(expandAll, &QPushButton::clicked, this, [this] {
    tree_->expandAll();
    tree_->scrollToTop();
  });
  connect(collapseAll, &QPushButton::clicked, this, [this] {
    tree_->collapseAll();
    tree_->scrollToTop();
  });
  connect(tree_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int) { onItemChanged(item); });
  connect(tree_, &QTreeWidget::customContextMenuRequested, this, &LayerTreeTab::onContextMenu);
  connect(tree_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
    if (!filling_) model().groups[item->data(0, kGroupRole).toUInt()].expanded = true;
  });
  connect(tree_, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
    if (!filling_) model().groups[item->data(0, kGroupRole).toUInt()].expanded = false;
  });
}

LayerTree& LayerTreeTab::model() const {
  return setup_.tree == LayerRef::Kind::FgdNode ? s_.layers.fgd : s_.layers.kkj;
}

void LayerTreeTab::showSettings() {
  filling_ = true;
  folderEdit_->setText(QString::fromStdString(s_.*setup_.folder));
  tree_->clear();
  const LayerTree& t = model();
  for (size_t g = 0; g < t.groups.size(); ++g) {
    auto* groupItem = new QTreeWidgetItem(tree_);
    groupItem->setData(0, kGroupRole, static_cast<uint>(g));
    groupItem->setData(0, kChildRole, -1);
    ShowNode(groupItem, t.groups[g].node, palette().color(QPalette::Base));
    for (size_t c = 0; c < t.groups[g].children.size(); ++c) {
      auto* childItem = new QTreeWidgetItem(groupItem);
      childItem->setData(0, kGroupRole, static_cast<uint>(g));
      childItem->setData(0, kChildRole, static_cast<int>(c));
      ShowNode(childItem, t.groups[g].children[c], palette().color(QPalette::Base));
    }
  }
  filling_ = false;
  applyExpansion();
}

void LayerTreeTab::applyExpansion() {
  filling_ = true;
  const LayerTree& t = model();
  for (int g = 0; g < tree_->topLevelItemCount() && static_cast<size_t>(g) < t.groups.size(); ++g)
    tree_->topLevelItem(g)->setExpanded(t.groups[static_cast<size_t>(g)].expanded);
  tree_->scrollToTop();
  filling_ = false;
}

QTreeWidgetItem* LayerTreeTab::itemOf(int group, int child) const {
  QTreeWidgetItem* g = tree_->topLevelItem(group);
  if (!g || child < 0) return g;
  return g->child(child);
}

void LayerTreeTab::refreshNodes() {
  filling_ = true;
  const LayerTree& t = model();
  for (size_t g = 0; g < t.groups.size(); ++g) {
    QTreeWidgetItem* groupItem = tree_->topLevelItem(static_cast<int>(g));
    if (!groupItem) break;
    ShowNode(groupItem, t.groups[g].node, palette().color(QPalette::Base));
    for (size_t c = 0; c < t.groups[g].children.size(); ++c)
      if (QTreeWidgetItem* childItem = groupItem->child(static_cast<int>(c)))
        ShowNode(childItem, t.groups[g].children[c], palette().color(QPalette::Base));
  }
  filling_ = false;
}

// A click on a check box or Space on a node: a group passes its new state to
// every child; a child's group follows its children.
void LayerTreeTab::onItemChanged(QTreeWidgetItem* item) {
  if (filling_) return;
  LayerTree& t = model();
  const auto g = item->data(0, kGroupRole).toUInt();
  const int c = item->data(0, kChildRole).toInt();
  if (g >= t.groups.size()) return;
  const bool wanted = item->checkState(0) == Qt::Checked;
  if (c < 0) {
    if (t.groups[g].node.on != wanted) t.toggleGroup(g);
  } else if (static_cast<size_t>(c) < t.groups[g].children.size()) {
    if (t.groups[g].children[static_cast<size_t>(c)].on != wanted) t.toggleChild(g, static_cast<size_t>(c));
  }
  t.refreshGroups();
  refreshNodes();
  emit edited();
}

void LayerTreeTab::onContextMenu(const QPoint& pos) {
  QTreeWidgetItem* item = tree_->itemAt(pos);
  if (!item) return;
  tree_->setCurrentItem(item);
  emit styleRequested(LayerRef::node(setup_.tree, item->data(0, kGroupRole).toInt(), item->data(0, kChildRole).toInt()));
}

// While Shift or Ctrl is held the tree turns grey, as a hint that Space then
// acts on the selected node only.
bool LayerTreeTab::eventFilter(QObject* watched, QEvent* event) {
  if (watched == tree_ && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Shift || key->key() == Qt::Key_Control) {
      QPalette p = tree_->palette();
      p.setColor(QPalette::Base, event->type() == QEvent::KeyPress ? QColor(0x80, 0x80, 0x80)
                                                                   : palette().color(QPalette::Base));
      tree_->setPalette(p);
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace velkaro
