#pragma once
// The results dialog in which one decompile runs.
#include <QDialog>

#include "decompile/decompile_run.h"
#include "ui/results_dlg.h"

// The results dialog running one decompile over an opened source.
class CDecompileResultsDlg : public CResultsDlg {
 public:
  CDecompileResultsDlg(QWidget* parent, DecompileRequest request, std::int32_t range);
  // Opens the source (message 20482 when it cannot be opened).
  bool open();
  void close() { run_.close(); }
  const DecompileRun& decompileRun() const { return run_; }

 protected:
  void Run() override;

 private:
  DecompileRequest request_;
  std::int32_t range_;
  DecompileRun run_;
};
