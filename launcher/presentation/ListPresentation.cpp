// Builds the presentation of the current configuration, and the list view.
#include "launcher/presentation/ListPresentation.h"

PresentationState g_presentation = {nullptr, nullptr, -1, -1, -1, false, 1};

int BuildPresentation(HWND mainWindow) { return 0; }
LRESULT HandleListNotify(HWND window, UINT message, WPARAM controlId, NMHDR *header) { return 0; }
int GetSelectedListItem() { return -1; }
void SelectListItem(int index) {}
void SetSelectionState(bool selected) {}
bool IsReturnNumberedZero() { return false; }
bool IsMenuBarsMode() { return false; }
