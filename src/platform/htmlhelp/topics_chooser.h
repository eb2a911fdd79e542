#pragma once
// The chooser an index keyword with several topics opens: the keyword's
// topics by title, with the page each leads to, in a dialog. Enter, a double
// click or the Display button takes the topic selected; Esc takes none.
#include <QDialog>
#include <QString>
#include <vector>

class QTreeWidget;

namespace htmlhelp {

struct TopicChoice {
  QString title, local;
};

class TopicsChooser : public QDialog {
  Q_OBJECT

 public:
  TopicsChooser(const QString& keyword, const std::vector<TopicChoice>& topics, QWidget* parent);

  // The page of the topic selected when the dialog was accepted.
  QString chosenLocal() const;

 private:
  QTreeWidget* list_ = nullptr;
};

}  // namespace htmlhelp
