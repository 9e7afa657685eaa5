#pragma once
// Builds the presentation of the current configuration, and the list-view presentation.
#include <windows.h>
#include <commctrl.h>

enum { LIST_VIEW_ID = 1000 };

struct PresentationState {
  HIMAGELIST smallImages;
  HIMAGELIST largeImages;
  int aboutIndex;     // -1 when absent
  int exitIndex;
  int returnIndex;
  bool returnNumberedZero;
  int columnCount;
};
extern PresentationState g_presentation;

int BuildPresentation(HWND mainWindow);
HWND CreateListView(HWND parent);
void AddListColumns(HWND listView);
// Sets every program entry's label again (its network mark came or went).
void RefreshListLabels();
LRESULT HandleListNotify(HWND window, UINT message, WPARAM controlId, NMHDR *header);
LRESULT HandleListKey(WORD virtualKey);
int GetSelectedListItem();
void SelectListItem(int index);
void SetSelectionState(bool selected);
int ActivateSelectedItem();
bool IsReturnNumberedZero();
bool IsMenuBarsMode();
// The list view when one is shown, else none (also in Menu Bars mode).
HWND GetListView();
// Sends the list view's navigation keys through HandleListKey before the control sees them.
void RouteListKeys(HWND listView);
