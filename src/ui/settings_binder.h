#pragma once
// Binds controls to fields of the one JobSettings record the main window
// holds: an edit writes its field at once, and showAll() puts every field
// back into its control (after a file was read) without echoing edits.

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <functional>
#include <string>
#include <vector>

#include "job/job_settings.h"

namespace velkaro {

class SettingsBinder {
 public:
  explicit SettingsBinder(JobSettings& settings) : s_(settings) {}

  // Called after every edit of a bound control.
  void onEdited(std::function<void()> f) { edited_ = std::move(f); }

  // Field access: a member pointer or a callable returning a reference.
  template <class T>
  static auto field(T JobSettings::*member) {
    return [member](JobSettings& s) -> T& { return s.*member; };
  }

  template <class Access>
  void text(QLineEdit* edit, Access access) {
    QObject::connect(edit, &QLineEdit::textEdited, edit, [this, access](const QString& t) {
      if (loading_) return;
      access(s_) = t.toStdString();
      edited();
    });
    loaders_.push_back([this, edit, access] { edit->setText(QString::fromStdString(access(s_))); });
  }

  // A list whose row is the field; -1 (no row) is "none selected".
  template <class Access>
  void index(QComboBox* box, Access access) {
    QObject::connect(box, &QComboBox::currentIndexChanged, box, [this, access](int i) {
      if (loading_) return;
      access(s_) = i;
      edited();
    });
    loaders_.push_back([this, box, access] {
      const int i = access(s_);
      box->setCurrentIndex(i >= 0 && i < box->count() ? i : -1);
    });
  }

  template <class Access>
  void value(QAbstractSlider* slider, Access access) {
    QObject::connect(slider, &QAbstractSlider::valueChanged, slider, [this, access](int v) {
      if (loading_) return;
      access(s_) = v;
      edited();
    });
    loaders_.push_back([this, slider, access] { slider->setValue(access(s_)); });
  }

  template <class Access>
  void value(QSpinBox* spin, Access access) {
    QObject::connect(spin, &QSpinBox::valueChanged, spin, [this, access](int v) {
      if (loading_) return;
      access(s_) = v;
      edited();
    });
    loaders_.push_back([this, spin, access] { spin->setValue(access(s_)); });
  }

  // A spin box over a field kept as text (the tile counts): an empty or
  // unreadable text shows as 1 and stays as it is until the user edits.
  template <class Access>
  void countText(QSpinBox* spin, Access access) {
    QObject::connect(spin, &QSpinBox::valueChanged, spin, [this, access](int v) {
      if (loading_) return;
      access(s_) = std::to_string(v);
      edited();
    });
    loaders_.push_back([this, spin, access] {
      bool ok = false;
      const int v = QString::fromStdString(access(s_)).trimmed().toInt(&ok);
      spin->setValue(ok ? v : 1);
    });
  }

  template <class Access>
  void check(QAbstractButton* button, Access access) {
    QObject::connect(button, &QAbstractButton::toggled, button, [this, access](bool on) {
      if (loading_) return;
      access(s_) = on;
      edited();
    });
    loaders_.push_back([this, button, access] { button->setChecked(access(s_)); });
  }

  // An extra loader for controls with their own binding code.
  void load(std::function<void()> loader) { loaders_.push_back(std::move(loader)); }

  // Every control shows its field; no edit signals reach the record.
  void showAll() {
    loading_ = true;
    for (auto& l : loaders_) l();
    loading_ = false;
  }

  bool loading() const { return loading_; }

 private:
  void edited() {
    if (edited_) edited_();
  }

  JobSettings& s_;
  std::vector<std::function<void()>> loaders_;
  std::function<void()> edited_;
  bool loading_ = false;
};

}  // namespace velkaro
