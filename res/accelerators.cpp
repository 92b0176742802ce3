#include "res/accelerators.h"

std::vector<ACCEL> mainAccelerators() {
  constexpr BYTE kCtrl = FVIRTKEY | FCONTROL;
  constexpr BYTE kShift = FVIRTKEY | FSHIFT;
  constexpr BYTE kAlt = FVIRTKEY | FALT;
  return {
      {kCtrl, 'N', ID_FILE_NEW},          {kCtrl, 'O', ID_FILE_OPEN},
      {kCtrl, 'S', ID_FILE_SAVE},         {kCtrl, 'Z', ID_EDIT_UNDO},
      {kAlt, VK_BACK, ID_EDIT_UNDO},      {kCtrl, 'X', ID_EDIT_CUT},
      {kShift, VK_DELETE, ID_EDIT_CUT},   {kCtrl, 'C', ID_EDIT_COPY},
      {kCtrl, VK_INSERT, ID_EDIT_COPY},   {kCtrl, 'V', ID_EDIT_PASTE},
      {kShift, VK_INSERT, ID_EDIT_PASTE}, {FVIRTKEY, VK_F6, ID_NEXT_PANE},
      {kShift, VK_F6, ID_PREV_PANE},
  };
}
