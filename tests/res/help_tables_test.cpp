// The help tables against the dialog templates: every control a pop-up table
// names is a control of its dialog, once, and each table ends with (0, 0).
#include "res/help_tables.h"

#include <gtest/gtest.h>

#include <set>

#include "res/dialog_template.h"
#include "res/ids.h"

namespace {

TEST(HelpTables, EveryControlBelongsToItsDialogOnce) {
  for (const res::NamedHelpTable& t : res::AllControlHelpTables()) {
    const res::DialogTemplate* dialog = res::findDialog(t.dialog);
    ASSERT_NE(dialog, nullptr) << t.name;
    std::set<int> present;
    for (const res::ControlTemplate& c : dialog->controls) present.insert(c.id);
    std::set<unsigned> seen;
    int pairs = 0;
    for (const unsigned* p = t.pairs; p[0] != 0 || p[1] != 0; p += 2, ++pairs) {
      ASSERT_LT(pairs, 64) << t.name << ": no (0, 0) end";
      EXPECT_TRUE(present.count(static_cast<int>(p[0]))) << t.name << ": control " << p[0];
      EXPECT_TRUE(seen.insert(p[0]).second) << t.name << ": control " << p[0] << " twice";
      EXPECT_NE(p[1], 0u) << t.name << ": control " << p[0];
    }
    EXPECT_GT(pairs, 0) << t.name;
  }
}

TEST(HelpTables, LookupsAndModes) {
  EXPECT_EQ(res::PopupTopic(res::kDecompileHelp, IDC_DECOMPILE_PROJECT), 105u);
  EXPECT_EQ(res::PopupTopic(res::kViewerHelp, 1), 152u);
  EXPECT_EQ(res::PopupTopic(res::kViewerHelp, IDC_VIEWER_LINK), 0u);
  EXPECT_EQ(res::PopupTopic(res::FinderControlHelp(3), IDC_DELETE), 133u);
  EXPECT_EQ(res::FinderControlHelp(7), res::kHtmlHelpComponentsHelp);
  EXPECT_EQ(res::FinderTopic(2), 452);
  EXPECT_EQ(res::RegistryTopic(true), 202);
  ASSERT_NE(res::FindRecompileTip(IDC_RECOMPILE_TARGET_LABEL), nullptr);
  EXPECT_EQ(res::FindRecompileTip(IDC_RECOMPILE_TARGET_LABEL)->topic, 302);
  EXPECT_EQ(res::FindRecompileTip(IDC_TIPS), nullptr);
}

}  // namespace
