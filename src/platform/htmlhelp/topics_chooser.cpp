#include "platform/htmlhelp/topics_chooser.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "res/ids.h"
#include "res/strings.h"

namespace htmlhelp {
namespace {

QString text(int id) { return QString::fromStdString(LoadStr(id)); }

constexpr int kTitleColumnWidth = 300;

}  // namespace

TopicsChooser::TopicsChooser(const QString& keyword, const std::vector<TopicChoice>& topics,
                             QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("TopicsChooser"));
  setWindowTitle(text(IDS_READER_TOPICS_TITLE));
  auto* layout = new QVBoxLayout(this);
  auto* prompt = new QLabel(text(IDS_READER_CHOOSE_TOPIC), this);
  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("TopicsList"));
  list_->setRootIsDecorated(false);
  list_->setColumnCount(2);
  list_->setHeaderLabels({text(IDS_READER_TOPIC_COLUMN), text(IDS_READER_PLACE_COLUMN)});
  list_->header()->resizeSection(0, kTitleColumnWidth);
  list_->setToolTip(keyword);
  for (const TopicChoice& t : topics) {
    auto* item = new QTreeWidgetItem(list_, {t.title, t.local});
    item->setData(0, Qt::UserRole, t.local);
  }
  list_->setCurrentItem(list_->topLevelItem(0));
  prompt->setBuddy(list_);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* display = buttons->addButton(text(IDS_READER_DISPLAY), QDialogButtonBox::AcceptRole);
  display->setDefault(true);
  buttons->addButton(text(IDS_CANCEL), QDialogButtonBox::RejectRole);
  layout->addWidget(prompt);
  layout->addWidget(list_, 1);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(list_, &QTreeWidget::itemActivated, this, &QDialog::accept);
  resize(kTitleColumnWidth * 2, kTitleColumnWidth);
  list_->setFocus();
}

QString TopicsChooser::chosenLocal() const {
  const QTreeWidgetItem* item = list_->currentItem();
  return item ? item->data(0, Qt::UserRole).toString() : QString();
}

}  // namespace htmlhelp
