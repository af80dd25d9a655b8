#pragma once
// A property grid: shows the settings an IPropertyHost offers, grouped as its
// list nests them, and hands each edit back to the field's host by the
// address of the edited member. Number and text fields apply on Enter (leaving
// a field unapplied shows its value again); choices and check boxes apply at
// once. Changes the host reports, from any thread, are shown on the UI thread.
// A field shows its label with its unit, its value and its range; its tool tip
// names the camera feature it shows.
#include "camera/IPropertyHost.h"

#include <QWidget>

#include <memory>
#include <unordered_map>
#include <vector>

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

class PropertyGrid : public QWidget {
  Q_OBJECT
 public:
  // The host must outlive the grid; the grid observes it until it goes.
  explicit PropertyGrid(IPropertyHost& host, QWidget* parent = nullptr);
  ~PropertyGrid() override;

  // Asks the host for its list again and shows it where the view was.
  void Rebuild();
  // Shows every member's value and enabled state again.
  void RefreshValues();
  // The editor of the first field with this label or camera feature name, or null.
  QWidget* Editor(const QString& label) const;
  int FieldCount() const { return static_cast<int>(m_rows.size()); }

 signals:
  // The field's host accepted an edit of the member at `id`.
  void PropertyEdited(PropertyId id);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Row {
    CProperty field;
    QTreeWidgetItem* item;
    QWidget* editor;
  };
  struct Relay;

  std::vector<int> TopRowPath() const;
  void ScrollToRowPath(const std::vector<int>& path);
  QWidget* MakeEditor(size_t row);
  void ShowRow(size_t row);
  void ApplyText(size_t row);
  // True when the host took the value.
  bool Apply(size_t row, const PropertyValue& value);
  // A note under the grid about the last edit (a value refused or brought into range).
  void ShowNote(const QString& note);
  IPropertyHost& HostOf(const CProperty& field) const;
  void TakeNotifications();
  const Row* RowOf(QObject* editor) const;

  IPropertyHost& m_host;
  std::shared_ptr<Relay> m_relay;
  QTreeWidget* m_tree;
  QLabel* m_comment;
  std::vector<Row> m_rows;
  std::unordered_map<PropertyId, size_t> m_rowById;
};
