#pragma once
// The two routines the confirmation dialog calls while it loads, and the hidden holder
// of the frame tiles. Both routines work on any form.
#include "forms/form.h"

#include <memory>

namespace diag {

// Puts the form in the middle of the screen of the display mode in force. Single
// precision, nothing rounded or clamped: a fraction of a twip is kept.
void CenterOnScreen(forms::Form& form);

// The hidden form icc, whose group ccbm holds the eight frame tiles. Loaded at the
// first use, never shown, kept until the program ends.
class TileHolder {
  public:
    TileHolder(forms::Backend& backend, ErrorReporter& reporter);
    forms::Form& icc();

  private:
    forms::Form form_;
};

// Lays the group ccb (0 to 7) around the form's edge, gives each tile the picture of
// ccbm of the same index, and sends the tiles behind every other control.
void ApplyFrameSkin(forms::Form& form, TileHolder& holder);

extern const forms::FormDesign kIccDesign;

} // namespace diag
