#pragma once
// The results dialog in which one recompile batch runs.
#include <QDialog>

#include "recompile/recompile_batch.h"
#include "ui/results_dlg.h"

class CRecompileResultsDlg : public CResultsDlg {
 public:
  CRecompileResultsDlg(QWidget* parent, RecompileRequest request);
  const RecompileOutcome& outcome() const { return outcome_; }

 protected:
  void Run() override;

 private:
  RecompileRequest request_;
  RecompileOutcome outcome_;
};
