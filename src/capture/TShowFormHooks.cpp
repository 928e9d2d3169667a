// Where grab and save, and interval capture, put their actions into gpal (and connect them):
// both run after the window's own actions and the managers exist, and before the menus and the
// tool bar look their entries up by name (naGrab, naCopy, naForcer..., naBmpExtension,
// naJpegExtension, naAjouterTimeStamp, naAjouterNumero, baImageDeinterlacer; caIntervalloShow).
// An entry whose action does not exist yet is left out of the menus and the tool bar.
#include "capture/TShowForm.h"

void TShowForm::AddIntervalActions()
{}
