#pragma once
// The empty menu bar of a Windows Mobile launcher that is not in full screen.
bool CreateEmptyMenuBar();
