// Where a framework dialog stands: over the usable area of the main window (the client
// area less the launcher's own bands), with its controls drawn closer together and
// narrowed when that area is smaller than the layout was made for. The layout as made is
// remembered per level, so a dialog shown again after a turn of the screen is fitted anew.
#include "Common/StdInit.h"

// A band of controls that overlap in height: a line of text, or the OK and Cancel buttons.
struct ControlRow {
  int top, bottom;  // as made
  int least;        // the height it cannot lose: that of its tallest button or field
  int newTop, newHeight;
};

static bool IsStaticText(HWND control)
{
  wchar_t kind[16] = {0};
  GetClassNameW(control, kind, 16);
  return _wcsicmp(kind, L"Static") == 0;
}

void RecordControlPlaces(HWND dialog, DialogLevel *level)
{
  level->placeCount = 0;
  for (HWND child = GetWindow(dialog, GW_CHILD);
       child != nullptr && level->placeCount < DIALOG_CONTROL_PLACES;
       child = GetWindow(child, GW_HWNDNEXT)) {
    ControlPlace *place = &level->places[level->placeCount];
    place->control = child;
    GetWindowRect(child, &place->rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&place->rect), 2);
    ++level->placeCount;
  }
}

// The places in order of their tops (a handful: a plain insertion sort).
static void SortByTop(const DialogLevel *level, int *order)
{
  for (int i = 0; i < level->placeCount; ++i) {
    int j = i;
    while (j > 0 && level->places[order[j - 1]].rect.top > level->places[i].rect.top) {
      order[j] = order[j - 1];
      --j;
    }
    order[j] = i;
  }
}

// Groups the places into rows; rowOf gets each place's row. Returns the number of rows.
static int GroupRows(const DialogLevel *level, const int *order, ControlRow *rows, int *rowOf)
{
  int count = 0;
  for (int k = 0; k < level->placeCount; ++k) {
    int i = order[k];
    const RECT &rect = level->places[i].rect;
    int height = rect.bottom - rect.top;
    int least = IsStaticText(level->places[i].control) ? 0 : height;
    if (count > 0 && rect.top < rows[count - 1].bottom) {
      ControlRow *row = &rows[count - 1];
      if (rect.bottom > row->bottom)
        row->bottom = rect.bottom;
      if (least > row->least)
        row->least = least;
    } else {
      ControlRow *row = &rows[count++];
      row->top = rect.top;
      row->bottom = rect.bottom;
      row->least = least;
    }
    rowOf[i] = count - 1;
  }
  return count;
}

// Takes the height missing from the gaps between the rows first, then from the rows of
// text, each in proportion; buttons and fields keep their height.
static void ShrinkRows(ControlRow *rows, int count, int room)
{
  int gaps = 0, slack = 0, previous = 0;
  for (int r = 0; r < count; ++r) {
    gaps += rows[r].top > previous ? rows[r].top - previous : 0;
    slack += rows[r].bottom - rows[r].top - rows[r].least;
    previous = rows[r].bottom;
  }
  int excess = previous - room;
  int fromGaps = excess < gaps ? excess : gaps;
  int fromRows = excess - fromGaps < slack ? excess - fromGaps : slack;
  int y = 0, gapsSeen = 0, gapsTaken = 0, slackSeen = 0, slackTaken = 0;
  previous = 0;
  for (int r = 0; r < count; ++r) {
    // Running totals, so the rounding never adds up to more than was asked for.
    int gap = rows[r].top > previous ? rows[r].top - previous : 0;
    gapsSeen += gap;
    int gapTake = gaps > 0 ? gapsSeen * fromGaps / gaps - gapsTaken : 0;
    gapsTaken += gapTake;
    int height = rows[r].bottom - rows[r].top;
    slackSeen += height - rows[r].least;
    int rowTake = slack > 0 ? slackSeen * fromRows / slack - slackTaken : 0;
    slackTaken += rowTake;
    y += gap - gapTake;
    rows[r].newTop = y;
    rows[r].newHeight = height - rowTake;
    y += rows[r].newHeight;
    previous = rows[r].bottom;
  }
}

static void FitControls(HWND dialog, const DialogLevel *level)
{
  int count = level->placeCount;
  if (count <= 0 || count > DIALOG_CONTROL_PLACES)
    return;
  RECT client;
  GetClientRect(dialog, &client);
  int width = client.right - client.left, height = client.bottom - client.top;
  int right = 0, bottom = 0;
  for (int i = 0; i < count; ++i) {
    if (level->places[i].rect.right > right)
      right = level->places[i].rect.right;
    if (level->places[i].rect.bottom > bottom)
      bottom = level->places[i].rect.bottom;
  }
  int order[DIALOG_CONTROL_PLACES], rowOf[DIALOG_CONTROL_PLACES];
  ControlRow rows[DIALOG_CONTROL_PLACES];
  SortByTop(level, order);
  int rowCount = GroupRows(level, order, rows, rowOf);
  bool lower = bottom > height && height > 0;
  if (lower)
    ShrinkRows(rows, rowCount, height);
  bool narrower = right > width && width > 0;

  for (int i = 0; i < count; ++i) {
    const ControlPlace &place = level->places[i];
    if (!IsWindow(place.control))
      continue;
    RECT rect = place.rect;
    if (narrower) {
      rect.left = place.rect.left * width / right;
      rect.right = place.rect.right * width / right;
    }
    if (lower) {
      const ControlRow &row = rows[rowOf[i]];
      int made = row.bottom - row.top;
      int offset = place.rect.top - row.top;
      int own = place.rect.bottom - place.rect.top;
      bool text = IsStaticText(place.control);
      // Within its row a control keeps its place in proportion; a button keeps its height.
      if (made > 0)
        offset = offset * row.newHeight / made;
      if (text && made > 0)
        own = own * row.newHeight / made;
      rect.top = row.newTop + offset;
      rect.bottom = rect.top + own;
      if (rect.bottom > row.newTop + row.newHeight) {
        rect.bottom = row.newTop + row.newHeight;
        rect.top = text ? rect.top : rect.bottom - own;
      }
    }
    SetWindowPos(place.control, nullptr, rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void FitDialogToUsableArea(HWND dialog, const DialogLevel *level)
{
  if (dialog == nullptr)
    return;
  RECT usable;
  GetUsableArea(&usable);
  SetWindowPos(dialog, nullptr, usable.left, usable.top, usable.right - usable.left,
               usable.bottom - usable.top,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_NOOWNERZORDER);
  FitControls(dialog, level);
}

void PlaceOpenDialog()
{
  int count = g_dialogs.levelCount;
  if (g_app.openDialog == nullptr || count <= 0 || count >= DIALOG_STACK_LEVELS)
    return;
  FitDialogToUsableArea(g_app.openDialog, &g_dialogs.levels[count]);
}
